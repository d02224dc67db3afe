# Cost of one traced call (an entry and its exit) with and without a trace file.
add_executable(trace_bench ${CMAKE_CURRENT_LIST_DIR}/trace_bench.cpp)
target_link_libraries(trace_bench PRIVATE vexo_common benchmark::benchmark Threads::Threads)
vexo_stamp_sources(trace_bench)
