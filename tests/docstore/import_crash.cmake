# Kills vexopxm at many moments of an import and checks the database after each.
vexo_test(docstore_crash_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/import_crash_test.cpp
  LIBS vexo_docstore)
add_dependencies(docstore_crash_test vexopxm)
set_tests_properties(docstore_crash_test PROPERTIES TIMEOUT 900)
