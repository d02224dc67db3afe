# Code-page conversion: hand-made tables, and the generated tables against iconv.
vexo_test(conversion_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/conversion_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/conversion_iconv_test.cpp
  LIBS vexo_common vexo_platform)
if(TARGET xlat_tables)
  add_dependencies(conversion_test xlat_tables)
endif()
