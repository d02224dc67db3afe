#pragma once
// Scalar types of every interface. Numbers are held in native byte order.
// Every public header includes this one: they need C++17 or later.
#if __cplusplus < 201703L
#error "the vexo headers need C++17 or later (-std=c++17)"
#endif

#include <cstdint>

typedef std::int32_t ZO_LONG;
typedef std::int16_t ZO_SHORT;
typedef std::uint8_t ZO_BYTE;
typedef std::int32_t ZO_BOOLEAN;
// Internal codes and completion codes are unsigned 32-bit values.
typedef std::uint32_t ZO_ULONG;

// The two values of ZO_BOOLEAN. Inside this tree the sources also spell them
// TRUE and FALSE (common/zo_bool.h); those macros stay out of applications.
inline constexpr ZO_BOOLEAN ZO_TRUE = 1;
inline constexpr ZO_BOOLEAN ZO_FALSE = 0;

static_assert(sizeof(ZO_LONG) == 4 && sizeof(ZO_SHORT) == 2 && sizeof(ZO_BYTE) == 1 &&
              sizeof(ZO_BOOLEAN) == 4 && sizeof(ZO_ULONG) == 4);
