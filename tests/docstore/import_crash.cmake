# Kills vexopxm at many moments of an import and checks the database after
# each, runs imports side by side, and (outside Windows) stops the database
# server during one; each case with a local file and with a server database.
vexo_test(docstore_crash_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/import_crash_test.cpp
  LIBS vexo_docstore)
add_dependencies(docstore_crash_test vexopxm dossa)
set_tests_properties(docstore_crash_test PROPERTIES TIMEOUT 900)
# The server's cases run as a test of their own, beside the local ones.
if(VEXO_PG_CLUSTER)
  set(server_cases "Stores/ImportCrashTest.*/1:Stores/ServerFaultTest.*")
  get_test_property(docstore_crash_test ENVIRONMENT crash_environment)
  add_test(NAME docstore_crash_server_test COMMAND docstore_crash_test WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  # The longest test of the suite: started first (COST), beside the others.
  set_tests_properties(docstore_crash_server_test PROPERTIES TIMEOUT 900 FIXTURES_REQUIRED vexo_pg COST 1000
    ENVIRONMENT "${crash_environment};GTEST_FILTER=${server_cases}")
  set_property(TEST docstore_crash_test APPEND PROPERTY ENVIRONMENT "GTEST_FILTER=-${server_cases}")
endif()
