# Toolchain file: 32-bit Windows programs (PE32), run under 32-bit Wine.
set(VEXO_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
find_program(VEXO_WINE_LOADER NAMES wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
