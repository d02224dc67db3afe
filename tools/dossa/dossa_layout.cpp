#include "tools/dossa/dossa_layout.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <set>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "defs/zo_data_types.h"
#include "message/zo_field.h"
#include "message/zo_message.h"
#include "message/zo_message_layout.h"

namespace {

using Json = nlohmann::ordered_json;

// A field of the record: where it lies, and its definition.
struct RecordField {
  ZoFieldLayout place;
  const ZoField* field;
};

// The message's fields with their places, or false and the reason.
bool recordOf(ZoMessage& message, std::vector<RecordField>& out, ZO_LONG& size, std::string& problem) {
  const std::string name = message.getMessageName().text();
  const ZoMessageLayout layout(message);
  std::vector<const ZoField*> fields;
  ZoBrowseToken token = 0;
  message.startBrowseFields(&token);
  for (ZoField* field = message.getNextField(&token); field != nullptr; field = message.getNextField(&token))
    fields.push_back(field);
  message.endBrowseFields(&token);
  if (layout.getErrorCode() != 0 || static_cast<std::size_t>(layout.getFieldCount()) != fields.size()) {
    const std::size_t at = static_cast<std::size_t>(layout.getFieldCount());
    problem = "message " + name + ": field " + (at < fields.size() ? std::string(fields[at]->getName().text()) : "?") +
              " has no place in the record (code " + std::to_string(layout.getErrorCode()) + ")";
    return false;
  }
  size = layout.getRecordSize();
  if (size == 0) {
    problem = "message " + name + " has an empty record";
    return false;
  }
  for (std::size_t i = 0; i < fields.size(); ++i) out.push_back({layout.fields()[i], fields[i]});
  return true;
}

// Names handed out within one scope: a name already taken gets a suffix
// (SEPARATOR and 2, 3, ...) within `maxLength`. `key` gives the form that
// must differ (the name itself, or its upper case where case is not told).
class NameSet {
 public:
  NameSet(std::string separator, std::size_t maxLength, bool caseBlind)
      : separator_(std::move(separator)), maxLength_(maxLength), caseBlind_(caseBlind) {}

  std::string take(const std::string& wanted) {
    std::string name = wanted.substr(0, maxLength_);
    for (int n = 2; taken_.contains(key(name)); ++n) {
      const std::string suffix = separator_ + std::to_string(n);
      name = wanted.substr(0, maxLength_ - suffix.size()) + suffix;
    }
    taken_.insert(key(name));
    return name;
  }

