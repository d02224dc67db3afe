# The tools that follow the usual conventions: --help, --version, exit statuses.
vexo_test(tool_conventions_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/conventions_test.cpp)
add_dependencies(tool_conventions_test dossa vexomap vexosite vexoconv vexorec vexopxm vexolev)
if(TARGET mktables)
  add_dependencies(tool_conventions_test mktables)
endif()
target_compile_definitions(tool_conventions_test PRIVATE VEXO_TEST_VERSION="${PROJECT_VERSION}")
