# What `cmake --install` puts under the prefix, the CMake package and vexo.pc.
#
#   bin/                      the programs
#   lib/                      libvexo.a, or libvexo.so.VERSION with -DBUILD_SHARED_LIBS=ON
#   include/vexo/<folder>/    the public headers (cmake/public_headers.txt)
#   lib/cmake/vexo/           vexoConfig.cmake: find_package(vexo) gives vexo::vexo;
#                             vexo-static-targets.cmake or vexo-shared-targets.cmake
#   lib/pkgconfig/vexo.pc
#   share/vexo/xlat/          the code-page control file and conversion tables
#   share/doc/vexo/examples/  the examples, the application of examples/app among them
#   share/man/man1, man3, man5 the manual pages
#
# Components: "library" (the shared library and the tables it converts with),
# "programs" (programs and their manual pages) and "development" (headers,
# archive, package files, examples, the library's page). scripts/package
# makes the Debian packages from these components of a static and a shared tree.
include(CMakePackageConfigHelpers)

# The whole class library as one archive or one shared library, from the
# objects of the subsystem libraries (the programs keep linking those).
set(VEXO_LIBRARY_PARTS
  vexo_platform vexo_common vexo_defs vexo_config vexo_textdb ndossa vexo_docstore vexo_session vexo_message)
add_library(vexo)
add_library(vexo::vexo ALIAS vexo)
foreach(part IN LISTS VEXO_LIBRARY_PARTS)
  target_sources(vexo PRIVATE $<TARGET_OBJECTS:${part}>)
endforeach()
# The shared library exports what the public headers mark VEXO_API and
# nothing else. Its objects are compiled in the subsystem libraries, so a
# shared tree compiles them with hidden visibility; the programs of that tree
# link the same archives and are unaffected, and the static tree is unchanged.
if(BUILD_SHARED_LIBS)
  set_target_properties(${VEXO_LIBRARY_PARTS} PROPERTIES
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_link_options(vexo PRIVATE "LINKER:--version-script=${PROJECT_SOURCE_DIR}/cmake/vexo.map")
  set_property(TARGET vexo APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/vexo.map)
endif()
if(NOT TARGET SQLite::SQLite3)
  find_package(SQLite3 REQUIRED)
endif()
find_package(Threads REQUIRED)
target_link_libraries(vexo PRIVATE SQLite::SQLite3 Threads::Threads)
if(NOT WIN32)
  if(NOT TARGET PostgreSQL::PostgreSQL)
    find_package(PostgreSQL REQUIRED)
  endif()
  target_link_libraries(vexo PRIVATE PostgreSQL::PostgreSQL)
endif()
# Installed, the headers are reached as <vexo/session/zo_session.h> from
# <prefix>/include alone: they name each other from their own folders. A
# project that adds this tree gets the same spelling from include/vexo in the
# build tree, which links to the public headers' folders (the tree's own
# sources keep theirs).
file(STRINGS ${PROJECT_SOURCE_DIR}/cmake/public_headers.txt VEXO_PUBLIC_HEADERS REGEX "^[^#]")
set(VEXO_PUBLIC_FOLDERS)
foreach(header IN LISTS VEXO_PUBLIC_HEADERS)
  get_filename_component(folder ${header} DIRECTORY)
  list(APPEND VEXO_PUBLIC_FOLDERS ${folder})
endforeach()
list(REMOVE_DUPLICATES VEXO_PUBLIC_FOLDERS)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/include/vexo)
foreach(folder IN LISTS VEXO_PUBLIC_FOLDERS)
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${PROJECT_BINARY_DIR}/include/vexo/${folder} SYMBOLIC)
endforeach()
target_include_directories(vexo INTERFACE
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
  $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/include>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
set_target_properties(vexo PROPERTIES
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR}
  LINKER_LANGUAGE CXX)
target_compile_features(vexo INTERFACE cxx_std_17)

install(TARGETS vexo EXPORT vexoTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library NAMELINK_COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT library)
if(BUILD_SHARED_LIBS)
  set(VEXO_LIBRARY_FORM shared)
else()
  set(VEXO_LIBRARY_FORM static)
endif()
# Each form has a targets file of its own and vexoConfig.cmake is the same for
# both, so a static and a shared tree can install into one prefix.
install(EXPORT vexoTargets NAMESPACE vexo:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vexo
  FILE vexo-${VEXO_LIBRARY_FORM}-targets.cmake COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/vexoConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/vexoConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vexo)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/vexoConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
# vexo.pc names its prefix relative to its own folder, so that it holds
# wherever the installed tree is put (a temporary prefix, an unpacked package).
file(RELATIVE_PATH VEXO_PC_UP /p/${CMAKE_INSTALL_LIBDIR}/pkgconfig /p)
# The server engine's client library, named by itself: libpq's own static
# dependencies are not installed with it, and its shared form serves.
set(VEXO_PC_SERVER_LIBS "")
if(NOT WIN32)
  set(VEXO_PC_SERVER_LIBS "-lpq")
