#pragma once
// The outcome of an operation of an object that keeps the internal code of its
// last operation: the code is set in one place and the result follows from it,
// so a failing path reads `return zoSetOutcome(errorCode_, ERR_...);`.

#include "../common/zo_types.h"

// ZO_TRUE exactly when `code` is 0.
inline ZO_BOOLEAN zoSucceeded(ZO_ULONG code) { return code == 0 ? ZO_TRUE : ZO_FALSE; }

// Sets `errorCode` to `code`; returns ZO_TRUE exactly when it is 0.
inline ZO_BOOLEAN zoSetOutcome(ZO_ULONG& errorCode, ZO_ULONG code) {
  errorCode = code;
  return zoSucceeded(code);
}

// For a function that returns its code rather than a truth value: records the
// code in `traced` (the value its trace exit line shows) and returns it as is.
inline ZO_LONG zoSetOutcomeCode(ZO_ULONG& traced, ZO_LONG code) {
  traced = static_cast<ZO_ULONG>(code);
  return code;
}
