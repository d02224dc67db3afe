#include "tools/dossa/dossa_dump.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <boost/archive/iterators/base64_from_binary.hpp>
#include <boost/archive/iterators/binary_from_base64.hpp>
#include <boost/archive/iterators/transform_width.hpp>
#include <nlohmann/json.hpp>

#include "docstore/zo_message_names.h"
#include "ndossa/dossa_admin.h"
#include "tools/dossa/dossa_note.h"

namespace {

using Json = nlohmann::ordered_json;

// Keys of a dump line and of its tagged values.
constexpr const char* kNoteId = "noteid";
constexpr const char* kItems = "items";
constexpr const char* kBase64 = "base64";
// Integers up to this magnitude are exact in a double and written without a fraction.
constexpr double kExactInteger = 9007199254740992.0;
constexpr char kBase64Pad = '=';

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool validUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                               : c >= 0xE0 && c <= 0xEF ? 3
                               : c >= 0xF0 && c <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    const auto c1 = static_cast<unsigned char>(text[i + 1]);
    if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0) || (c == 0xF0 && c1 < 0x90) ||
        (c == 0xF4 && c1 >= 0x90)) {
      return false;
    }
    i += length;
  }
  return true;
}

std::string toBase64(std::string_view bytes) {
  // Six bits at a time, the last group filled with zero bits, then padded to whole quads.
  using Encoder = boost::archive::iterators::base64_from_binary<
      boost::archive::iterators::transform_width<const char*, 6, 8>>;
  std::string out(Encoder(bytes.data()), Encoder(bytes.data() + bytes.size()));
  out.append((4 - out.size() % 4) % 4, kBase64Pad);
  return out;
}

// The bytes of canonical base64 text (padded, no other characters), or nothing.
std::optional<std::string> fromBase64(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  // The decoder reads a pad as zero bits and refuses characters outside the alphabet.
  using Decoder = boost::archive::iterators::transform_width<
      boost::archive::iterators::binary_from_base64<const char*>, 8, 6>;
  std::string out;
  try {
    out.assign(Decoder(text.data()), Decoder(text.data() + text.size()));
  } catch (const boost::archive::iterators::dataflow_exception&) {
    return std::nullopt;
  }
  const std::size_t kept = text.find_last_not_of(kBase64Pad);
  const std::size_t pads = kept == std::string_view::npos ? text.size() : text.size() - kept - 1;
  if (pads > 2 || out.size() != text.size() / 4 * 3) return std::nullopt;
  out.resize(out.size() - pads);
  // Pads inside the text and nonzero bits below the last byte decode too: only
  // the text this encoder writes is taken, so that every text has one reading.
  if (toBase64(out) != text) return std::nullopt;
  return out;
}

Json textValue(std::string_view text) {
  if (validUtf8(text)) return Json(std::string(text));
  Json tagged = Json::object();
  tagged[kBase64] = toBase64(text);
  return tagged;
}

// A finite number (the store holds no other).
Json numberValue(double number) {
  if (number == std::trunc(number) && std::fabs(number) < kExactInteger &&
      !(number == 0 && std::signbit(number))) {
    return Json(static_cast<std::int64_t>(number));
  }
  return Json(number);  // written with as many digits as reading it back needs
}

// The only key of a tagged value, when `value` is an object of one key.
const Json* tagged(const Json& value, const char* tag) {
  if (!value.is_object() || value.size() != 1) return nullptr;
  const auto found = value.find(tag);
  return found != value.end() && found->is_string() ? &*found : nullptr;
}

// A text or list entry of a dump line.
std::optional<std::string> readText(const Json& value) {
  if (value.is_string()) return value.get<std::string>();
  if (const Json* base64 = tagged(value, kBase64)) return fromBase64(base64->get<std::string>());
  return std::nullopt;
}

std::optional<double> readNumber(const Json& value) {
  if (value.is_number_float()) return value.get<double>();
  if (value.is_number_unsigned()) return static_cast<double>(value.get<std::uint64_t>());
  if (value.is_number_integer()) return static_cast<double>(value.get<std::int64_t>());
  return std::nullopt;
}

