vexo_test(return_codes_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/return_code_layout_test.cpp
  LIBS vexo_common)
