# Cross-build for 32-bit Windows with MinGW-w64 (Debian's g++-mingw-w64-i686).
#
# The "-posix" compilers are used because they carry std::thread and std::mutex.
# Programs are linked statically so that they need no DLL beyond Windows' own;
# CMAKE_CROSSCOMPILING_EMULATOR lets CTest run the test binaries under Wine.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(VEXO_MINGW_TRIPLE i686-w64-mingw32)
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

find_program(VEXO_WINE NAMES wine)
if(VEXO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VEXO_WINE})
endif()
