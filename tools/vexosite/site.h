#pragma once
// The screens of a definition database as a static site: an index of the
// messages and one page for each, drawn from the same screen model as
// vexomap's terminal drawing. The pages need nothing from outside (their
// styles and scripts are inline), the same definitions give the same bytes,
// and every name and text is escaped.

#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "common/zo_types.h"
#include "defs/zo_message_def.h"
#include "tools/vexomap/map_view.h"

class ZoMessage;

// What the index says of one message.
struct VexositeEntry {
  std::string name;
  std::string file;  // the page's file name in the site's folder ("" when the message could not be built)
  ZO_LONG recordSize = 0;
  ZO_LONG fieldCount = 0;
  ZO_LONG textCount = 0;
  std::string problem;  // why there is no page, or what the page could not show
};

// The input flags a field's definition keeps (vexopxm /a: NUM and IC).
// The input flags of a message's fields by the names its fields have
// (vexomapInputFlags reads them).
using VexositeFlags = VexomapInputFlags;
using VexositeFieldFlags = std::map<std::string, VexositeFlags, std::less<>>;

// `text` with &, <, >, " and ' written as character references.
std::string vexositeEscape(std::string_view text);

// The page's file name for message `name`: "m-" and the name, each byte that
// is not a letter, digit or underscore written as '~' and two hex digits.
std::string vexositePageFile(std::string_view name);

// The page of `message` with its screen texts `texts`; fills `entry` (name,
// file, sizes and counts).
//
// The screen is a grid of the drawn size (the map's, or 24 by 80): one line
// of text for each row (data-row, from 1) holding the screen texts as
// vexomap draws them, the columns a field covers left blank, and each field
// on the screen an input over its columns (data-row, data-column,
// data-width) with maxlength and size its length. Numeric fields (the
// numeric flag, or a LONG, SHORT or BYTE type) take digits only (inputmode
// numeric, a pattern, and a script that refuses other characters),
// protected fields are read-only (class "protected"), dark fields show
// nothing typed (type password, class "dark", drawn transparent), looks are
// classes ("bright", "c-red", "h-underline", ...). The first field on the
// screen with the cursor flag has autofocus (a later one with the flag is
// marked "cursor-extra" in the field table, with a note), or without one the
// first field that can be typed into (neither protected nor dark); the
// page's script names the focused field in the body's data-focused. `flags`
// are the fields' input flags, by name. A field overlapping another is
// marked "overlap", one cut at the right edge "cut"; fields off the screen
// or without a position are only in the field table, marked. Beside the
// screen: the field table, the record layout (offset, length, type) and a
// sample JSON record of the fields' values (a field without one: its pad
// character to its length, or 0).
std::string vexositeMessagePage(ZoMessage& message, const std::vector<ZoScreenText>& texts, VexositeEntry& entry,
                                const VexositeFieldFlags& flags = {});

// The index: every entry with its size and counts, and a filter box that
// narrows the list to the names holding what is typed (also read from the
// page's "?q=" on load); the body's data-shown counts the rows shown.
std::string vexositeIndexPage(const std::vector<VexositeEntry>& entries);

// What vexosite --help prints.
inline constexpr const char* kVexositeHelp =
    "usage: vexosite folder [messagename...]\n"
    "       vexosite --help | --version\n"
    "Writes a static site of the messages' screens into folder: index.html and one page\n"
    "for each message (every message of the database when none is named), from the\n"
    "definition database vexo.ini names.\n";

// The program: "vexosite folder [messagename...]"; without names, every message
// the database lists. Builds each message through a
// session configured by VEXO_INI_PATH and writes its page and the index into
// `folder` (made when missing). A message that cannot be built is listed in
// the index with its error and has no page. Returns 0 when every page was
// written, 2 for a usage error, 1 when the session, a message or a file failed.
int vexositeRun(int argc, char* argv[], std::FILE* out, std::FILE* err);
