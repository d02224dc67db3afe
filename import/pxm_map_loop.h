#pragma once
// The loop of the import over the statements of a source file.

#include "import/pxm_checks.h"
#include "import/pxm_file.h"
#include "import/pxm_message.h"
#include "import/user_message.h"

// Imports every map of the source: for each "PXMMAP" statement, prints the
// progress line, counts the "PXMFLD" statements that follow ("SPACE" is passed
// over, anything else ends the map), goes back and hands the map and its
// fields to the composer, then reads the statement that ended the map again.
// Statements outside a map are passed over. Returns true at the end of the
// source, false after printing an error line: the composer's error, or the
// open error when the source stopped being readable (a map that could not be
// read whole is not written). Maps written before an error stay written.
// When `checks` is given (borrowed), every statement is shown to it as well.
// When `maps` is given, it is raised by one for every map written.
bool PXMImportMaps(PXMFile& reader, PXMMessage& composer, UserMessage& message, PXMChecks* checks = nullptr,
                   ZO_LONG* maps = nullptr);
