#pragma once
// Texts the trace and the failure report share: formatting, ids, the names of
// the per-process files, times of day and the build date. Plain functions of
// their arguments and the clock: any thread may call them. Not for use
// outside common/.

#include <cstdarg>
#include <string>

#include "common/services.h"
#include "common/zo_types.h"

// printf-style formatting into a string of whatever length it needs.
std::string xtrFormatV(const char* format, va_list args);
// Appends printf-formatted text to a string.
void xtrAppendF(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// A process or thread id as the trace shows it: non-negative, and reduced
// modulo 100000 when it exceeds 99999.
ZO_LONG xtrNormaliseId(long long id);

// The first XRK_NAME_PREFIX_LENGTH characters of the block's trace prefix.
std::string xrkNamePrefix(const XrkControlBlock& block);

// File name of a per-process file ("TRC", "FDC"): a 3-character prefix is
// followed by the 5-digit process id, any other by the process id modulo 10000
// in 4 digits; then "." and the extension.
std::string xrkProcessFileName(const std::string& prefix, ZO_LONG processId, const char* extension);

// Build date of the library in the form "Aug 12 1997" (the compiler's
// date of this build).
const char* xtrBuildDate();

// Local time of day as "hh:mm:ss" and the 24-character "Www Mmm dd hh:mm:ss yyyy".
std::string xtrTimeOfDay(int* milliseconds);
std::string xtrDateTime24();
