# Reads of definitions and builds of messages from text databases of growing size.
add_executable(textdb_read_bench ${CMAKE_CURRENT_LIST_DIR}/textdb_read_bench.cpp)
target_link_libraries(textdb_read_bench PRIVATE vexo_textdb vexo_session vexo_message
  benchmark::benchmark benchmark::benchmark_main Threads::Threads)
vexo_stamp_sources(textdb_read_bench)
