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
if(NOT EXISTS ${VEXO_NLOHMANN_JSON_INCLUDE}/json.hpp)
  message(FATAL_ERROR "No json.hpp in ${VEXO_NLOHMANN_JSON_INCLUDE} (install nlohmann-json3-dev or set VEXO_NLOHMANN_JSON_INCLUDE)")
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

# JSON: header-only; <nlohmann/json.hpp> resolves through the link.
set(VEXO_JSON_INCLUDE_ROOT ${PROJECT_BINARY_DIR}/third_party/json-include)
file(MAKE_DIRECTORY ${VEXO_JSON_INCLUDE_ROOT})
file(CREATE_LINK ${VEXO_NLOHMANN_JSON_INCLUDE} ${VEXO_JSON_INCLUDE_ROOT}/nlohmann SYMBOLIC)
add_library(vexo_nlohmann_json INTERFACE)
target_include_directories(vexo_nlohmann_json SYSTEM INTERFACE ${VEXO_JSON_INCLUDE_ROOT})
add_library(nlohmann_json::nlohmann_json ALIAS vexo_nlohmann_json)
file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/nlohmann_json-config.cmake
  "# The JSON library's headers are taken from the build machine.\nset(nlohmann_json_FOUND TRUE)\n")

# The record codec's JSON reader: header-only; <rapidjson/...> resolves
# through a link, and message/CMakeLists.txt finds it there.
set(VEXO_RAPIDJSON_HEADERS /usr/include/rapidjson CACHE PATH "RapidJSON's header folder (rapidjson-dev)")
if(NOT EXISTS ${VEXO_RAPIDJSON_HEADERS}/reader.h)
  message(FATAL_ERROR "No reader.h in ${VEXO_RAPIDJSON_HEADERS} (install rapidjson-dev or set VEXO_RAPIDJSON_HEADERS)")
endif()
set(VEXO_RAPIDJSON_ROOT ${PROJECT_BINARY_DIR}/third_party/rapidjson-include)
file(MAKE_DIRECTORY ${VEXO_RAPIDJSON_ROOT})
file(CREATE_LINK ${VEXO_RAPIDJSON_HEADERS} ${VEXO_RAPIDJSON_ROOT}/rapidjson SYMBOLIC)
set(VEXO_RAPIDJSON_INCLUDE ${VEXO_RAPIDJSON_ROOT} CACHE PATH "Folder holding rapidjson/reader.h" FORCE)

# dossa's base64 (Boost's dataflow iterators): header-only; <boost/...>
# resolves through a link, and tools/dossa/CMakeLists.txt finds it there.
set(VEXO_BOOST_HEADERS /usr/include/boost CACHE PATH "Boost's header folder (libboost-dev)")
if(NOT EXISTS ${VEXO_BOOST_HEADERS}/archive/iterators/base64_from_binary.hpp)
  message(FATAL_ERROR "No archive/iterators/base64_from_binary.hpp in ${VEXO_BOOST_HEADERS} (install libboost-dev or set VEXO_BOOST_HEADERS)")
endif()
set(VEXO_BOOST_ROOT ${PROJECT_BINARY_DIR}/third_party/boost-include)
file(MAKE_DIRECTORY ${VEXO_BOOST_ROOT})
file(CREATE_LINK ${VEXO_BOOST_HEADERS} ${VEXO_BOOST_ROOT}/boost SYMBOLIC)
set(VEXO_BOOST_INCLUDE ${VEXO_BOOST_ROOT} CACHE PATH "Folder holding boost/archive/iterators/base64_from_binary.hpp" FORCE)

# xxHash: header-only; the build machine's xxhash.h alone, through a link.
set(VEXO_XXHASH_HEADER /usr/include/xxhash.h CACHE FILEPATH "xxHash's header (libxxhash-dev)")
if(NOT EXISTS ${VEXO_XXHASH_HEADER})
  message(FATAL_ERROR "No ${VEXO_XXHASH_HEADER} (install libxxhash-dev or set VEXO_XXHASH_HEADER)")
endif()
set(VEXO_XXHASH_INCLUDE_ROOT ${PROJECT_BINARY_DIR}/third_party/xxhash-include)
file(MAKE_DIRECTORY ${VEXO_XXHASH_INCLUDE_ROOT})
file(CREATE_LINK ${VEXO_XXHASH_HEADER} ${VEXO_XXHASH_INCLUDE_ROOT}/xxhash.h SYMBOLIC)
add_library(vexo_xxhash INTERFACE)
target_include_directories(vexo_xxhash SYSTEM INTERFACE ${VEXO_XXHASH_INCLUDE_ROOT})
