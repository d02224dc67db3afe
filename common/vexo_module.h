// Force-included into every translation unit by the build (see cmake/Vexo.cmake).
// Embeds the code-level string once per program and one "@(#) " version string
// per source module, as plain NUL-terminated text that vexolev can find.
#pragma once

#ifdef __cplusplus
#define VEXO_MODULE_STORAGE inline
#else
#define VEXO_MODULE_STORAGE static
#endif

#ifndef VEXO_VERSION
#error "the build defines VEXO_VERSION (the project version)"
#endif
#define VEXO_CODE_LEVEL_TEXT "@(!)      ***** Code Level is " VEXO_VERSION " *****"

// One definition per program: an inline variable is merged by the linker.
VEXO_MODULE_STORAGE __attribute__((used)) const char vexoCodeLevel[] = VEXO_CODE_LEVEL_TEXT;

#if defined(VEXO_MODULE_PATH) && defined(VEXO_DOTTED_VERSION)
// Module path, component, release, build level, dotted version, date and time.
static __attribute__((used)) const char vexoModuleVersion[] =
    "@(#) " VEXO_MODULE_PATH ", vexo, r001, b0001  " VEXO_DOTTED_VERSION " " VEXO_RELEASE_DATE
    " " VEXO_RELEASE_TIME;
#endif
