#pragma once
// The spelling of ZO_BOOLEAN's two values inside this tree. The build gives
// this header to every C++ source of the tree (top CMakeLists.txt); it is not
// installed, so applications see only ZO_TRUE and ZO_FALSE.

#include "common/zo_types.h"

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
static_assert(TRUE == ZO_TRUE && FALSE == ZO_FALSE);