 private:
  std::string key(std::string name) const {
    if (caseBlind_) std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
    return name;
  }
  std::string separator_;
  std::size_t maxLength_;
  bool caseBlind_;
  std::set<std::string> taken_;
};

bool isNumber(ZO_LONG dataType) { return dataType == ZODT_LONG || dataType == ZODT_SHORT || dataType == ZODT_BYTE; }

std::string typeName(ZO_LONG dataType) { return zoDataTypeKeyword(dataType); }

// Longest name shown in a comment, so that a copybook's comment stays within its columns.
constexpr std::size_t kCommentNameLength = 40;

// Printable ASCII of `text` (at most kCommentNameLength characters) for a
// comment, a C comment's end ("*/") broken up.
std::string commentText(const std::string& text) {
  std::string out;
  for (char c : text.substr(0, kCommentNameLength)) out += c >= 0x20 && c < 0x7F ? c : '?';
  for (std::size_t at = out.find("*/"); at != std::string::npos; at = out.find("*/")) out[at + 1] = ' ';
  return out;
}

// ---------------------------------------------------------------------------
// C

// Words C11 and C++ keep for themselves, which no member may be named.
constexpr std::string_view kCKeywords[] = {
    "alignas", "alignof", "and", "and_eq", "asm", "auto", "bitand", "bitor", "bool", "break", "case", "catch",
    "char", "char8_t", "char16_t", "char32_t", "class", "compl", "concept", "const", "consteval", "constexpr",
    "constinit", "const_cast", "continue", "co_await", "co_return", "co_yield", "decltype", "default", "delete",
    "do", "double", "dynamic_cast", "else", "enum", "explicit", "export", "extern", "false", "float", "for",
    "friend", "goto", "if", "inline", "int", "long", "mutable", "namespace", "new", "noexcept", "not", "not_eq",
    "nullptr", "operator", "or", "or_eq", "private", "protected", "public", "register", "reinterpret_cast",
    "requires", "restrict", "return", "short", "signed", "sizeof", "static", "static_assert", "static_cast",
    "struct", "switch", "template", "this", "thread_local", "throw", "true", "try", "typedef", "typeid",
    "typename", "union", "unsigned", "using", "virtual", "void", "volatile", "wchar_t", "while", "xor", "xor_eq",
    "offsetof", "assert"};

// `text` as a C identifier: other characters become '_', a leading digit or
// underscore (reserved forms) gets "f", a keyword gets "_" after it.
std::string cIdentifier(const std::string& text) {
  std::string out;
  for (char c : text) out += std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80 ? c : '_';
  if (out.empty() || std::isdigit(static_cast<unsigned char>(out[0])) || out[0] == '_') out = "f" + out;
  if (std::find(std::begin(kCKeywords), std::end(kCKeywords), out) != std::end(kCKeywords)) out += '_';
  return out;
}

// Longest member name written (C guarantees 31 significant characters, compilers far more).
constexpr std::size_t kCNameLength = 63;

std::string cType(ZO_LONG dataType) {
  switch (dataType) {
    case ZODT_LONG: return "int32_t";
    case ZODT_SHORT: return "int16_t";
    case ZODT_BYTE: return "uint8_t";
    default: return "char";
  }
}

std::string writeC(const std::string& message, const std::vector<RecordField>& record, ZO_LONG size) {
  const std::string structName = cIdentifier(message);
  std::string guard = "VEXO_RECORD_" + structName + "_H";
  std::transform(guard.begin(), guard.end(), guard.begin(), [](unsigned char c) { return std::toupper(c); });
  NameSet names("_", kCNameLength, false);
  std::string members, asserts;
  int fillers = 0;
  char line[512];
  auto member = [&](const std::string& type, const std::string& name, const std::string& array, const std::string& note,
                    ZO_LONG offset) {
    std::snprintf(line, sizeof line, "  %s %s%s; /* offset %ld%s */\n", type.c_str(), name.c_str(), array.c_str(),
                  static_cast<long>(offset), note.c_str());
    members += line;
    asserts += "static_assert(offsetof(struct " + structName + ", " + name + ") == " + std::to_string(offset) + ", \"" +
               name + "\");\n";
  };
  for (const RecordField& f : record) {
    const ZoFieldLayout& p = f.place;
    if (p.padding > 0)
      member("unsigned char", names.take("filler_" + std::to_string(++fillers)), "[" + std::to_string(p.padding) + "]",
             ", padding", p.offset - p.padding);
    const std::string original = p.name.text();
    const std::string name = names.take(cIdentifier(original));
    std::string note = ", " + typeName(p.dataType) + (name != original ? " " + commentText(original) : "");
    if (p.length == 0) {
      members += "  /* " + name + ": 0 bytes at offset " + std::to_string(p.offset) + note + " */\n";
      continue;
    }
    // A typed member where neither it nor the struct's size would bring padding of its own.
    const bool typed = isNumber(p.dataType) && p.offset % p.length == 0 && size % p.length == 0;
    if (isNumber(p.dataType) && !typed) note += " as bytes (unaligned)";
    member(typed ? cType(p.dataType) : isNumber(p.dataType) ? "unsigned char" : "char", name,
           typed ? "" : "[" + std::to_string(p.length) + "]", note, p.offset);
  }
  return "/* The record of message " + commentText(message) + ": " + std::to_string(size) +
         " bytes, written by dossa layout.\n"
         "   Numbers are in the byte order the record is exchanged in. */\n"
         "#ifndef " + guard + "\n#define " + guard + "\n\n#include <assert.h>\n#include <stddef.h>\n#include <stdint.h>\n\n"
         "struct " + structName + " {\n" + members + "};\n\n" + asserts + "static_assert(sizeof(struct " + structName +
         ") == " + std::to_string(size) + ", \"record size\");\n\n#endif\n";
}

// ---------------------------------------------------------------------------
// COBOL

// Longest COBOL word.
constexpr std::size_t kCobolWordLength = 30;
// The last column of a fixed-form line that holds code.
constexpr std::size_t kCobolLastColumn = 72;

// `text` as part of a COBOL word: upper case letters, digits and hyphens,
// other characters as hyphens, none at either end.
std::string cobolPart(const std::string& text) {
  std::string out;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    out += u < 0x80 && std::isalnum(u) ? static_cast<char>(std::toupper(u)) : '-';
  }
  const std::size_t first = out.find_first_not_of('-');
  if (first == std::string::npos) return "X";
  out = out.substr(first, out.find_last_not_of('-') - first + 1);
  return out;
}

// A word ends without a hyphen, also when cut to its length.
std::string cobolWord(const std::string& word) {
  std::string out = word.substr(0, kCobolWordLength);
  while (out.size() > 1 && out.back() == '-') out.pop_back();
  return out;
}

