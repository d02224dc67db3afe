#pragma once
// VEXO_API marks what the library offers an application: the classes and
// free functions of the public headers. The shared library is compiled with
// hidden visibility (cmake/VexoInstall.cmake), so it exports these only; in
// the archive and in the programs the mark changes nothing. Windows builds
// link statically and have no ELF visibility.
#if defined(__GNUC__) && !defined(_WIN32) && !defined(__CYGWIN__)
#define VEXO_API __attribute__((visibility("default")))
#else
#define VEXO_API
#endif
