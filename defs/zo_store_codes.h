#pragma once
// The outcome record that the definition and security stores share: the
// internal code of the last operation, and the underlying store's own status
// and text when the store itself failed.

#include "../common/vexo_export.h"
#include "../common/outcome.h"
#include "../common/zo_types.h"
#include "../defs/zo_string.h"

// Threads: no lock; the codes belong to the object that exposes them and
// are used by that object's one thread at a time.
class VEXO_API ZoStoreCodes {
 protected:
  // `systemErrorCode` is the code a failure of the underlying store sets.
  explicit ZoStoreCodes(ZO_ULONG systemErrorCode) : systemErrorCode_(systemErrorCode) {}

  // Start of every operation: clears both codes and the text.
  void clearCodes() {
    errorCode_ = 0;
    dbErrorCode_ = 0;
    dbErrorText_ = "";
  }
  // Sets the error code; returns FALSE so that a failing path can `return fail(...)`.
  ZO_BOOLEAN fail(ZO_ULONG errorCode) { return zoSetOutcome(errorCode_, errorCode); }
  // A failure of the underlying store: the system-error code with its status and text.
  ZO_BOOLEAN failSystem(ZO_LONG dbErrorCode, const ZoString& dbErrorText) {
    errorCode_ = systemErrorCode_;
    dbErrorCode_ = dbErrorCode;
    dbErrorText_ = dbErrorText;
    return ZO_FALSE;
  }
  // TRUE exactly when the error code is 0.
  ZO_BOOLEAN succeeded() const { return zoSucceeded(errorCode_); }

  // Protected so that concrete stores can name them in XTR_METHOD.
  ZO_ULONG errorCode_ = 0;
  ZO_LONG dbErrorCode_ = 0;
  ZoString dbErrorText_;

 private:
  ZO_ULONG systemErrorCode_;
};
