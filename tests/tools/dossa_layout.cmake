# dossa layout and dossa diff through the program. The copybook and the
# schema each have an entry of their own, skipped (77) where GnuCOBOL or
# python3-jsonschema is missing. The C compiler and the shell are POSIX's.
if(NOT WIN32)
  vexo_test(dossa_layout_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/dossa_layout_test.cpp LIBS vexo_message vexo_session)
  # GCC 12 reports <regex>'s own std::function members as maybe uninitialized
  # when the sanitizers are on; the warning is the compiler's, not this test's.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(dossa_layout_test PRIVATE -Wno-maybe-uninitialized)
  endif()
  add_dependencies(dossa_layout_test dossa vexopxm vexorec)
  set_tests_properties(dossa_layout_test PROPERTIES ENVIRONMENT
    "VEXO_SOURCE_DIR=${PROJECT_SOURCE_DIR};VEXO_BINARY_DIR=${PROJECT_BINARY_DIR};GTEST_FILTER=-*Copybook*:*Schema*")
  foreach(part Copybook Schema)
    add_test(NAME dossa_layout_${part}_test COMMAND dossa_layout_test --gtest_filter=*${part}*
      WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
    set_tests_properties(dossa_layout_${part}_test PROPERTIES SKIP_RETURN_CODE 77 ENVIRONMENT
      "VEXO_SOURCE_DIR=${PROJECT_SOURCE_DIR};VEXO_BINARY_DIR=${PROJECT_BINARY_DIR}")
  endforeach()
endif()
