# Code-page conversion: hand-made tables, and the generated tables against iconv.
# Windows has no iconv: there the generated tables are checked by hand-made cases only.
set(VEXO_CONVERSION_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/conversion_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/conversion_walk_test.cpp)
if(NOT WIN32)
  list(APPEND VEXO_CONVERSION_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/conversion_iconv_test.cpp)
endif()
vexo_test(conversion_test SOURCES ${VEXO_CONVERSION_TEST_SOURCES}
  LIBS vexo_common vexo_platform)
if(TARGET xlat_tables)
  add_dependencies(conversion_test xlat_tables)
endif()
