# Inputs found by fuzzing the code-page conversion.
vexo_test(conversion_regression_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/conversion_regression_test.cpp
  LIBS vexo_common vexo_platform)
