#pragma once
// System utilities of the common-services layer: the system code page, the
// current date and time as text, and a pause.
//
// Threads: every function may be called from any thread; none keeps state.

#include "common/zo_types.h"

// Code page used when neither the console nor the system names one.
inline constexpr ZO_LONG XRK_DEFAULT_CODE_PAGE = 437;

// Options of xrkQueryDateTime2.
inline constexpr ZO_SHORT XRK_DATETIME_LOCAL = 1;
inline constexpr ZO_SHORT XRK_DATETIME_UTC = 2;

// The system code page: the console's input code page when there is one, else
// the system's default code page, else XRK_DEFAULT_CODE_PAGE after writing a
// failure report. Never fails.
ZO_LONG ObtainSystemCp();

// Writes the current date ("%x " of the locale) into dateText and the time
// ("hh:mm:ss") into timeText, each holding at most size - 1 characters and a
// terminator. option: XRK_DATETIME_LOCAL or XRK_DATETIME_UTC. Returns 0,
// xecU_E_INVALID_OPTION, or xecU_E_TIME_ERROR when a text does not fit (a null
// buffer or a size below 1 never fits); the buffers are then undefined.
ZO_ULONG xrkQueryDateTime2(ZO_SHORT option, char* dateText, char* timeText, ZO_SHORT dateSize,
                           ZO_SHORT timeSize);

// Suspends the calling thread for the given time.
void xrkSleep(ZO_ULONG milliseconds);
