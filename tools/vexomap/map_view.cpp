// vexomap: draws the screen a message describes.
#include "tools/vexomap/map_view.h"

#include "platform/platform.h"
#include "platform/program.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "common/return_codes.h"
#include "common/trace.h"
#include "defs/zo_data_types.h"
#include "defs/zo_database.h"
#include "defs/zo_field_def.h"
#include "defs/zo_message_def.h"
#include "docstore/zo_dossa_database.h"
#include "import/user_hints.h"
#include "import/user_message.h"
#include "message/zo_message.h"
#include "session/zo_session.h"

namespace {

constexpr const char* kUsage = "vexomap [/v] messagename";
constexpr int kExitOk = 0;
constexpr int kExitUsage = PROGRAM_EXIT_USAGE;
constexpr int kExitError = PROGRAM_EXIT_FAILURE;
constexpr char kFill = '_';
constexpr char kProtectedFill = '.';
constexpr const char* kColorOption = "--color=";
constexpr const char* kColorAuto = "auto";
constexpr const char* kColorAlways = "always";
constexpr char kHidden = '*';

bool isColorChoice(const char* when) {
  return std::strcmp(when, kColorAuto) == 0 || std::strcmp(when, kColorAlways) == 0 || std::strcmp(when, "never") == 0;
}

std::string numberText(long value) { return std::to_string(value); }

// What a field shows on the screen when values are asked for, at most `room`
// characters of it (a stored length says nothing about the room on screen).
std::string valueText(const ZoField& field, std::size_t room) {
  switch (field.getDataType()) {
    case ZODT_STRING:
      return field.getValue().text();
    case ZODT_LONG:
      return numberText(field.getLongValue());
    case ZODT_SHORT:
      return numberText(field.getShortValue());
    case ZODT_BYTE:
      return numberText(field.getByteValue());
    case ZODT_AUTHENTICATOR:
    case ZODT_SYSTEM_AUTHENTICATOR:
      return std::string(std::min(static_cast<std::size_t>(std::max<ZO_LONG>(field.getLength(), 1)), room), kHidden);
    default:
      return std::string();
  }
}

std::string typeText(ZO_LONG dataType) { return vexomapTypeName(dataType); }
bool isDark(const ZoField& field) { return vexomapIsDark(field); }
bool isProtected(const ZoField& field) { return vexomapIsProtected(field); }

std::string attributesText(const ZoField& field) {
  if (!field.getHasAttributes()) return "-";
  std::string text = "color=" + numberText(field.getColor()) + " intensity=" + numberText(field.getIntensity()) +
                     " highlight=" + numberText(field.getHighLight()) +
                     " protection=" + numberText(field.getProtection());
  if (isDark(field)) text += " dark";
  if (isProtected(field)) text += " protected";
  return text;
}

std::string padRight(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string padLeft(const std::string& text, std::size_t width) {
  return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

// What stands on the screen for a character that would break the frame: a
// control character (tab included), a byte that is not UTF-8, or a mark that
// changes how the rest of the line is laid out.
constexpr char kUnprintable = '?';

// One character of a text as the screen shows it: its bytes and the columns
// it takes (0 for a combining mark, which joins the character before it).
struct ScreenChar {
  std::string bytes;
  int width = 1;
};

struct CodeRange {
  char32_t first, last;
};

// Marks that combine with the character before them.
constexpr CodeRange kCombining[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A}, {0x064B, 0x065F},
    {0x0E31, 0x0E31}, {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF},
    {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}};
// Characters that take two columns: the wide and full-width blocks of East
// Asian scripts and the pictographs terminals draw double.
constexpr CodeRange kWide[] = {
    {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD}};
// Format characters without a glyph (zero-width spaces, direction marks and
// overrides, the byte-order mark): shown as kUnprintable.
constexpr CodeRange kInvisible[] = {{0x200B, 0x200F}, {0x2028, 0x202E}, {0x2060, 0x206F}, {0xFEFF, 0xFEFF}};

template <std::size_t N>
bool inRanges(const CodeRange (&ranges)[N], char32_t code) {
  return std::any_of(std::begin(ranges), std::end(ranges),
                     [code](const CodeRange& r) { return code >= r.first && code <= r.last; });
}

// Reads the character of `text` at `at` and moves `at` past it. A byte that
// does not begin a well-formed UTF-8 sequence (overlong, a surrogate, beyond
// U+10FFFF, cut short) is one unprintable character of its own.
ScreenChar nextScreenChar(const std::string& text, std::size_t& at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const std::size_t length = lead < 0x80            ? 1
                             : (lead & 0xE0) == 0xC0 ? 2
                             : (lead & 0xF0) == 0xE0 ? 3
                             : (lead & 0xF8) == 0xF0 ? 4
                                                     : 0;
  constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t code = lead & kLeadBits[length];
  bool valid = length != 0 && at + length <= text.size();
  for (std::size_t i = 1; valid && i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    valid = (next & 0xC0) == 0x80;
    code = (code << 6) | (next & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  valid = valid && code >= kSmallest[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
  if (!valid) {
    // A sequence cut short is one mark, not one for each of its bytes.
    std::size_t end = at + 1;
    while (end < text.size() && end < at + length && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    at = end;
    return ScreenChar{std::string(1, kUnprintable), 1};
  }
  ScreenChar shown{text.substr(at, length), 1};
  at += length;
  if (code < 0x20 || (code >= 0x7F && code < 0xA0) || inRanges(kInvisible, code)) {
    shown.bytes.assign(1, kUnprintable);
  } else if (inRanges(kCombining, code)) {
    shown.width = 0;
  } else if (inRanges(kWide, code)) {
    shown.width = 2;
  }
  return shown;
}

// The columns `text` takes on the screen.
std::size_t screenWidth(const std::string& text) {
  std::size_t width = 0;
  for (std::size_t at = 0; at < text.size();) width += static_cast<std::size_t>(nextScreenChar(text, at).width);
  return width;
}

using Cell = VexomapCell;

// A screen row as cells, so that what a field writes is counted in columns.
class ScreenRow {
 public:
  explicit ScreenRow(std::size_t columns) : cells_(columns) {}

  std::size_t size() const { return cells_.size(); }
  std::vector<Cell> release() { return std::move(cells_); }

  // Writes `text` from column `start` (from 0) and returns the columns it
  // took; writing stops before a character that would reach past `end`. A
  // character partly overwritten leaves a blank, never half of itself.
  std::size_t write(std::size_t start, std::size_t end, const std::string& text, const std::string& style) {
    end = std::min(end, cells_.size());
    std::size_t column = start;
    for (std::size_t at = 0; at < text.size();) {
      ScreenChar c = nextScreenChar(text, at);
      if (c.width == 0) {
        // A combining mark joins the character before it within this text.
        if (column > start) {
          const std::size_t base = cells_[column - 1].continuation ? column - 2 : column - 1;
          cells_[base].bytes += c.bytes;
          continue;
        }
        c = ScreenChar{std::string(1, kUnprintable), 1};
      }
      const auto width = static_cast<std::size_t>(c.width);
      if (column + width > end) break;
      for (std::size_t i = column; i < column + width; ++i) clear(i);
      cells_[column] = Cell{std::move(c.bytes), width == 2, false, style};
      if (width == 2) cells_[column + 1] = Cell{std::string(), false, true, style};
      column += width;
    }
    return column - start;
  }

  // Fills the columns from `start` up to `end` (from 0) with `fill`.
  void fill(std::size_t start, std::size_t end, char fill, const std::string& style) {
    end = std::min(end, cells_.size());
    for (std::size_t i = start; i < end; ++i) {
      clear(i);
      cells_[i].bytes.assign(1, fill);
      cells_[i].style = style;
    }
  }

 private:
  // Makes column `i` a blank, and the other half of a wide character in it too.
  void clear(std::size_t i) {
    if (cells_[i].continuation && i > 0) cells_[i - 1] = Cell{};
    if (cells_[i].wide && i + 1 < cells_.size()) cells_[i + 1] = Cell{};
    cells_[i] = Cell{};
  }

  std::vector<Cell> cells_;
};

// A row's characters; with `color`, each run of a style between its escape
// sequence and a reset, so that nothing of it reaches the frame.
std::string rowText(const std::vector<Cell>& cells, bool color) {
  static const std::string kNoStyle;
  constexpr const char* kReset = "\x1b[0m";
  std::string out;
  const std::string* current = &kNoStyle;
  for (const Cell& cell : cells) {
    if (color && cell.style != *current) {
      if (!current->empty()) out += kReset;
      if (!cell.style.empty()) out += "\x1b[" + cell.style + "m";
      current = &cell.style;
    }
    out += cell.bytes;
  }
  if (!current->empty()) out += kReset;
  return out;
}

// SGR parameters for a field's display attributes: bright as bold, its
// color, and reverse video, underline or blink. A field without attributes
// and a dark one get none (a dark field stays blank).
// The SGR parameters of a look: bright as bold, its color, its highlight.
}  // namespace

std::string vexomapTypeName(ZO_LONG dataType) {
  const char* keyword = zoDataTypeKeyword(dataType);
  return keyword[0] != '\0' ? keyword : (dataType == ZODT_NONE ? "NONE" : numberText(dataType));
}

bool vexomapIsDark(const ZoField& field) {
  return field.getHasAttributes() && field.getIntensity() == ZO_INTENSITY_DARK;
}

bool vexomapIsProtected(const ZoField& field) {
  return field.getHasAttributes() && field.getProtection() == ZO_PROTECTION_PROTECTED;
}

bool vexomapReportBuild(ZoMessage& message, const char* name, ZoSession& session, UserMessage& messages) {
  const auto code = static_cast<ZO_ULONG>(message.getErrorCode());
  if (code == 0) return true;
  // A failure of the store itself is recorded in the session with the
  // store's own code and text.
  const ZO_LONG reason = code == ERR_DB_SYS_ERROR ? session.getReasonCode() : 0;
  const ZoString text = code == ERR_DB_SYS_ERROR ? session.getErrorText() : ZoString();
  messages.issue(USERMSG_ERROR, code, reason, text.text());
  messages.hints(PXMMessageHints(code, name, session));
  // A warning still leaves a message worth drawing.
  return (code & ZO_WARNING_CLASS_BIT) != 0;
}

std::string vexomapStyle(ZO_LONG intensity, ZO_LONG color, ZO_LONG highLight) {
  if (intensity == ZO_INTENSITY_DARK) return std::string();
  static constexpr struct {
    ZO_LONG color;
    const char* sgr;
  } kColors[] = {{ZO_COLOR_BLUE, "34"},      {ZO_COLOR_RED, "31"},    {ZO_COLOR_PINK, "35"},
                 {ZO_COLOR_GREEN, "32"},     {ZO_COLOR_TURQUOISE, "36"}, {ZO_COLOR_YELLOW, "33"},
                 {ZO_COLOR_NEUTRAL, "37"}};
  static constexpr struct {
    ZO_LONG highLight;
    const char* sgr;
  } kHighLights[] = {{ZO_HIGHLIGHT_REVERSE, "7"}, {ZO_HIGHLIGHT_UNDERLINE, "4"}, {ZO_HIGHLIGHT_BLINK, "5"}};
  std::string style;
  const auto add = [&style](const char* sgr) { style += (style.empty() ? "" : ";") + std::string(sgr); };
  if (intensity == ZO_INTENSITY_BRIGHT) add("1");
  for (const auto& c : kColors) {
    if (c.color == color) add(c.sgr);
  }
  for (const auto& h : kHighLights) {
    if (h.highLight == highLight) add(h.sgr);
  }
  return style;
}

namespace {

std::string styleOf(const ZoField& field) {
  if (!field.getHasAttributes()) return std::string();
  return vexomapStyle(field.getIntensity(), field.getColor(), field.getHighLight());
}

using Placement = VexomapPlacement;

Placement placementOf(const ZoField& field, ZO_LONG rows, ZO_LONG columns) {
  const ZO_LONG row = field.getRow();
  const ZO_LONG column = field.getColumn();
  if (row < 1 || column < 1) return Placement::kUnpositioned;
  if (row > rows) return Placement::kBelow;
  if (column > columns) return Placement::kRight;
  return Placement::kInside;
}

// Marks on the frame: below the bottom edge under a field whose row is past
// the last row, beside the right edge of the row of a field that starts past
// the last column.
constexpr char kBelowMark = 'v';
constexpr char kRightMark = '>';

}  // namespace

VexomapScreen vexomapScreen(ZoMessage& message, bool showValues, const std::vector<ZoScreenText>& texts) {
  const ZO_LONG definedRows = message.getRowCount();
  const ZO_LONG definedColumns = message.getColumnCount();
  const ZO_LONG rows = std::min(definedRows > 0 ? definedRows : VEXOMAP_DEFAULT_ROWS, VEXOMAP_MAX_ROWS);
  const ZO_LONG columns =
      std::min(definedColumns > 0 ? definedColumns : VEXOMAP_DEFAULT_COLUMNS, VEXOMAP_MAX_COLUMNS);

  std::vector<const ZoField*> fields;
  ZoBrowseToken token = 0;
  message.startBrowseFields(&token);
  while (const ZoField* field = message.getNextField(&token)) fields.push_back(field);
  message.endBrowseFields(&token);

  std::vector<ScreenRow> screen(static_cast<std::size_t>(rows), ScreenRow(static_cast<std::size_t>(columns)));
  std::vector<Placement> placements;
  std::vector<std::size_t> widths;
  std::string bottom(static_cast<std::size_t>(columns), '-');
  std::vector<char> rightEdge(static_cast<std::size_t>(rows), '|');
  std::vector<std::string> unpositioned;
  // The screen's texts first: a field drawn over one wins.
  std::vector<std::string> textNotes;
  for (const ZoScreenText& text : texts) {
    std::string note;
    if (text.row < 1 || text.column < 1) {
      note = " (no position)";
    } else if (text.row > rows || text.column > columns) {
      note = " (off screen)";
    } else {
      ScreenRow& line = screen[static_cast<std::size_t>(text.row - 1)];
      const auto start = static_cast<std::size_t>(text.column - 1);
      const std::size_t room = line.size() - start;
      const auto length = static_cast<std::size_t>(std::max<ZO_LONG>(text.length, 0));
      // As for a field: its length, or what its text needs when it has none.
      const std::size_t needed = length > 0 ? length : screenWidth(text.text.text());
      const std::size_t width = std::min(needed, room);
      if (needed > room) note = " (cut at column " + numberText(columns) + ")";
      const std::string style = vexomapStyle(text.intensity, text.color, text.highLight);
      if (text.intensity == ZO_INTENSITY_DARK)
        line.fill(start, start + width, ' ', style);
      else
        line.write(start, start + width, text.text.text(), style);
    }
    textNotes.push_back(note);
  }
  for (const ZoField* field : fields) {
    const ZO_LONG row = field->getRow();
    const ZO_LONG column = field->getColumn();
    placements.push_back(placementOf(*field, rows, columns));
    widths.push_back(0);
    if (placements.back() == Placement::kBelow && column <= columns) {
      bottom[static_cast<std::size_t>(column - 1)] = kBelowMark;
    } else if (placements.back() == Placement::kRight) {
      rightEdge[static_cast<std::size_t>(row - 1)] = kRightMark;
    } else if (placements.back() == Placement::kUnpositioned) {
      unpositioned.push_back(field->getName().text());
    }
    if (placements.back() != Placement::kInside) continue;
    ScreenRow& line = screen[static_cast<std::size_t>(row - 1)];
    const auto start = static_cast<std::size_t>(column - 1);
    // Only what fits between the field's column and the right edge is made.
    const std::size_t room = line.size() - start;
    const std::string shown = showValues ? valueText(*field, room) : std::string(field->getName().text());
    const auto length = static_cast<std::size_t>(std::max<ZO_LONG>(field->getLength(), 0));
    // A field without a length takes what its text needs.
    const std::size_t needed = length > 0 ? length : screenWidth(shown);
    const std::size_t width = std::min(needed, room);
    if (needed > room) placements.back() = Placement::kCut;
    widths.back() = width;
    const std::string style = styleOf(*field);
    if (isDark(*field)) {
      line.fill(start, start + width, ' ', style);
    } else {
      const std::size_t used = line.write(start, start + width, shown, style);
      if (length > 0) line.fill(start + used, start + width, isProtected(*field) ? kProtectedFill : kFill, style);
    }
  }

  VexomapScreen drawn;
  drawn.rows = rows;
  drawn.columns = columns;
  drawn.definedRows = definedRows;
  drawn.definedColumns = definedColumns;
  drawn.fields = std::move(fields);
  drawn.placements = std::move(placements);
  drawn.widths = std::move(widths);
  drawn.textNotes = std::move(textNotes);
  drawn.bottom = std::move(bottom);
  drawn.rightEdge = std::move(rightEdge);
  drawn.unpositioned = std::move(unpositioned);
  for (ScreenRow& line : screen) drawn.cells.push_back(line.release());
  return drawn;
}

std::string vexomapRender(ZoMessage& message, bool showValues, bool color,
                          const std::vector<ZoScreenText>& texts) {
  VexomapScreen drawn = vexomapScreen(message, showValues, texts);
  const ZO_LONG rows = drawn.rows;
  const ZO_LONG columns = drawn.columns;
  const ZO_LONG definedRows = drawn.definedRows;
  const ZO_LONG definedColumns = drawn.definedColumns;
  const std::vector<const ZoField*>& fields = drawn.fields;
  const std::vector<Placement>& placements = drawn.placements;
  const std::vector<std::string>& textNotes = drawn.textNotes;
  const std::vector<std::string>& unpositioned = drawn.unpositioned;
  std::string out;
  out += "Message " + std::string(message.getMessageName().text());
  if (message.getFormat().length() > 0) out += " (format " + std::string(message.getFormat().text()) + ")";
  out += ": " + numberText(rows) + " rows x " + numberText(columns) + " columns";
  if (definedRows <= 0 || definedColumns <= 0) out += " (size not defined, default used)";
  out += ", " + numberText(static_cast<long>(fields.size())) + " fields";
  if (!texts.empty()) out += ", " + numberText(static_cast<long>(texts.size())) + " screen texts";
  out += "\n";

  out += "+" + std::string(static_cast<std::size_t>(columns), '-') + "+\n";
  for (std::size_t r = 0; r < drawn.cells.size(); ++r) out += "|" + rowText(drawn.cells[r], color) + drawn.rightEdge[r] + "\n";
  out += "+" + drawn.bottom + "+\n";
  if (!unpositioned.empty()) {
    out += "Unpositioned:";
    for (const std::string& name : unpositioned) out += " " + name;
    out += "\n";
  }

  out += "\n    # " + padRight("Name", 33) + "  Row  Col  Len " + padRight("Type", 21) +
         " Seg Attributes\n";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const ZoField& f = *fields[i];
    out += padLeft(numberText(static_cast<long>(i + 1)), 5) + " " + padRight(f.getName().text(), 33) +
           padLeft(numberText(f.getRow()), 5) + padLeft(numberText(f.getColumn()), 5) +
           padLeft(numberText(f.getLength()), 5) + " " + padRight(typeText(f.getDataType()), 21) +
           padLeft(numberText(f.getSegment()), 4) + " " + attributesText(f);
    switch (placements[i]) {
      case Placement::kInside:
        break;
      case Placement::kCut:
        out += " (cut at column " + numberText(columns) + ")";
        break;
      case Placement::kBelow:
      case Placement::kRight:
        out += " (off screen)";
        break;
      case Placement::kUnpositioned:
        out += " (no position)";
        break;
    }
    out += "\n";
  }
  if (!texts.empty()) out += "\n    # " + padRight("Screen text", 33) + "  Row  Col  Len\n";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    std::string shown;
    for (const char c : std::string(texts[i].text.text())) shown += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    out += padLeft(numberText(static_cast<long>(i + 1)), 5) + " " + padRight("\"" + shown + "\"", 33) +
           padLeft(numberText(texts[i].row), 5) + padLeft(numberText(texts[i].column), 5) +
           padLeft(numberText(texts[i].length), 5) + textNotes[i] + "\n";
  }
  return out;
}

bool vexomapScreenTexts(ZoSession& session, const char* name, std::vector<ZoScreenText>& texts) {
  texts.clear();
  ZoDatabase* db = session.getDefinitionDB();
  if (db == nullptr) return true;
  ZoMessageDef definition(name);
  auto* dossa = dynamic_cast<ZoDossaDatabase*>(db);
  if (!(dossa ? dossa->readScreenTexts(definition) : db->read(definition))) return false;
  texts = definition.getScreenTexts();
  return true;
}

bool vexomapWantsColor(const char* when, std::FILE* out) {
  if (std::strcmp(when, "always") == 0) return true;
  if (std::strcmp(when, "auto") != 0) return false;
  const char* term = platformGetEnv("TERM");
  const char* noColor = platformGetEnv("NO_COLOR");
  return platformIsTerminal(out) && term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0 &&
         (noColor == nullptr || *noColor == '\0');
}

int vexomapRun(int argc, char* argv[], std::FILE* out, std::FILE* err) {
  UserMessage messages(out, err);
  bool showValues = false;
  const char* color = kColorAuto;
  const char* name = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "/v" || arg == "/V" || arg == "-v") {
      showValues = true;
    } else if (arg == "--color") {
      color = kColorAlways;
    } else if (arg.rfind(kColorOption, 0) == 0 && isColorChoice(argv[i] + std::strlen(kColorOption))) {
      color = argv[i] + std::strlen(kColorOption);
    } else if (name == nullptr && !arg.empty() && arg[0] != '/' && arg[0] != '-') {
      name = argv[i];
    } else {
      name = nullptr;
      break;
    }
  }
  if (name == nullptr) {
    UserMessage(err, err).issue(USERMSG_USAGE, 0, 0, kUsage);
    return kExitUsage;
  }

  ZoSession session(argc, argv);
  if (session.getErrorCode() != 0) {
    messages.issue(USERMSG_ERROR, session.getErrorCode(), session.getReasonCode(),
                   session.getErrorText().text());
    messages.hints(PXMSessionHints(session));
    return kExitError;
  }
  ZoMessage message(name, session);
  if (!vexomapReportBuild(message, name, session, messages)) return kExitError;
  std::vector<ZoScreenText> texts;
  if (!vexomapScreenTexts(session, name, texts)) {
    std::fprintf(err, "  the screen texts of %s could not be read: the fields are drawn without them\n", name);
  }
  const std::string drawing = vexomapRender(message, showValues, vexomapWantsColor(color, out), texts);
  std::fwrite(drawing.data(), 1, drawing.size(), out);
  return kExitOk;
}

std::map<std::string, VexomapInputFlags, std::less<>> vexomapInputFlags(ZoSession& session, const char* name) {
  std::map<std::string, VexomapInputFlags, std::less<>> flags;
  ZoDatabase* db = session.getDefinitionDB();
  ZoMessageDef definition(name);
  if (db == nullptr || !db->read(definition)) return flags;
  for (ZO_LONG i = 0; i < definition.getFieldCount(); ++i) {
    ZoString alias, fieldName;
    if (!definition.getFieldNames(alias, fieldName, i)) continue;
    ZoFieldDef field(fieldName);
    if (!db->read(field) || !field.hasInputFlags()) continue;
    flags[alias.text()] = {field.getNumeric() != ZO_FALSE, field.getCursor() != ZO_FALSE};
  }
  return flags;
}
