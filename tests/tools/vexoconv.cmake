# vexoconv: piece-by-piece conversion and the program's exits.
# Checked against iconv, which Windows does not have.
if(NOT WIN32)
  vexo_test(vexoconv_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/vexoconv_test.cpp LIBS vexoconv_stream)
  add_dependencies(vexoconv_test vexoconv xlat_tables)
endif()
