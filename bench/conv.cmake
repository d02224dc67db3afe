# Conversion throughput: xcsConvertString against iconv(3) on the same data.
add_executable(conv_bench ${CMAKE_CURRENT_LIST_DIR}/conv_bench.cpp)
target_link_libraries(conv_bench PRIVATE vexo_common vexo_platform benchmark::benchmark)
target_compile_definitions(conv_bench PRIVATE VEXO_XLAT_DIR="${PROJECT_BINARY_DIR}/share/xlat")
if(TARGET xlat_tables)
  add_dependencies(conv_bench xlat_tables)
endif()
