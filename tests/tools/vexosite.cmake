# vexosite through the program, on the example maps imported with /a and a
# text database; the browser entry is skipped (77) where chromium is missing
# or cannot start.
if(NOT WIN32)
  vexo_test(vexosite_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/vexosite_test.cpp LIBS vexo_common)
  # GCC 12 reports <regex>'s own std::function members as maybe uninitialized
  # when the sanitizers are on; the warning is the compiler's, not this test's.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(vexosite_test PRIVATE -Wno-maybe-uninitialized)
  endif()
  add_dependencies(vexosite_test vexosite vexomap vexopxm dossa)
  set_tests_properties(vexosite_test PROPERTIES ENVIRONMENT
    "VEXO_SOURCE_DIR=${PROJECT_SOURCE_DIR};VEXO_BINARY_DIR=${PROJECT_BINARY_DIR}")
  find_package(Python3 COMPONENTS Interpreter)
  if(Python3_Interpreter_FOUND)
    add_test(NAME vexosite_browser_test COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/vexosite_browser.py)
    set_tests_properties(vexosite_browser_test PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600 ENVIRONMENT
      "VEXO_SOURCE_DIR=${PROJECT_SOURCE_DIR};VEXO_BINARY_DIR=${PROJECT_BINARY_DIR}")
  endif()
endif()
