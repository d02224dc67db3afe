# Parse-only throughput of the map import: reader and statement parser.
add_executable(import_parse_bench ${CMAKE_CURRENT_LIST_DIR}/import_parse_bench.cpp)
target_link_libraries(import_parse_bench PRIVATE vexo_import benchmark::benchmark benchmark::benchmark_main)
