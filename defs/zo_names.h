#pragma once
// The two name rules and the format rule of the library, written once for
// every class that checks them (definitions, fields, messages, services).
//
//  - message name (also message-definition and service names): isAllowedCharSet
//    and at most ZO_MAX_MESSAGE_NAME characters (trailing blanks count);
//  - field name: isAlNum, at most ZO_MAX_FIELD_NAME characters, and not one of
//    the reserved names, compared without regard to case;
//  - format (of a message and of its definition): isAlNumPad and at most
//    ZO_MAX_FORMAT characters.
// The empty name passes both name rules, the empty format the format rule.

#include "common/zo_types.h"
#include "defs/zo_string.h"

inline constexpr ZO_LONG ZO_MAX_MESSAGE_NAME = 16;
inline constexpr ZO_LONG ZO_MAX_FIELD_NAME = 32;
inline constexpr ZO_LONG ZO_MAX_FORMAT = 8;

enum class ZoNameProblem {
  NONE,
  INVALID_CHARACTERS,
  TOO_LONG,
  RESERVED,
};

// What is wrong with a name, checked in the order characters, length, reserved.
ZoNameProblem zoMessageNameProblem(const ZoString& name);
ZoNameProblem zoFieldNameProblem(const ZoString& name);
// TRUE for "name", "format", "fieldcount", "completioncode", "reasoncode" in any case.
ZO_BOOLEAN zoIsReservedFieldName(const ZoString& name);

// The trace lines a checking class writes for each problem (detail tracing only).
// `tooLong` takes the maximum length as an int ("... = %d"); `reserved` takes
// the name as a string ("... %s").
struct ZoNameTraceLines {
  const char* invalidCharacters;
  const char* tooLong;
  const char* reserved;
};

// Applies a rule and writes the matching trace line; TRUE when the name passes.
// Sets no code: the caller reports its own. A null line is not written.
ZO_BOOLEAN zoCheckMessageName(const ZoString& name, const ZoNameTraceLines& lines);
ZO_BOOLEAN zoCheckFieldName(const ZoString& name, const ZoNameTraceLines& lines);
// Applies the format rule and traces why a format fails it; TRUE when it passes.
// Sets no code.
ZO_BOOLEAN zoCheckFormat(const ZoString& format);
