# Kills vexopxm at many moments of an import and checks the database after each
# (fork and signals: not on Windows).
if(NOT WIN32)
  vexo_test(docstore_crash_test SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/import_crash_test.cpp
    LIBS vexo_docstore)
  add_dependencies(docstore_crash_test vexopxm)
endif()
