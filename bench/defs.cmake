# String operations of the definitions: short names in place, long texts, lists.
add_executable(defs_string_bench ${CMAKE_CURRENT_LIST_DIR}/defs_string_bench.cpp)
target_link_libraries(defs_string_bench PRIVATE vexo_defs benchmark::benchmark benchmark::benchmark_main Threads::Threads)
vexo_stamp_sources(defs_string_bench)
