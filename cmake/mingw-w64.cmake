# Cross-build for Windows with MinGW-w64 (Debian's g++-mingw-w64-*). Included
# by the toolchain files mingw-w64-i686.cmake (32-bit) and
# mingw-w64-x86_64.cmake (64-bit), which set VEXO_MINGW_TRIPLE,
# CMAKE_SYSTEM_PROCESSOR and VEXO_WINE_LOADER first.
#
# The "-posix" compilers are used because they carry std::thread and std::mutex.
# Programs are linked statically so that they need no DLL beyond Windows' own;
# CMAKE_CROSSCOMPILING_EMULATOR lets CTest run the test binaries under Wine.

set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VEXO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEXO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VEXO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VEXO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C99 printf family (%zu, %lld) instead of the old system runtime's.
set(CMAKE_C_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")
set(CMAKE_CXX_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")

# Console programs with the C and C++ runtimes (and winpthreads) linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -mconsole")

# The Wine loader that runs programs of this word size (a cache entry, so that
# scripts can name another one).
set(VEXO_WINE "${VEXO_WINE_LOADER}" CACHE FILEPATH "Wine loader that runs the test binaries")
if(VEXO_WINE AND EXISTS "${VEXO_WINE}")
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VEXO_WINE})
endif()
