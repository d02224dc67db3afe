# Trace facility, failure report, system utilities, start and stop of the services.
vexo_test(common_services_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/trace_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/trace_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/report_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sysutil_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/services_test.cpp
  LIBS vexo_common)