endif()
# The archive needs its dependencies on every link, so the plain `--libs`
# names them; the shared library brings its own and names them private only.
if(BUILD_SHARED_LIBS)
  set(VEXO_PC_REQUIRES "Requires.private: sqlite3")
  set(VEXO_PC_LIBS "")
  set(VEXO_PC_LIBS_PRIVATE "Libs.private: ${VEXO_PC_SERVER_LIBS} -lpthread")
else()
  set(VEXO_PC_REQUIRES "Requires: sqlite3")
  set(VEXO_PC_LIBS " ${VEXO_PC_SERVER_LIBS} -lpthread")
  set(VEXO_PC_LIBS_PRIVATE "")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/vexo.pc.in ${PROJECT_BINARY_DIR}/package/vexo.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/vexoConfig.cmake ${PROJECT_BINARY_DIR}/package/vexoConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vexo COMPONENT development)
install(FILES ${PROJECT_BINARY_DIR}/package/vexo.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

# Public headers, each in the folder it has in the tree.
foreach(header IN LISTS VEXO_PUBLIC_HEADERS)
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vexo/${folder}
    COMPONENT development)
endforeach()

# The programs and the tables they convert with; the conversion module finds
# these tables when VEXO_XLAT_PATH is not set.
set(VEXO_INSTALLED_PROGRAMS vexopxm vexolev dossa vexomap vexosite vexoconv vexorec mktables)
foreach(program IN LISTS VEXO_INSTALLED_PROGRAMS)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
  endif()
endforeach()
install(DIRECTORY ${PROJECT_BINARY_DIR}/share/xlat/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vexo/xlat
  COMPONENT library)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
  COMPONENT development)

# Manual pages, turned from their scdoc sources during the build.
find_program(VEXO_SCDOC scdoc)
file(GLOB VEXO_MAN_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/man/*.scd)
if(VEXO_SCDOC)
  set(VEXO_MAN_PAGES)
  foreach(source IN LISTS VEXO_MAN_SOURCES)
    get_filename_component(page ${source} NAME_WLE)  # vexopxm.1
    string(REGEX REPLACE "^.*\\.([0-9])$" "\\1" section ${page})
    set(output ${PROJECT_BINARY_DIR}/man/${page})
    # The page to read in the tree, and its compressed form to install
    # (gzip -n: the same bytes on every build).
    add_custom_command(OUTPUT ${output} ${output}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND ${VEXO_SCDOC} < ${source} > ${output}
      COMMAND gzip -9nc ${output} > ${output}.gz
      DEPENDS ${source}
      COMMENT "Manual page ${page}")
    list(APPEND VEXO_MAN_PAGES ${output} ${output}.gz)
    set(component programs)
    if(section STREQUAL "3")
      set(component development)  # the library's page goes with the headers
    endif()
    install(FILES ${output}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${component})
  endforeach()
  add_custom_target(man_pages ALL DEPENDS ${VEXO_MAN_PAGES})
else()
  message(WARNING "scdoc not found: no manual pages (scripts/setup installs it)")
endif()

# The Debian packages' own files, made here for scripts/package: the
# copyright file, in the machine-readable form (the notice at the head of
# LICENSE; the full text is the system's own copy, common-licenses), and the
# changelog.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE VEXO_LICENSE_HEAD LIMIT_COUNT 3)
list(JOIN VEXO_LICENSE_HEAD " " VEXO_LICENSE_HEAD)
string(REGEX REPLACE " +" " " VEXO_LICENSE_HEAD "${VEXO_LICENSE_HEAD}")
string(STRIP "${VEXO_LICENSE_HEAD}" VEXO_LICENSE_HEAD)
file(WRITE ${PROJECT_BINARY_DIR}/package/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: vexo

Files: *
Copyright: 2026 the vexo authors
License: Apache-2.0

License: Apache-2.0
 ${VEXO_LICENSE_HEAD} (LICENSE at the top of the source tree).
 .
 Licensed under the Apache License, Version 2.0 (the \"License\"); you may not
 use this software except in compliance with the License.
 .
 On Debian systems, the complete text of the Apache License, Version 2.0,
 can be found in /usr/share/common-licenses/Apache-2.0.
")
string(TIMESTAMP VEXO_CHANGELOG_DATE "%a, %d %b %Y 00:00:00 +0000" UTC)
file(WRITE ${PROJECT_BINARY_DIR}/package/changelog.Debian
"vexo (${PROJECT_VERSION}) unstable; urgency=medium

  * Release ${PROJECT_VERSION}.

 -- vexo maintainers <maintainers@vexo.invalid>  ${VEXO_CHANGELOG_DATE}
")
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/package/changelog.gz
  COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/package/changelog.Debian > ${PROJECT_BINARY_DIR}/package/changelog.gz
  DEPENDS ${PROJECT_BINARY_DIR}/package/changelog.Debian)
add_custom_target(vexo_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/package/changelog.gz)
