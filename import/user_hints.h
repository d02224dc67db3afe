#pragma once
// The hint lines that follow an error line of the programs: which object the
// error is about and what the user can do next. Each function gathers what it
// needs from what the objects keep and returns the lines without their
// indentation; UserMessage::hint prints them.

#include <string>
#include <vector>

#include "common/zo_types.h"

class ZoSession;

// After the open error of source `fileName`: the path and the operating
// system's reason (`openError` as PXMFile::GetOpenError gives it).
std::vector<std::string> PXMSourceHints(const char* fileName, int openError);

// After the error of a session that could not be started: the configuration
// file that was looked for, the database and what to do about it.
std::vector<std::string> PXMSessionHints(const ZoSession& session);

// After the error of a map that could not be composed or written: the map,
// the field (empty when the error is not about one), its source line and, when
// the composer knows it (see PXMMessage::getErrorReason), why it failed.
std::vector<std::string> PXMMapHints(ZO_ULONG code, const char* mapName, const char* fieldName, ZO_LONG line,
                                     const char* reason = nullptr);

// After the error of a message that could not be read from the database.
std::vector<std::string> PXMMessageHints(ZO_ULONG code, const char* messageName, const ZoSession& session);
