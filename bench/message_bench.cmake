# Benchmarks of the message runtime: buffer packing and by-name field access.
add_executable(message_bench
  ${CMAKE_CURRENT_LIST_DIR}/message_buffer_bench.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_property_bench.cpp)
target_link_libraries(message_bench PRIVATE vexo_message benchmark::benchmark_main Threads::Threads)
vexo_stamp_sources(message_bench)
