# Helpers shared by every folder's CMakeLists.txt.
#
# Every translation unit force-includes common/vexo_module.h, which embeds the
# code-level string and a "@(#) " version string naming the source module. The
# module path comes from a per-source compile definition set here.

set(VEXO_MODULE_HEADER ${PROJECT_SOURCE_DIR}/common/vexo_module.h)

# The Windows cross-build builds its third-party libraries from source.
if(WIN32 AND CMAKE_CROSSCOMPILING)
  include(${CMAKE_CURRENT_LIST_DIR}/win32-deps.cmake)
endif()

# xxHash (Debian's libxxhash-dev), header-only: the document checksums and the
# hashes of the case-insensitive name tables. The cross-build has its own.
if(NOT TARGET vexo_xxhash)
  find_path(VEXO_XXHASH_INCLUDE xxhash.h)
  if(NOT VEXO_XXHASH_INCLUDE)
    message(FATAL_ERROR "xxhash.h not found: install libxxhash-dev")
  endif()
  add_library(vexo_xxhash INTERFACE)
  target_include_directories(vexo_xxhash SYSTEM INTERFACE ${VEXO_XXHASH_INCLUDE})
endif()

function(vexo_stamp_sources target)
  get_target_property(srcs ${target} SOURCES)
  get_target_property(srcdir ${target} SOURCE_DIR)
  foreach(src IN LISTS srcs)
    if(src MATCHES "\\.(c|cc|cpp)$")
      get_filename_component(abs ${src} ABSOLUTE BASE_DIR ${srcdir})
      file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${abs})
      set_property(SOURCE ${src} APPEND PROPERTY COMPILE_DEFINITIONS "VEXO_MODULE_PATH=\"${rel}\"")
    endif()
  endforeach()
  target_compile_options(${target} PRIVATE -include ${VEXO_MODULE_HEADER})
  target_compile_definitions(${target} PRIVATE
    VEXO_VERSION="${PROJECT_VERSION}"
    VEXO_DOTTED_VERSION="${VEXO_DOTTED_VERSION}"
    VEXO_RELEASE_DATE="${VEXO_RELEASE_DATE}"
    VEXO_RELEASE_TIME="${VEXO_RELEASE_TIME}")
endfunction()

# vexo_library(name SOURCES a.cpp b.cpp ... [LIBS dep1 dep2 ...] [PRIVATE_LIBS ...]):
# LIBS are the libraries whose headers this one's headers include or whose
# code it calls; PRIVATE_LIBS are used inside its sources only.
function(vexo_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(ARG_LIBS)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  endif()
  if(ARG_PRIVATE_LIBS)
    target_link_libraries(${name} PRIVATE ${ARG_PRIVATE_LIBS})
  endif()
  vexo_stamp_sources(${name})
endfunction()

# vexo_program(name SOURCES main.cpp ... [LIBS ...]): lands in build/bin; its
# main can run in the program frame (platform/program.h).
function(vexo_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} vexo_main)
  vexo_stamp_sources(${name})
endfunction()

# vexo_test(name SOURCES t.cpp ... [LIBS ...]): one GoogleTest binary, one CTest entry.
function(vexo_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  if(WIN32)
    target_compile_options(${name} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/support/win32_posix.h)
  endif()
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT
    "VEXO_SOURCE_DIR=${PROJECT_SOURCE_DIR};VEXO_BINARY_DIR=${PROJECT_BINARY_DIR}")
  # Where the build has a server engine, every test may reach the private
  # server of this tree (tests/CMakeLists.txt starts and stops it).
  if(VEXO_PG_CLUSTER)
    set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
      "VEXO_PG_CLUSTER=${VEXO_PG_CLUSTER}" "PGSERVICEFILE=${VEXO_PG_CLUSTER}/pg_service.conf" "PGSERVICE=vexotest")
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED vexo_pg)
  endif()
endfunction()
