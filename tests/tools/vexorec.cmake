# vexorec: JSON Lines to records and back, run as a program on the imported example maps.
vexo_test(vexorec_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/vexorec_test.cpp)
add_dependencies(vexorec_test vexorec vexopxm dossa xlat_tables)
