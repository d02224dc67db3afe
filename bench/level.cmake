# Scan speed of the level reporter over one full read buffer.
add_executable(level_scan_bench ${CMAKE_CURRENT_LIST_DIR}/level_scan_bench.cpp)
target_link_libraries(level_scan_bench PRIVATE vexo_level benchmark::benchmark benchmark::benchmark_main)
