#pragma once
// ZoErrorCodes: the completion code and public return code that a library
// object exposes to its application.
//
// Objects that can fail derive from it. Those that raise internal codes keep
// the internal code of their last operation in a field of their own, then call
// setFromInternalCode() to derive the two public values from it.

#include "../common/vexo_export.h"
#include "../common/zo_types.h"

// Completion codes.
inline constexpr ZO_ULONG ZOCC_NONE = 0;
inline constexpr ZO_ULONG ZOCC_WARNING = 1;
inline constexpr ZO_ULONG ZOCC_ERROR = 2;

// Threads: no lock; the codes belong to the object that exposes them and
// are used by that object's one thread at a time.
class VEXO_API ZoErrorCodes {
 public:
  // Both codes start at 0.
  ZoErrorCodes() = default;
  ZoErrorCodes(const ZoErrorCodes& other) = default;
  // Copies both codes; assignment to itself changes nothing.
  ZoErrorCodes& operator=(const ZoErrorCodes& other) = default;
  virtual ~ZoErrorCodes() = default;

  // Derives the completion code and public return code from an internal code:
  // 0 gives 0 and 0; a code with a generic public code gets that code; any
  // other gets (family * 1000 + number). Warning-class codes (bit 28) give
  // completion code 1, except those mapped to ZORC_UNEXPECTED_ERROR, which
  // always give 2; every other code gives 2. Never fails.
  void setFromInternalCode(ZO_ULONG internalCode);

  // Sets both codes to 0.
  void clearCodes();

  ZO_ULONG getCompletionCode() const { return m_completionCode; }
  ZO_LONG getPublicReturnCode() const { return m_publicReturnCode; }

 private:
  ZO_ULONG m_completionCode = ZOCC_NONE;
  ZO_LONG m_publicReturnCode = 0;
};