// A text argument of the client library: a length, or terminated when the
// text is as long as the length that stands for "terminated" (it then must
// hold no zero byte). Empty when the text cannot be passed.
std::optional<std::uint16_t> lengthOf(const std::string& text) {
  if (text.size() < DOSSA_TERMINATED) return static_cast<std::uint16_t>(text.size());
  if (text.size() == DOSSA_TERMINATED && text.find('\0') == std::string::npos) return DOSSA_TERMINATED;
  return std::nullopt;
}

// One line of a dump parsed, or nothing (and why in `problem`) when it is no
// JSON or an object in it names a key twice: the parser would keep the last
// value of such a key without a word, and the line is damaged.
std::optional<Json> parseLine(const std::string& text, std::string& problem) {
  struct Object {
    std::set<std::string> keys;
    std::string lastKey;
  };
  std::vector<Object> open;  // the objects being read, outermost first
  std::string repeated;
  bool inItems = false;
  const Json::parser_callback_t watch = [&](int, Json::parse_event_t event, Json& parsed) {
    if (event == Json::parse_event_t::object_start) {
      open.emplace_back();
    } else if (event == Json::parse_event_t::object_end) {
      if (!open.empty()) open.pop_back();
    } else if (event == Json::parse_event_t::key && !open.empty() && parsed.is_string()) {
      Object& object = open.back();
      object.lastKey = parsed.get<std::string>();
      if (!object.keys.insert(object.lastKey).second && repeated.empty()) {
        repeated = object.lastKey;
        inItems = open.size() == 2 && open.front().lastKey == kItems;
      }
    }
    return true;
  };
  Json line = Json::parse(text, watch, false);
  if (line.is_discarded()) {
    problem = "not JSON";
    return std::nullopt;
  }
  if (!repeated.empty()) {
    problem = (inItems ? "item \"" : "key \"") + repeated + "\" is given twice";
    return std::nullopt;
  }
  return line;
}

// Writes the document of one parsed dump line; false with the reason in `problem`.
bool loadDocument(DossaDbHandle db, const Json& line, DossaNoteId& id, std::string& problem) {
  if (!line.is_object() || line.size() != 2 || !line.contains(kNoteId) || !line.contains(kItems) ||
      !line[kNoteId].is_number_unsigned() || !line[kItems].is_object()) {
    problem = "not a dump line (expected {\"noteid\":N,\"items\":{...}})";
    return false;
  }
  const std::uint64_t noteId = line[kNoteId].get<std::uint64_t>();
  if (noteId == 0 || noteId > std::numeric_limits<DossaNoteId>::max()) {
    problem = "note id " + std::to_string(noteId) + " is out of range";
    return false;
  }
  ZoOpenNote note;
  if (DossaStatus s = DossaNoteCreateWithId(db, static_cast<DossaNoteId>(noteId), note.out())) {
    problem = dossaStatusText(s);
    return false;
  }
  std::vector<std::string> names;
  for (const auto& [name, value] : line[kItems].items()) {
    const std::string where = "item \"" + name + "\": ";
    DossaStatus s = DOSSA_NOERROR;
    if (value.is_array()) {
      if (value.empty()) {
        problem = where + "an empty list";
        return false;
      }
      for (std::size_t i = 0; i < value.size() && !s; ++i) {
        const std::optional<std::string> entry = readText(value[i]);
        const std::optional<std::uint16_t> length = entry ? lengthOf(*entry) : std::nullopt;
        if (!length) {
          problem = where + "entry " + std::to_string(i + 1) + " is no text the store can hold";
          return false;
        }
        s = i == 0 ? DossaItemCreateTextList(note.get(), name.c_str(), entry->data(), *length)
                   : DossaItemAppendTextList(note.get(), name.c_str(), entry->data(), *length, 0);
      }
    } else if (const std::optional<std::string> text = readText(value)) {
      const std::optional<std::uint16_t> length = lengthOf(*text);
      if (!length) {
        problem = where + "a text the store cannot hold";
        return false;
      }
      s = DossaItemSetText(note.get(), name.c_str(), text->data(), *length);
    } else if (const std::optional<double> number = readNumber(value)) {
      s = DossaItemSetNumber(note.get(), name.c_str(), &*number);
    } else {
      problem = where + "not a text, list or number";
      return false;
    }
    if (s) {
      problem = where + dossaStatusText(s);
      return false;
    }
    names.push_back(name);
  }
  // Names that differ only in case would name one item.
  std::size_t stored = 0;
  DossaItemScan(note.get(), [&](const DossaItemInfo&) { ++stored; });
  if (stored != names.size()) {
    problem = "two items with one name";
    return false;
  }
  if (DossaStatus s = DossaNoteUpdate(note.get(), 0)) {
    // The ids of a dump ascend: a load keeps them, each above the one before.
    problem = s == DOSSA_ERR_INVALID_ARGUMENT ? "note id " + std::to_string(noteId) + " does not follow the ids before it"
                                              : dossaStatusText(s);
    return false;
  }
  return DossaNoteGetId(note.get(), &id) == DOSSA_NOERROR;
}

}  // namespace

