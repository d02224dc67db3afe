# Document-database client library: save rate and search latency.
vexo_program(ndossa_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/ndossa_bench.cpp LIBS vexo_docstore benchmark::benchmark)