std::string cobolPicture(const ZoFieldLayout& p) {
  switch (p.dataType) {
    case ZODT_LONG: return "PIC S9(9) COMP-5.";
    case ZODT_SHORT: return "PIC S9(4) COMP-5.";
    case ZODT_BYTE: return "BINARY-CHAR UNSIGNED.";
    default: return "PIC X(" + std::to_string(p.length) + ").";
  }
}

std::string writeCobol(const std::string& message, const std::vector<RecordField>& record, ZO_LONG size) {
  const std::string prefix = cobolWord(cobolPart(message));
  // Every field's word starts with the record's, so that no word is reserved.
  NameSet names("-", kCobolWordLength, true);
  const std::string recordName = names.take(cobolWord(prefix + "-RECORD"));
  std::string out = "      * The record of message " + commentText(message) + ": " + std::to_string(size) +
                    " bytes,\n      * written by dossa layout.\n       01  " + recordName + ".\n";
  auto item = [&](const std::string& name, const std::string& picture) {
    std::string line = "           05  " + name;
    line += std::string(line.size() < 47 ? 47 - line.size() : 1, ' ');
    if (line.size() + picture.size() > kCobolLastColumn) {
      out += "           05  " + name + "\n";
      line = std::string(19, ' ');
    }
    out += line + picture + "\n";
  };
  for (const RecordField& f : record) {
    const ZoFieldLayout& p = f.place;
    const std::string name = names.take(cobolWord(prefix + "-" + cobolPart(p.name.text())));
    out += "      * " + commentText(p.name.text()) + ": offset " + std::to_string(p.offset) + ", " +
           typeName(p.dataType) + (p.length == 0 ? ", 0 bytes" : "") + "\n";
    if (p.padding > 0) item("FILLER", "PIC X(" + std::to_string(p.padding) + ").");
    if (p.length > 0) item(name, cobolPicture(p));
  }
  return out;
}

// ---------------------------------------------------------------------------
// JSON Schema

std::string writeJsonSchema(const std::string& message, const std::vector<RecordField>& record, ZO_LONG size) {
  Json properties = Json::object();
  for (const RecordField& f : record) {
    const ZoFieldLayout& p = f.place;
    Json property = Json::object();
    const std::string description = f.field->getDescription().text();
    if (!description.empty()) property["description"] = description;
    std::int64_t low = 0, high = 0;
    if (zoDataTypeRange(p.dataType, low, high)) {
      property["type"] = "integer";
      property["minimum"] = low;
      property["maximum"] = high;
      property["default"] = p.dataType == ZODT_LONG    ? std::int64_t{f.field->getLongValue()}
                            : p.dataType == ZODT_SHORT ? std::int64_t{f.field->getShortValue()}
                                                       : std::int64_t{f.field->getByteValue()};
    } else {
      property["type"] = "string";
      property["maxLength"] = p.length;
      // An authenticator's value is not shown.
      if (p.dataType == ZODT_STRING && f.field->getValue().length() > 0)
        property["default"] = std::string(f.field->getValue().text());
    }
    properties[p.name.text()] = std::move(property);
  }
  Json schema = Json::object();
  schema["$schema"] = "https://json-schema.org/draft/2020-12/schema";
  schema["title"] = message;
  schema["description"] = "The record of message " + message + ": " + std::to_string(size) + " bytes";
  schema["type"] = "object";
  schema["properties"] = std::move(properties);
  schema["additionalProperties"] = false;
  // Bytes that are not UTF-8 (a name or value from another code page) are shown replaced.
  return schema.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace

bool dossaLayoutFormatNamed(const std::string& name, DossaLayoutFormat& format) {
  if (name == "c") format = DossaLayoutFormat::C;
  else if (name == "cobol") format = DossaLayoutFormat::Cobol;
  else if (name == "json-schema") format = DossaLayoutFormat::JsonSchema;
  else return false;
  return true;
}

bool dossaWriteLayout(ZoMessage& message, DossaLayoutFormat format, std::string& out, std::string& problem) {
  std::vector<RecordField> record;
  ZO_LONG size = 0;
  if (!recordOf(message, record, size, problem)) return false;
  const std::string name = message.getMessageName().text();
  switch (format) {
    case DossaLayoutFormat::C: out = writeC(name, record, size); break;
    case DossaLayoutFormat::Cobol: out = writeCobol(name, record, size); break;
    case DossaLayoutFormat::JsonSchema: out = writeJsonSchema(name, record, size); break;
  }
  return true;
}
