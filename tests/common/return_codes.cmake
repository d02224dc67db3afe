vexo_test(return_codes_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/trace_macro_test.cpp
  LIBS vexo_common)
