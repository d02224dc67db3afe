# Benchmarks of the message runtime.
add_executable(message_buffer_bench ${CMAKE_CURRENT_LIST_DIR}/message_buffer_bench.cpp)
target_link_libraries(message_buffer_bench PRIVATE vexo_message benchmark::benchmark Threads::Threads)
vexo_stamp_sources(message_buffer_bench)
