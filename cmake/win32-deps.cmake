# Third-party libraries of the Windows cross-build, built from source here
# because the build machine has none for the target:
#   - GoogleTest and GoogleMock from VEXO_GOOGLETEST_SOURCE (Debian's sources);
#   - SQLite from the amalgamation in VEXO_SQLITE_AMALGAMATION (sqlite3.c and
#     sqlite3.h; scripts/test-windows fetches and verifies it);
#   - the header-only libraries from the build machine's own headers
#     (VEXO_NLOHMANN_JSON_INCLUDE, VEXO_RAPIDJSON_HEADERS, VEXO_BOOST_HEADERS,
#     VEXO_XXHASH_HEADER), reached through links so that no other header of
#     the build machine is in the include path.
# find_package(GTest), find_package(SQLite3) and find_package(nlohmann_json)
# in the folders then find these targets through CMake's package redirects,
# so the folders stay unchanged.

set(VEXO_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the cross-build")
set(VEXO_SQLITE_AMALGAMATION "" CACHE PATH "Folder holding sqlite3.c and sqlite3.h")
set(VEXO_NLOHMANN_JSON_INCLUDE /usr/include/nlohmann CACHE PATH "Folder holding the JSON library's json.hpp")

if(NOT EXISTS ${VEXO_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${VEXO_GOOGLETEST_SOURCE} (set VEXO_GOOGLETEST_SOURCE)")
endif()
if(NOT EXISTS ${VEXO_SQLITE_AMALGAMATION}/sqlite3.c OR NOT EXISTS ${VEXO_SQLITE_AMALGAMATION}/sqlite3.h)
  message(FATAL_ERROR "No SQLite amalgamation in '${VEXO_SQLITE_AMALGAMATION}' (set VEXO_SQLITE_AMALGAMATION)")
endif()

# GoogleTest: its own warnings are not ours to fix.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${VEXO_GOOGLETEST_SOURCE} ${PROJECT_BINARY_DIR}/third_party/googletest EXCLUDE_FROM_ALL)
foreach(lib gtest gtest_main gmock gmock_main)
  target_compile_options(${lib} PRIVATE -w)
  if(NOT TARGET GTest::${lib})
    add_library(GTest::${lib} ALIAS ${lib})
  endif()
endforeach()
file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/gtest-config.cmake
  "# GoogleTest is built by the cross-build itself.\nset(GTest_FOUND TRUE)\n")

# SQLite: the amalgamation as a static library, with SQLite's own options only.
add_library(vexo_sqlite3 STATIC ${VEXO_SQLITE_AMALGAMATION}/sqlite3.c)
target_include_directories(vexo_sqlite3 SYSTEM PUBLIC ${VEXO_SQLITE_AMALGAMATION})
target_compile_definitions(vexo_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION)
target_compile_options(vexo_sqlite3 PRIVATE -w)
add_library(SQLite::SQLite3 ALIAS vexo_sqlite3)
file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/sqlite3-config.cmake
  "# SQLite is built by the cross-build itself from its amalgamation.\nset(SQLite3_FOUND TRUE)\n")

# vexo_header_link(FOLDER SOURCE CHECK PACKAGE): links the build machine's
# SOURCE (a header folder or one header) into third_party/FOLDER under its own
# name, after checking that SOURCE followed by CHECK exists.
function(vexo_header_link folder source check package)
  if(NOT EXISTS ${source}${check})
    message(FATAL_ERROR "No ${source}${check} (install ${package} or set the cache entry naming ${source})")
  endif()
  get_filename_component(leaf ${source} NAME)
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/third_party/${folder})
  file(CREATE_LINK ${source} ${PROJECT_BINARY_DIR}/third_party/${folder}/${leaf} SYMBOLIC)
endfunction()

# JSON: header-only; <nlohmann/json.hpp> resolves through the link.
vexo_header_link(json-include ${VEXO_NLOHMANN_JSON_INCLUDE} /json.hpp nlohmann-json3-dev)
add_library(vexo_nlohmann_json INTERFACE)
target_include_directories(vexo_nlohmann_json SYSTEM INTERFACE ${PROJECT_BINARY_DIR}/third_party/json-include)
add_library(nlohmann_json::nlohmann_json ALIAS vexo_nlohmann_json)
file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/nlohmann_json-config.cmake
  "# The JSON library's headers are taken from the build machine.\nset(nlohmann_json_FOUND TRUE)\n")

# The record codec's JSON reader: header-only; <rapidjson/...> resolves
# through a link, and message/CMakeLists.txt finds it there.
set(VEXO_RAPIDJSON_HEADERS /usr/include/rapidjson CACHE PATH "RapidJSON's header folder (rapidjson-dev)")
vexo_header_link(rapidjson-include ${VEXO_RAPIDJSON_HEADERS} /reader.h rapidjson-dev)
set(VEXO_RAPIDJSON_INCLUDE ${PROJECT_BINARY_DIR}/third_party/rapidjson-include CACHE PATH
  "Folder holding rapidjson/reader.h" FORCE)

# dossa's base64 (Boost's dataflow iterators): header-only; <boost/...>
# resolves through a link, and tools/dossa/CMakeLists.txt finds it there.
set(VEXO_BOOST_HEADERS /usr/include/boost CACHE PATH "Boost's header folder (libboost-dev)")
vexo_header_link(boost-include ${VEXO_BOOST_HEADERS} /archive/iterators/base64_from_binary.hpp libboost-dev)
set(VEXO_BOOST_INCLUDE ${PROJECT_BINARY_DIR}/third_party/boost-include CACHE PATH
  "Folder holding boost/archive/iterators/base64_from_binary.hpp" FORCE)

# xxHash: header-only; the build machine's xxhash.h alone, through a link.
set(VEXO_XXHASH_HEADER /usr/include/xxhash.h CACHE FILEPATH "xxHash's header (libxxhash-dev)")
vexo_header_link(xxhash-include ${VEXO_XXHASH_HEADER} "" libxxhash-dev)
add_library(vexo_xxhash INTERFACE)
target_include_directories(vexo_xxhash SYSTEM INTERFACE ${PROJECT_BINARY_DIR}/third_party/xxhash-include)
