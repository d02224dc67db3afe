# Import throughput into the document database, against a plain SQLite baseline.
find_package(SQLite3 REQUIRED)
vexo_program(docstore_sqlite_baseline SOURCES ${CMAKE_CURRENT_LIST_DIR}/docstore_sqlite_baseline.cpp
  LIBS SQLite::SQLite3)
vexo_program(docstore_import_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/docstore_import_bench.cpp
  LIBS vexo_import vexo_docstore vexo_session)
add_dependencies(docstore_import_bench docstore_sqlite_baseline)
# The same against a database server (docstore_import_bench --server SERVICE).
if(NOT WIN32)
  find_package(PostgreSQL REQUIRED)
  vexo_program(docstore_pg_baseline SOURCES ${CMAKE_CURRENT_LIST_DIR}/docstore_pg_baseline.cpp
    LIBS PostgreSQL::PostgreSQL)
  add_dependencies(docstore_import_bench docstore_pg_baseline)
endif()
# Key reads and message construction from a server database next to a local file.
if(NOT WIN32)
  vexo_program(server_read_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/server_read_bench.cpp
    LIBS vexo_import vexo_docstore vexo_session vexo_message)
endif()
