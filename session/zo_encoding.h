#pragma once
// Numeric encodings (byte order of binary numbers) and the platform names
// that select them in the configuration and in service definitions.

#include "common/zo_types.h"
#include "defs/zo_string.h"

// Little-endian platforms, and the value of "Local".
inline constexpr ZO_LONG ZO_ENCODING_LITTLE_ENDIAN = 0x222;  // 546
// Big-endian platforms.
inline constexpr ZO_LONG ZO_ENCODING_BIG_ENDIAN = 0x111;  // 273
// The mainframe host, known only to service definitions.
inline constexpr ZO_LONG ZO_ENCODING_HOST = 0x311;  // 785

// Which names a lookup accepts: the platform names of "vexo.ini", or those
// plus the host name that a service definition may give.
enum class ZoEncodingNames { PLATFORMS, PLATFORMS_AND_HOST };

// Encoding of a platform name such as "Local", "Windows NT" or "Sun OS",
// compared without regard to case; 0 when the name is not known.
ZO_LONG zoEncodingOfName(const ZoString& name, ZoEncodingNames names);
