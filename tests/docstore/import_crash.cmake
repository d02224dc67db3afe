# Kills vexopxm at many moments of an import and checks the database after
# each, runs imports side by side, and (outside Windows) stops the database
# server during one; each case with a local file and with a server database.
vexo_test(docstore_crash_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/import_crash_test.cpp
  LIBS vexo_docstore)
add_dependencies(docstore_crash_test vexopxm dossa)
set_tests_properties(docstore_crash_test PROPERTIES TIMEOUT 900)
