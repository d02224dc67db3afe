# Import throughput into the document database, against a plain SQLite baseline.
find_package(SQLite3 REQUIRED)
vexo_program(docstore_sqlite_baseline SOURCES ${CMAKE_CURRENT_LIST_DIR}/docstore_sqlite_baseline.cpp
  LIBS SQLite::SQLite3)
vexo_program(docstore_import_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/docstore_import_bench.cpp
  LIBS vexo_import vexo_docstore vexo_session)
add_dependencies(docstore_import_bench docstore_sqlite_baseline)
