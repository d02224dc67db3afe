#pragma once
// Lets GoogleTest print ZoString values in failure messages.

#include <ostream>

#include "defs/zo_string.h"

inline void PrintTo(const ZoString& s, std::ostream* os) { *os << '"' << s.text() << '"'; }