bool dossaDumpLine(DossaNoteId id, DossaNoteHandle note, std::string& line, std::string& problem) {
  Json items = Json::object();
  bool finite = true;
  DossaItemScan(note, [&](const DossaItemInfo& item) {
    if (item.kind == DossaItemKind::Number && !std::isfinite(item.number)) finite = false;
    Json& value = items[std::string(item.name)];
    if (item.kind == DossaItemKind::Text) value = textValue(item.text);
    if (item.kind == DossaItemKind::Number) value = numberValue(item.number);
    if (item.kind == DossaItemKind::TextList) {
      value = Json::array();
      for (const std::string& entry : *item.list) value.push_back(textValue(entry));
    }
  });
  if (!finite) {
    problem = "a number that is not finite";  // JSON has no form for it
    return false;
  }
  Json document = Json::object();
  document[kNoteId] = id;
  document[kItems] = std::move(items);
  try {
    line = document.dump();
  } catch (const Json::exception& error) {  // only for text that is not UTF-8, which is tagged
    problem = error.what();
    return false;
  }
  line += '\n';
  return true;
}

DossaLoadResult dossaLoad(DossaDbHandle db, std::istream& in) {
  DossaLoadResult result;
  if (DossaStatus s = DossaDbBeginUnit(db)) {
    result.problem = dossaStatusText(s);
    return result;
  }
  // Within the unit, so that no other writer adds a document after the look.
  std::vector<DossaNoteId> present;
  const DossaStatus listed = DossaNoteList(db, nullptr, 0, 1, present);
  if (listed || !present.empty()) {
    DossaDbAbortUnit(db);
    result.problem = listed ? dossaStatusText(listed)
                            : "the database already holds documents (load into a new or empty one)";
    return result;
  }
  std::string text;
  for (std::size_t number = 1; std::getline(in, text); ++number) {
    if (text.find_first_not_of(" \t\r") == std::string::npos) continue;
    std::string problem;
    const std::optional<Json> line = parseLine(text, problem);
    DossaNoteId id = 0;
    if (!line || !loadDocument(db, *line, id, problem)) {
      DossaDbAbortUnit(db);
      result.problem = "line " + std::to_string(number) + ": " + problem;
      result.documents = 0;
      return result;
    }
    ++result.documents;
  }
  if (in.bad()) {
    DossaDbAbortUnit(db);
    result.problem = "reading the dump failed";
    result.documents = 0;
    return result;
  }
  if (DossaStatus s = DossaDbCommitUnit(db)) {
    DossaDbAbortUnit(db);
    result.problem = dossaStatusText(s);
    result.documents = 0;
    return result;
  }
  result.ok = true;
  return result;
}
