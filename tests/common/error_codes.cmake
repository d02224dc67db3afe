vexo_test(error_codes_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/error_codes_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/retcode_names_test.cpp
  LIBS vexo_common)
