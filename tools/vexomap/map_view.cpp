// vexomap: draws the screen a message describes.
#include "tools/vexomap/map_view.h"

#include "platform/program.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/return_codes.h"
#include "common/trace.h"
#include "defs/zo_data_types.h"
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
constexpr char kHidden = '*';

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

std::string typeText(ZO_LONG dataType) {
  const char* keyword = zoDataTypeKeyword(dataType);
  return keyword[0] != '\0' ? keyword : (dataType == ZODT_NONE ? "NONE" : numberText(dataType));
}

// A field that is not shown, and one that cannot be typed into.
bool isDark(const ZoField& field) {
  return field.getHasAttributes() && field.getIntensity() == ZO_INTENSITY_DARK;
}
bool isProtected(const ZoField& field) {
  return field.getHasAttributes() && field.getProtection() == ZO_PROTECTION_PROTECTED;
}

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

// Non-printable bytes of a value would break the frame.
char printable(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u < 0x20 || u == 0x7F) ? '.' : c;
}

}  // namespace

std::string vexomapRender(ZoMessage& message, bool showValues) {
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

  std::vector<std::string> screen(static_cast<std::size_t>(rows),
                                   std::string(static_cast<std::size_t>(columns), ' '));
  std::vector<bool> onScreen;
  for (const ZoField* field : fields) {
    const ZO_LONG row = field->getRow();
    const ZO_LONG column = field->getColumn();
    const bool visible = row >= 1 && row <= rows && column >= 1 && column <= columns;
    onScreen.push_back(visible);
    if (!visible) continue;
    std::string& line = screen[static_cast<std::size_t>(row - 1)];
    const auto start = static_cast<std::size_t>(column - 1);
    // Only what fits between the field's column and the right edge is made.
    const std::size_t room = line.size() - start;
    std::string shown = showValues ? valueText(*field, room) : std::string(field->getName().text());
    const auto length = static_cast<std::size_t>(std::max<ZO_LONG>(field->getLength(), 0));
    if (length > 0) {
      const std::size_t width = std::min(length, room);
      shown.resize(std::min(shown.size(), width));
      shown.append(width - shown.size(), isProtected(*field) ? kProtectedFill : kFill);
    }
    if (isDark(*field)) shown.assign(shown.size(), ' ');
    for (std::size_t i = 0; i < shown.size() && i < room; ++i) line[start + i] = printable(shown[i]);
  }

  std::string out;
  out += "Message " + std::string(message.getMessageName().text());
  if (message.getFormat().length() > 0) out += " (format " + std::string(message.getFormat().text()) + ")";
  out += ": " + numberText(rows) + " rows x " + numberText(columns) + " columns";
  if (definedRows <= 0 || definedColumns <= 0) out += " (size not defined, default used)";
  out += ", " + numberText(static_cast<long>(fields.size())) + " fields\n";

  const std::string border = "+" + std::string(static_cast<std::size_t>(columns), '-') + "+\n";
  out += border;
  for (const std::string& line : screen) out += "|" + line + "|\n";
  out += border;

  out += "\n    # " + padRight("Name", 33) + "  Row  Col  Len " + padRight("Type", 21) +
         " Seg Attributes\n";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const ZoField& f = *fields[i];
    out += padLeft(numberText(static_cast<long>(i + 1)), 5) + " " + padRight(f.getName().text(), 33) +
           padLeft(numberText(f.getRow()), 5) + padLeft(numberText(f.getColumn()), 5) +
           padLeft(numberText(f.getLength()), 5) + " " + padRight(typeText(f.getDataType()), 21) +
           padLeft(numberText(f.getSegment()), 4) + " " + attributesText(f);
    if (!onScreen[i]) out += " (off screen)";
    out += "\n";
  }
  return out;
}

int vexomapRun(int argc, char* argv[], std::FILE* out, std::FILE* err) {
  UserMessage messages(out, err);
  bool showValues = false;
  const char* name = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "/v" || arg == "/V" || arg == "-v") {
      showValues = true;
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
  const auto code = static_cast<ZO_ULONG>(message.getErrorCode());
  if (code != 0) {
    // A failure of the store itself is recorded in the session with the
    // store's own code and text.
    const ZO_LONG reason = code == ERR_DB_SYS_ERROR ? session.getReasonCode() : 0;
    const ZoString text = code == ERR_DB_SYS_ERROR ? session.getErrorText() : ZoString();
    messages.issue(USERMSG_ERROR, code, reason, text.text());
    messages.hints(PXMMessageHints(code, name, session));
    // A warning still leaves a message worth drawing.
    if ((code & ZO_WARNING_CLASS_BIT) == 0) return kExitError;
  }
  const std::string drawing = vexomapRender(message, showValues);
  std::fwrite(drawing.data(), 1, drawing.size(), out);
  return kExitOk;
}
