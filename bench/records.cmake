# Record codec: JSON to records and back in CCSID 037, and the tables alone
# (bench/records.sh runs it beside a Python script doing the same).
add_executable(record_bench ${CMAKE_CURRENT_LIST_DIR}/record_bench.cpp)
target_link_libraries(record_bench PRIVATE vexo_message)
target_compile_definitions(record_bench PRIVATE VEXO_XLAT_DIR="${PROJECT_BINARY_DIR}/share/xlat")
vexo_stamp_sources(record_bench)
if(TARGET xlat_tables)
  add_dependencies(record_bench xlat_tables)
endif()
