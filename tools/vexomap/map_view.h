#pragma once
// The screen a message describes, drawn as text: a frame of the message's
// rows and columns with each field at its place, followed by a table of the
// fields in order.

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/zo_types.h"
#include "defs/zo_message_def.h"

class ZoField;
class ZoMessage;
class ZoSession;
class UserMessage;

// Screen size used when the message's definition gives none.
inline constexpr ZO_LONG VEXOMAP_DEFAULT_ROWS = 24;
inline constexpr ZO_LONG VEXOMAP_DEFAULT_COLUMNS = 80;
// Largest screen drawn; a definition asking for more is drawn this size (the
// table still lists every field).
inline constexpr ZO_LONG VEXOMAP_MAX_ROWS = 200;
inline constexpr ZO_LONG VEXOMAP_MAX_COLUMNS = 400;

// Where a field lands on the drawn screen.
// The input flags a field definition keeps (imported with /a); a field at
// run time does not carry them.
struct VexomapInputFlags {
  bool numeric = false;  // digits only
  bool cursor = false;   // the cursor starts in the field
};
// The flags of the fields of message `name` that have one on, by the names
// the message gives its fields, from the session's definition database; none
// for a database or field that does not keep them.
std::map<std::string, VexomapInputFlags, std::less<>> vexomapInputFlags(ZoSession& session, const char* name);

enum class VexomapPlacement {
  kInside,        // wholly inside the frame
  kCut,           // from its column on the screen past the right edge
  kBelow,         // its row is past the last row
  kRight,         // its row is on the screen, its column past the last one
  kUnpositioned,  // row or column 0: the definition gives it no place
};

// One column of the drawn screen. A character two columns wide fills its
// cell and leaves the next one as its continuation, which holds no bytes.
// `style` holds the SGR parameters of the look drawn there ("" for none).
struct VexomapCell {
  std::string bytes = " ";
  bool wide = false;
  bool continuation = false;
  std::string style;
};

// The screen of a message as vexomapRender draws it, before it becomes text:
// the views of the screen (the terminal drawing, the site's pages) all start
// from this one model.
struct VexomapScreen {
  ZO_LONG rows = 0;  // the size drawn
  ZO_LONG columns = 0;
  ZO_LONG definedRows = 0;  // the size the definition gives (0: none)
  ZO_LONG definedColumns = 0;
  std::vector<const ZoField*> fields;        // in the message's order; owned by the message
  std::vector<VexomapPlacement> placements;  // one for each field
  std::vector<std::size_t> widths;           // the columns each field takes on the screen
  std::vector<std::string> textNotes;        // one for each screen text: "", " (off screen)", ...
  std::vector<std::vector<VexomapCell>> cells;  // rows of `columns` cells
  std::string bottom;                        // the bottom edge with its marks
  std::vector<char> rightEdge;               // the right edge of each row
  std::vector<std::string> unpositioned;     // names of the fields without a place
};

// The screen of `message` with the screen texts drawn first and the fields
// over them, as vexomapRender describes.
VexomapScreen vexomapScreen(ZoMessage& message, bool showValues, const std::vector<ZoScreenText>& texts);

// The SGR parameters of a look ("1;36;4"): bright as bold, its color, its
// highlight; none for a dark one.
std::string vexomapStyle(ZO_LONG intensity, ZO_LONG color, ZO_LONG highLight);

// The screen texts the definition database of `session` keeps for the
// message `name`: a document database reads them on request, a text
// database with the definition. None when the database has none for it;
// false when they cannot be read.
bool vexomapScreenTexts(ZoSession& session, const char* name, std::vector<ZoScreenText>& texts);

// A data type's keyword ("STRING"), "NONE", or its number when it has no name.
std::string vexomapTypeName(ZO_LONG dataType);
// A field that is not shown (intensity dark), and one that cannot be typed
// into (protected); both only for a field with display attributes.
bool vexomapIsDark(const ZoField& field);
bool vexomapIsProtected(const ZoField& field);

// After building `message` (named `name`) through `session`: a failure is
// written to `messages` as an error line with the public return code and its
// hints. True when the message is worth drawing (no error, or a warning).
bool vexomapReportBuild(ZoMessage& message, const char* name, ZoSession& session, UserMessage& messages);

// Draws `message`. Each field occupies its length from its row and column
// (both counted from 1), cut at the right edge; it shows its name, or its
// value when `showValues` is set (authenticators as '*'), padded to its
// length with '_', or with '.' when it is protected. A dark field is drawn
// as blanks. Lengths are screen columns: a UTF-8 character is whole or not
// drawn, a wide one takes two columns, and a control character or a byte
// that is not UTF-8 shows as '?', so every row of the frame is as wide as
// the screen. Fields outside the frame appear only in the table, marked
// "(off screen)", with a 'v' under the bottom edge at the column of one
// whose row is past the last row and a '>' for the right edge of the row of
// one that starts past the last column; a field cut at the right edge is
// marked "(cut at column N)". A field with row or column 0 is not drawn: a
// line "Unpositioned:" under the frame names it and the table marks it
// "(no position)". The table also marks dark and protected fields. The
// heading gives the size the definition has, or says that it has none.
// With `color`, each field with display attributes is drawn within ANSI
// escape sequences (SGR): bright as bold (1), its color (blue 34, red 31,
// pink 35, green 32, turquoise 36, yellow 33, neutral 37), reverse video
// (7), underline (4) or blink (5), each run ended by a reset (0) before the
// frame; a dark field stays blank. Without it no escape is written.
// The screen's own texts (captions, headings) are drawn first, at their
// places and in their looks, and listed after the fields with the same marks.
std::string vexomapRender(ZoMessage& message, bool showValues, bool color = false,
                          const std::vector<ZoScreenText>& texts = {});

// Whether "--color=WHEN" (auto, always or never) asks for escape sequences
// on `out`: auto only when `out` is a terminal, TERM is set and not "dumb",
// and NO_COLOR is unset or empty.
bool vexomapWantsColor(const char* when, std::FILE* out);

// What vexomap --help prints.
inline constexpr const char* kVexomapHelp =
    "usage: vexomap [/v] [--color[=auto|always|never]] messagename\n"
    "       vexomap --help | --version\n"
    "Draws the screen the message definition describes (/v: the fields' values\n"
    "instead of their names), from the definition database vexo.ini names; see vexomap(1).\n"
    "Input fields are padded with '_', protected fields with '.'; dark fields are blank.\n"
    "--color: the fields' colors and highlights as escape sequences (auto, the default:\n"
    "only on a terminal whose TERM is not dumb, and without NO_COLOR).\n";

// The program: "vexomap [/v] [--color[=WHEN]] messagename". Builds the message through a
// session configured by VEXO_INI_PATH and writes the drawing to `out`; the
// usage line goes to `err`, error lines (with the public return code) too, as
// the import program writes them. Returns 0 on success, 2 for a usage error
// (PROGRAM_EXIT_USAGE), 1 when the session or the message cannot be built.
int vexomapRun(int argc, char* argv[], std::FILE* out, std::FILE* err);
