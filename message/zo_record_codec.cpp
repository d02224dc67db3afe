#include "message/zo_record_codec.h"

// The reader scans strings and blanks 16 bytes at a time where the machine
// has the instructions for it (the text it reads is padded for that).
#if defined(__SSE4_2__)
#define RAPIDJSON_SSE42
#elif defined(__SSE2__)
#define RAPIDJSON_SSE2
#elif defined(__ARM_NEON)
#define RAPIDJSON_NEON
#endif
#include <rapidjson/reader.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/conversion.h"
#include "common/conversion_api.h"
#include "common/return_codes.h"
#include "defs/zo_data_types.h"
#include "message/zo_field.h"
#include "message/zo_message.h"
#include "message/zo_message_layout.h"
#include "session/zo_encoding.h"

namespace {

constexpr ZO_LONG kLatin1 = 819;

bool isText(ZO_LONG type) {
  return type == ZODT_STRING || type == ZODT_AUTHENTICATOR || type == ZODT_SYSTEM_AUTHENTICATOR;
}

bool nativeIsBig() {
  const std::uint16_t probe = 1;
  unsigned char first = 0;
  std::memcpy(&first, &probe, 1);
  return first == 0;
}

// Appends the UTF-8 form of ISO 8859-1 bytes.
void latin1ToUtf8(const ZO_BYTE* in, std::size_t length, std::string& out) {
  for (std::size_t i = 0; i < length; ++i) {
    const ZO_BYTE b = in[i];
    if (b < 0x80) {
      out += static_cast<char>(b);
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
}

// ISO 8859-1 bytes of a UTF-8 text; false for a character above U+00FF.
// The JSON parser has already checked that the text is UTF-8.
bool utf8ToLatin1(const ZO_BYTE* in, std::size_t length, std::vector<ZO_BYTE>& out) {
  out.clear();
  for (std::size_t i = 0; i < length; ++i) {
    const ZO_BYTE b = in[i];
    if (b < 0x80) {
      out.push_back(b);
    } else if ((b == 0xC2 || b == 0xC3) && i + 1 < length) {
      out.push_back(static_cast<ZO_BYTE>(((b & 0x03) << 6) | (static_cast<ZO_BYTE>(in[++i]) & 0x3F)));
    } else {
      return false;
    }
  }
  return true;
}

// Whether `length` bytes are well-formed UTF-8.
bool isUtf8(const ZO_BYTE* p, std::size_t length) {
  std::size_t i = 0;
  while (i < length) {
    const ZO_BYTE b = p[i];
    std::size_t more = 0;
    std::uint32_t cp = 0;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      more = 1, cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      more = 2, cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      more = 3, cp = b & 0x07;
    } else {
      return false;
    }
    if (i + more >= length) return false;
    for (std::size_t k = 1; k <= more; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if ((more == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (more == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    i += more + 1;
  }
  return true;
}

// Whether `length` bytes are all below 0x80.
bool isAscii(const char* p, std::size_t length) {
  std::uint64_t any = 0;
  std::size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, p + i, 8);
    any |= word;
  }
  for (; i < length; ++i) any |= static_cast<unsigned char>(p[i]);
  return (any & 0x8080808080808080ULL) == 0;
}

// Whether a JSON string's text is UTF-8 (the reader does not check it).
bool isUtf8Text(const char* p, std::size_t length) {
  return isAscii(p, length) || isUtf8(reinterpret_cast<const ZO_BYTE*>(p), length);
}

// Bytes after the text the reader reads, so that it may load 16 at a time.
constexpr std::size_t kReadAhead = 16;

// A JSON string of UTF-8 `text`.
void appendJsonString(const char* text, std::size_t length, std::string& out) {
  static const char kHex[] = "0123456789abcdef";
  out += '"';
  std::size_t run = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c != '"' && c != '\\') continue;
    out.append(text + run, i - run);
    run = i + 1;
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        out += "\\u00";
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    }
  }
  out.append(text + run, length - run);
  out += '"';
}

}  // namespace

struct ZoRecordCodec::Impl {
  ZoMessageLayout layout;
  ZoRecordCodecOptions options;
  ZoString messageName;
  std::vector<ZO_BYTE> defaults;     // the record of a JSON object without members
  std::vector<ZO_BYTE> recordPads;   // each field's pad character in the record's CCSID
  bool swap = false;                 // numbers in the other byte order than native
  bool convert = false;              // texts converted between the CCSIDs
  bool byteTables = false;           // both directions one byte for one byte
  ZO_BYTE toRecord[256] = {};
  ZO_BYTE toLocal[256] = {};
  bool exact[256] = {};              // the record byte comes back from its local byte
  bool encodable[256] = {};          // the local byte comes back from its record byte
  bool allEncodable = true;
  bool asciiEncodable = true;        // every byte below 0x80 is encodable
  // The JSON's UTF-8 turned into the local CCSID, and back, by its Unicode tables.
  bool unicodeLocal = false;
  XcsUnicodeTables unicode;
  XcsUnicodeWalk unicodeWalk;
  ZO_LONG recordWalk = XCS_WALK_BYTES;  // how the record's texts are walked (XCS_WALK_*)
  ZO_LONG recordLeadByteSet = 0;
  // Decoding one byte for one byte into ISO 8859-1: the JSON text of each
  // record byte (length 0 for a byte without an exact counterpart).
  struct Fragment {
    char bytes[6];
    unsigned char length;
  };
  bool fragments = false;
  Fragment jsonOf[256] = {};
  std::vector<std::string> memberNames;  // ,"NAME": of each field (no comma for the first)
  std::vector<std::size_t> nameLengths;  // of each field's name
  bool badEncoding = false;  // the JSON being read holds a string that is not UTF-8
  std::vector<char> insitu;  // the JSON text being read, as the reader changes it
  std::vector<char> given;  // the fields the object being encoded has named
  ZO_ULONG failedAtStart = 0;
  ZoString startText;
  ZO_ULONG rc = 0;
  ZoString text;
  std::vector<ZO_BYTE> scratch;
  std::vector<ZO_BYTE> converted;
  std::vector<ZO_BYTE> back;
  std::string utf8;

  bool fail(ZO_ULONG code, const ZoFieldLayout* field, const std::string& what) {
    rc = code;
    std::string t = "message " + std::string(messageName.text());
    if (field != nullptr) {
      t += ", field " + std::string(field->name.text()) + " at offset " + std::to_string(field->offset);
    }
    t += ": " + what;
    text = ZoString(t.c_str());
    return false;
  }

  // Converts `length` bytes from one CCSID to the other into `converted`.
  bool convertBytes(bool toRecordSide, const ZO_BYTE* in, std::size_t length) {
    converted.resize(length);
    if (!convert) {
      if (length != 0) std::memcpy(converted.data(), in, length);
      return true;
    }
    if (byteTables) {
      const ZO_BYTE* table = toRecordSide ? toRecord : toLocal;
      for (std::size_t i = 0; i < length; ++i) converted[i] = table[in[i]];
      return true;
    }
    return convertBetween(toRecordSide, in, length, converted);
  }

  bool convertBetween(bool toRecordSide, const ZO_BYTE* in, std::size_t length, std::vector<ZO_BYTE>& out) const {
    ZO_LONG room = static_cast<ZO_LONG>(2 * length + 16);
    out.resize(static_cast<std::size_t>(room));
    const ZO_LONG from = toRecordSide ? options.localCcsid : options.recordCcsid;
    const ZO_LONG to = toRecordSide ? options.recordCcsid : options.localCcsid;
    if (xcsConvertString(from, to, length == 0 ? out.data() : in, static_cast<ZO_LONG>(length), out.data(),
                         &room) != 0) {
      return false;
    }
    out.resize(static_cast<std::size_t>(room));
    return true;
  }

  // Whether `converted`, the other side's form of `length` bytes at `in`,
  // converts back to them: the tables substitute a character the target
  // does not hold, and map some characters many to one.
  bool comesBack(bool fromLocal, const ZO_BYTE* in, std::size_t length) {
    if (!convert) return true;
    if (byteTables) {
      const bool* ok = fromLocal ? encodable : exact;
      for (std::size_t i = 0; i < length; ++i)
        if (!ok[in[i]]) return false;
      return true;
    }
    return convertBetween(!fromLocal, converted.data(), converted.size(), back) && back.size() == length &&
           (length == 0 || std::memcmp(back.data(), in, length) == 0);
  }

  // How many of the record-side bytes `r` to keep in `room` bytes: whole
  // characters only; `closeRun` tells that a shift-in must follow them to
  // close a double-byte run (counted in `room`).
  std::size_t cutPoint(const std::vector<ZO_BYTE>& r, std::size_t room, bool& closeRun) const {
    closeRun = false;
    if (recordWalk == XCS_WALK_BYTES) return room;
    std::size_t keep = 0;
    std::size_t i = 0;
    bool inRun = false;
    while (i < r.size()) {
      std::size_t width = 1;
      bool endsInRun = false;
      if (recordWalk == XCS_WALK_SHIFT) {
        if (!inRun && r[i] == XCS_SHIFT_OUT) {
          inRun = true;  // nothing is kept for a shift-out until a pair follows it
          ++i;
          continue;
        }
        if (inRun && r[i] == XCS_SHIFT_IN) {
          inRun = false;
        } else if (inRun) {
          width = 2;
          endsInRun = true;
        }
      } else if (xcsLeadByte(recordLeadByteSet, r[i])) {
        width = 2;
      }
      if (i + width + (endsInRun ? 1 : 0) > room) break;
      i += width;
      keep = i;
      closeRun = endsInRun;
    }
    return keep;
  }

  void putNumber(ZO_BYTE* at, const ZoFieldLayout& field, std::int64_t value) const {
    unsigned char bytes[4];
    const auto n = static_cast<std::size_t>(field.length);
    if (field.dataType == ZODT_LONG) {
      const auto v = static_cast<ZO_LONG>(value);
      std::memcpy(bytes, &v, 4);
    } else if (field.dataType == ZODT_SHORT) {
      const auto v = static_cast<ZO_SHORT>(value);
      std::memcpy(bytes, &v, 2);
    } else {
      bytes[0] = static_cast<ZO_BYTE>(value);
    }
    for (std::size_t i = 0; i < n; ++i) at[i] = swap ? bytes[n - 1 - i] : bytes[i];
  }

  std::int64_t getNumber(const ZO_BYTE* at, const ZoFieldLayout& field) const {
    unsigned char bytes[4];
    const auto n = static_cast<std::size_t>(field.length);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = swap ? at[n - 1 - i] : at[i];
    if (field.dataType == ZODT_LONG) {
      ZO_LONG v;
      std::memcpy(&v, bytes, 4);
      return v;
    }
    if (field.dataType == ZODT_SHORT) {
      ZO_SHORT v;
      std::memcpy(&v, bytes, 2);
      return v;
    }
    return bytes[0];
  }

  // Writes `n` bytes of text into the field at `at`: a JSON text (UTF-8), or
  // with `isDefault` a definition's value, which may also be cut.
  bool putText(ZO_BYTE* at, std::size_t index, const char* text, std::size_t n, bool isDefault) {
    const ZoFieldLayout& field = layout.fields()[index];
    const auto room = static_cast<std::size_t>(field.length);
    const auto* p = reinterpret_cast<const ZO_BYTE*>(text);
    // A definition's value is in the local code page already; a JSON text is UTF-8.
    const bool latin1 = convert && options.localCcsid == kLatin1 && !isDefault;
    const bool viaUnicode = unicodeLocal && !isDefault;
    std::size_t total = 0;
    if ((!convert || byteTables) && !viaUnicode) {
      // One byte for one byte: written in place, counted past the field.
      // The bytes below 0x80 that fit go straight through the table.
      std::size_t i = 0;
      const std::size_t fits = n < room ? n : room;
      if (!convert) {
        for (; i < fits && p[i] < 0x80; ++i) at[i] = p[i];
      } else if (asciiEncodable || isDefault) {
        for (; i < fits && p[i] < 0x80; ++i) at[i] = toRecord[p[i]];
      }
      total = i;
      for (; i < n; ++i) {
        ZO_BYTE b = p[i];
        if (latin1 && b >= 0x80) {
          if ((b != 0xC2 && b != 0xC3) || i + 1 >= n) {
            return fail(ERR_DRV_DATA_CONVERSION_ERROR, &field, "the text has a character that CCSID 819 does not hold");
          }
          b = static_cast<ZO_BYTE>(((b & 0x03) << 6) | (p[++i] & 0x3F));
        }
        if (convert && !allEncodable && !isDefault && !encodable[b]) {
          return fail(ERR_DRV_DATA_CONVERSION_ERROR, &field,
                      "the text has a character that CCSID " + std::to_string(options.recordCcsid) + " does not hold");
        }
        if (total < room) at[total] = convert ? toRecord[b] : b;
        ++total;
      }
    } else {
      const ZO_BYTE* local = p;
      std::size_t localLength = n;
      if (latin1 || viaUnicode) {
        scratch.clear();
        std::size_t failedAt = 0;
        if (latin1 ? !utf8ToLatin1(p, n, scratch) : !xcsUtf8ToPage(unicodeWalk, p, n, scratch, failedAt)) {
          return fail(ERR_DRV_DATA_CONVERSION_ERROR, &field,
                      "the text has a character that CCSID " + std::to_string(options.localCcsid) + " does not hold");
        }
        local = scratch.data();
        localLength = scratch.size();
      }
      if (!convertBytes(true, local, localLength) || (!isDefault && !comesBack(true, local, localLength))) {
        return fail(ERR_DRV_DATA_CONVERSION_ERROR, &field,
                    "the text has a character that CCSID " + std::to_string(options.recordCcsid) + " does not hold");
      }
      total = converted.size();
      if (total > room) {
        if (!options.cutLongText && !isDefault) {
          return fail(ERR_MESS_DATA_OVERFLOW, &field,
                      "a text of " + std::to_string(total) + " bytes in CCSID " +
                          std::to_string(options.recordCcsid) + " does not fit the field's " + std::to_string(room));
        }
        // Cut between characters, a double-byte run closed by its shift-in.
        bool closeRun = false;
        std::size_t keep = cutPoint(converted, room, closeRun);
        if (keep != 0) std::memcpy(at, converted.data(), keep);
        if (closeRun) at[keep++] = XCS_SHIFT_IN;
        std::memset(at + keep, recordPads[index], room - keep);
        if (!isDefault) fail(ERR_MESS_DATA_TRUNCATED, &field, "the text was cut to " + std::to_string(keep) + " bytes");
        return true;
      }
      if (total != 0) std::memcpy(at, converted.data(), total);
    }
    std::size_t used = total;
    if (used > room) {
      if (!options.cutLongText && !isDefault) {
        return fail(ERR_MESS_DATA_OVERFLOW, &field,
                    "a text of " + std::to_string(used) + " bytes does not fit the field's " + std::to_string(room));
      }
      used = room;
      if (!isDefault) fail(ERR_MESS_DATA_TRUNCATED, &field, "the text was cut to " + std::to_string(room) + " bytes");
    }
    std::memset(at + used, recordPads[index], room - used);
    return true;
  }

  // A JSON integer for the numeric field at `index`; `negative` tells which
  // of the two forms holds it.
  bool putInteger(ZO_BYTE* record, std::size_t index, bool negative, std::int64_t signedValue,
                  std::uint64_t unsignedValue) {
    const ZoFieldLayout& field = layout.fields()[index];
    if (isText(field.dataType)) return fail(ERR_MESS_FIELD_VALUE_TYPE, &field, "the field takes a JSON string");
    std::int64_t low = 0, high = 0;
    zoDataTypeRange(field.dataType, low, high);
    const bool inRange = negative ? signedValue >= low && signedValue <= high
                                  : unsignedValue <= static_cast<std::uint64_t>(high);
    if (!inRange) {
      return fail(ERR_MESS_DATA_OVERFLOW, &field,
                  (negative ? std::to_string(signedValue) : std::to_string(unsignedValue)) +
                      " is outside the range of " + zoDataTypeKeyword(field.dataType) + " (" + std::to_string(low) +
                      " to " + std::to_string(high) + ")");
    }
    putNumber(record + field.offset, field, negative ? signedValue : static_cast<std::int64_t>(unsignedValue));
    return true;
  }

  bool putString(ZO_BYTE* record, std::size_t index, const char* text, std::size_t length) {
    const ZoFieldLayout& field = layout.fields()[index];
    if (!isText(field.dataType)) {
      return fail(ERR_MESS_FIELD_VALUE_TYPE, &field, std::string("the field takes a JSON integer (") +
                                                         zoDataTypeKeyword(field.dataType) + ")");
    }
    return putText(record + field.offset, index, text, length, false);
  }

  // First step of every call: clears the codes, or repeats the failure of
  // the construction.
  bool begin() {
    rc = failedAtStart;
    text = failedAtStart != 0 ? startText : ZoString();
    return failedAtStart == 0;
  }

  void inexactByte(const ZoFieldLayout& field, std::size_t i, ZO_BYTE byte) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned>(byte));
    fail(ERR_DRV_DATA_CONVERSION_ERROR, &field,
         std::string("byte ") + hex + " at offset " + std::to_string(field.offset + static_cast<ZO_LONG>(i)) +
             " has no exact counterpart in CCSID " + std::to_string(options.localCcsid));
  }

  bool wrongType(std::size_t index) {
    const ZoFieldLayout& field = layout.fields()[index];
    return fail(ERR_MESS_FIELD_VALUE_TYPE, &field,
                isText(field.dataType) ? std::string("the field takes a JSON string")
                                       : std::string("the field takes a JSON integer (") + zoDataTypeKeyword(field.dataType) + ")");
  }

  // The field named `key`: the one after the last member's first, as JSON
  // written from a record names them in order; else by name.
  const ZoFieldLayout* fieldNamed(const char* key, std::size_t length, std::size_t next) const {
    const std::vector<ZoFieldLayout>& fields = layout.fields();
    if (next < fields.size() && nameLengths[next] == length &&
        std::memcmp(fields[next].name.text(), key, length) == 0)
      return &fields[next];
    // A name holding a zero character names no field.
    if (std::memchr(key, 0, length) != nullptr) return nullptr;
    return layout.find(key);
  }
};

namespace {

// Reads one flat JSON object into the record as its members come, without
// building a document.
class RecordSax : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, RecordSax> {
 public:
  RecordSax(ZoRecordCodec::Impl& codec, ZO_BYTE* record) : codec_(codec), record_(record) {}

  bool Default() { return scalarWrong(); }
  bool Int(int value) { return integer(value); }
  bool Uint(unsigned value) { return integer(static_cast<std::uint64_t>(value)); }
  bool Int64(std::int64_t value) { return integer(value); }
  bool Uint64(std::uint64_t value) {
    if (!atMember()) return notObject();
    return codec_.putInteger(record_, field_, false, 0, value);
  }
  bool String(const char* text, rapidjson::SizeType length, bool) {
    if (!isUtf8Text(text, length)) return notUtf8();
    if (!atMember()) return notObject();
    return codec_.putString(record_, field_, text, length);
  }
  bool StartObject() {
    if (depth_ == 0) {
      depth_ = 1;
      return true;
    }
    return atMember() ? codec_.wrongType(field_) : notObject();
  }
  bool EndObject(rapidjson::SizeType) {
    depth_ = 0;
    return true;
  }
  bool StartArray() { return depth_ == 0 ? notObject() : (atMember() ? codec_.wrongType(field_) : false); }
  bool Key(const char* name, rapidjson::SizeType length, bool) {
    if (!isUtf8Text(name, length)) return notUtf8();
    const ZoFieldLayout* field = codec_.fieldNamed(name, length, next_);
    if (field == nullptr) {
      return codec_.fail(ERR_MESS_FIELD_NOT_FOUND, nullptr,
                         "the member \"" + std::string(name, length) + "\" names no field");
    }
    field_ = static_cast<std::size_t>(field - codec_.layout.fields().data());
    if (codec_.given[field_] != 0) {
      return codec_.fail(ERR_MESS_DUPLICATE_FIELD, field, "the member is given twice");
    }
    codec_.given[field_] = 1;
    next_ = field_ + 1;
    hasKey_ = true;
    return true;
  }

 private:
  bool integer(std::int64_t value) {
    if (!atMember()) return notObject();
    return codec_.putInteger(record_, field_, value < 0, value, static_cast<std::uint64_t>(value));
  }
  bool atMember() {
    if (depth_ != 1 || !hasKey_) return false;
    hasKey_ = false;
    return true;
  }
  bool scalarWrong() { return atMember() ? codec_.wrongType(field_) : notObject(); }
  bool notUtf8() {
    codec_.badEncoding = true;
    return false;
  }
  bool notObject() { return codec_.fail(ERR_MESS_INVALID_FORMAT, nullptr, "the JSON is not an object"); }

  ZoRecordCodec::Impl& codec_;
  ZO_BYTE* record_;
  int depth_ = 0;
  bool hasKey_ = false;
  std::size_t field_ = 0;
  std::size_t next_ = 0;
};

}  // namespace

ZoRecordCodec::ZoRecordCodec(ZoMessage& message, const ZoRecordCodecOptions& options)
    : impl_(std::make_unique<Impl>()) {
  Impl& d = *impl_;
  d.options = options;
  d.messageName = message.getMessageName();
  d.layout = ZoMessageLayout(message);
  auto failStart = [&d](ZO_ULONG code, const std::string& what) {
    d.fail(code, nullptr, what);
    d.failedAtStart = code;
    d.startText = d.text;
  };
  if (d.layout.getErrorCode() != 0 || d.layout.getFieldCount() != message.getFieldCount()) {
    failStart(d.layout.getErrorCode() != 0 ? d.layout.getErrorCode() : ERR_MESS_INVALID_DATATYPE,
              "the message's fields have no record layout");
    return;
  }
  switch (options.encoding) {
    case 0:
      d.swap = false;
      break;
    case ZO_ENCODING_LITTLE_ENDIAN:
      d.swap = nativeIsBig();
      break;
    case ZO_ENCODING_BIG_ENDIAN:
    case ZO_ENCODING_HOST:
      d.swap = !nativeIsBig();
      break;
    default:
      failStart(ERR_DRV_ENCODING_MISMATCH, "unknown integer encoding " + std::to_string(options.encoding));
      return;
  }
  d.convert = options.recordCcsid != 0 && options.recordCcsid != options.localCcsid;
  if (d.convert) {
    XcsConversionShape in{}, out{};
    if (xcsQueryConversion(options.localCcsid, options.recordCcsid, &in) != 0 ||
        xcsQueryConversion(options.recordCcsid, options.localCcsid, &out) != 0) {
      failStart(ERR_DRV_DATA_CONVERSION_ERROR, "no conversion between CCSID " + std::to_string(options.localCcsid) +
                                                   " and CCSID " + std::to_string(options.recordCcsid));
      return;
    }
    if (in.walk == XCS_WALK_BYTES && out.walk == XCS_WALK_BYTES) {
      // One byte for one byte both ways: the tables are read once here.
      ZO_BYTE all[256];
      for (int b = 0; b < 256; ++b) all[b] = static_cast<ZO_BYTE>(b);
      ZO_LONG length = 256;
      const bool ok =
          xcsConvertString(options.localCcsid, options.recordCcsid, all, 256, d.toRecord, &length) == 0 &&
          length == 256;
      length = 256;
      d.byteTables = ok &&
                     xcsConvertString(options.recordCcsid, options.localCcsid, all, 256, d.toLocal, &length) == 0 &&
                     length == 256;
      for (int b = 0; b < 256; ++b) {
        d.exact[b] = d.toRecord[d.toLocal[b]] == b;
        d.encodable[b] = d.toLocal[d.toRecord[b]] == b;
        d.allEncodable = d.allEncodable && d.encodable[b];
        if (b < 0x80) d.asciiEncodable = d.asciiEncodable && d.encodable[b];
      }
    }
    d.recordWalk = out.walk;
    d.recordLeadByteSet = out.leadByteSet;
    // A local CCSID with Unicode tables takes the JSON's UTF-8 through them;
    // its double-byte characters only where the record's CCSID has them too.
    if (options.localCcsid != kLatin1 && xcsLoadUnicodeTables(options.localCcsid, d.unicode) == 0) {
      d.unicodeLocal = true;
      d.unicodeWalk = d.unicode.walk(in.walk != XCS_WALK_BYTES);
    }
  }
  if (d.byteTables && options.localCcsid == kLatin1) {
    d.fragments = true;
    for (int b = 0; b < 256; ++b) {
      Impl::Fragment& f = d.jsonOf[b];
      if (!d.exact[b]) continue;
      std::string text;
      const ZO_BYTE local = d.toLocal[b];
      latin1ToUtf8(&local, 1, text);
      std::string escaped;
      appendJsonString(text.data(), text.size(), escaped);
      f.length = static_cast<unsigned char>(escaped.size() - 2);
      std::memcpy(f.bytes, escaped.data() + 1, f.length);
    }
  }

  // The record of an empty object: each field's definition value or pad.
  const std::vector<ZoFieldLayout>& fields = d.layout.fields();
  d.defaults.assign(static_cast<std::size_t>(d.layout.getRecordSize()), 0);
  d.recordPads.assign(fields.size(), 0);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    std::string member = i == 0 ? "" : ",";
    appendJsonString(fields[i].name.text(), std::strlen(fields[i].name.text()), member);
    d.memberNames.push_back(member + ":");
    d.nameLengths.push_back(std::strlen(fields[i].name.text()));
  }
  ZoBrowseToken token = 0;
  message.startBrowseFields(&token);
  std::size_t index = 0;
  for (ZoField* f = message.getNextField(&token); f != nullptr && index < fields.size();
       f = message.getNextField(&token), ++index) {
    const ZoFieldLayout& field = fields[index];
    ZO_BYTE pad = field.padCharacter;
    if (d.convert && pad != 0 && d.convertBytes(true, &pad, 1) && d.converted.size() == 1) pad = d.converted[0];
    d.recordPads[index] = pad;
    ZO_BYTE* at = d.defaults.data() + field.offset;
    if (isText(field.dataType)) {
      // An authenticator's stored value is never part of a record made here.
      const std::string value = field.dataType == ZODT_STRING ? std::string(f->getValue().text()) : std::string();
      if (!d.putText(at, index, value.data(), value.size(), true)) {
        d.failedAtStart = d.rc;
        d.startText = d.text;
        break;
      }
    } else if (field.dataType == ZODT_LONG) {
      d.putNumber(at, field, f->getLongValue());
    } else if (field.dataType == ZODT_SHORT) {
      d.putNumber(at, field, f->getShortValue());
    } else {
      d.putNumber(at, field, f->getByteValue());
    }
  }
  message.endBrowseFields(&token);
  if (d.failedAtStart == 0) {
    d.rc = 0;
    d.text = ZoString();
  }
}

ZoRecordCodec::~ZoRecordCodec() = default;

ZO_BOOLEAN ZoRecordCodec::encode(const std::string& json, std::string& record) {
  Impl& d = *impl_;
  if (!d.begin()) return ZO_FALSE;
  record.assign(reinterpret_cast<const char*>(d.defaults.data()), d.defaults.size());
  // The reader takes a zero byte for the end of its input: what follows
  // one would not be read at all.
  const void* zero = std::memchr(json.data(), 0, json.size());
  if (zero != nullptr) {
    d.fail(ERR_MESS_INVALID_FORMAT, nullptr,
           "the text is not JSON (a zero byte at character " +
               std::to_string(static_cast<const char*>(zero) - json.data()) + ")");
    return ZO_FALSE;
  }
  d.given.assign(d.layout.fields().size(), 0);
  RecordSax sax(d, reinterpret_cast<ZO_BYTE*>(record.data()));
  // Read in place from a copy: strings are unescaped where they stand.
  d.insitu.assign(json.begin(), json.end());
  d.insitu.resize(json.size() + 1 + kReadAhead, '\0');
  d.badEncoding = false;
  rapidjson::Reader reader;
  rapidjson::InsituStringStream input(d.insitu.data());
  if (reader.Parse<rapidjson::kParseInsituFlag>(input, sax).IsError()) {
    // A failure of the handler has said why; the parser's own is the text's.
    if (d.rc == 0 || (d.rc & ZO_WARNING_CLASS_BIT) != 0) {
      std::size_t at = reader.GetErrorOffset();
      if (d.badEncoding) {
        // Where the text stops being UTF-8, as a reader checking it finds.
        std::copy(json.begin(), json.end(), d.insitu.begin());
        rapidjson::Reader checking;
        rapidjson::InsituStringStream whole(d.insitu.data());
        rapidjson::BaseReaderHandler<> nothing;
        if (checking.Parse<rapidjson::kParseInsituFlag | rapidjson::kParseValidateEncodingFlag>(whole, nothing)
                .IsError()) {
          at = checking.GetErrorOffset();
        }
      }
      d.fail(ERR_MESS_INVALID_FORMAT, nullptr, "the text is not JSON (at character " + std::to_string(at) + ")");
    }
    return ZO_FALSE;
  }
  return ZO_TRUE;
}

ZO_BOOLEAN ZoRecordCodec::decode(const std::string& record, std::string& json) {
  return decode(reinterpret_cast<const ZO_BYTE*>(record.data()), static_cast<ZO_LONG>(record.size()), json);
}

ZO_BOOLEAN ZoRecordCodec::decode(const ZO_BYTE* record, ZO_LONG length, std::string& json) {
  Impl& d = *impl_;
  if (!d.begin()) return ZO_FALSE;
  if (length != d.layout.getRecordSize() || (record == nullptr && length != 0)) {
    d.fail(ERR_MESS_INVALID_LENGTH, nullptr,
           "a record of " + std::to_string(length) + " bytes where the record has " +
               std::to_string(d.layout.getRecordSize()));
    return ZO_FALSE;
  }
  json.clear();
  json += '{';
  const std::vector<ZoFieldLayout>& fields = d.layout.fields();
  for (std::size_t index = 0; index < fields.size(); ++index) {
    const ZoFieldLayout& field = fields[index];
    json += d.memberNames[index];
    const ZO_BYTE* at = record + field.offset;
    if (!isText(field.dataType)) {
      char digits[24];
      const auto end = std::to_chars(digits, digits + sizeof digits, d.getNumber(at, field)).ptr;
      json.append(digits, static_cast<std::size_t>(end - digits));
      continue;
    }
    std::size_t used = static_cast<std::size_t>(field.length);
    while (used > 0 && at[used - 1] == d.recordPads[index]) --used;
    if (d.fragments) {
      const std::size_t start = json.size();
      json.resize(start + 2 + 6 * used);
      char* out = json.data() + start;
      *out++ = '"';
      for (std::size_t i = 0; i < used; ++i) {
        const Impl::Fragment& f = d.jsonOf[at[i]];
        if (f.length == 0) {
          d.inexactByte(field, i, at[i]);
          return ZO_FALSE;
        }
        std::memcpy(out, f.bytes, 6);
        out += f.length;
      }
      *out++ = '"';
      json.resize(static_cast<std::size_t>(out - json.data()));
      continue;
    }
    if (d.byteTables) {
      // Two record bytes that the tables give the same local byte would come
      // back as one of them: such a text is refused, not changed.
      for (std::size_t i = 0; i < used; ++i) {
        if (!d.exact[at[i]]) {
          d.inexactByte(field, i, at[i]);
          return ZO_FALSE;
        }
      }
    }
    if (!d.convertBytes(false, at, used) || (!d.byteTables && !d.comesBack(false, at, used))) {
      d.fail(ERR_DRV_DATA_CONVERSION_ERROR, &field,
             "the field's bytes do not convert from CCSID " + std::to_string(d.options.recordCcsid) +
                 " and back as they are");
      return ZO_FALSE;
    }
    if (d.unicodeLocal) {
      d.utf8.clear();
      std::size_t failedAt = 0;
      if (!xcsPageToUtf8(d.unicodeWalk, d.converted.data(), d.converted.size(), d.utf8, failedAt)) {
        d.fail(ERR_DRV_DATA_CONVERSION_ERROR, &field,
               "the field's text has a character that has no exact counterpart in Unicode (byte " +
                   std::to_string(failedAt) + " of its CCSID " + std::to_string(d.options.localCcsid) + " form)");
        return ZO_FALSE;
      }
      appendJsonString(d.utf8.data(), d.utf8.size(), json);
    } else if (d.convert && d.options.localCcsid == kLatin1) {
      d.utf8.clear();
      latin1ToUtf8(d.converted.data(), d.converted.size(), d.utf8);
      appendJsonString(d.utf8.data(), d.utf8.size(), json);
    } else {
      if (!isUtf8(d.converted.data(), d.converted.size())) {
        d.fail(ERR_DRV_DATA_CONVERSION_ERROR, &field, "the field's bytes are not UTF-8");
        return ZO_FALSE;
      }
      appendJsonString(reinterpret_cast<const char*>(d.converted.data()), d.converted.size(), json);
    }
  }
  json += '}';
  return ZO_TRUE;
}

const ZoMessageLayout& ZoRecordCodec::getLayout() const { return impl_->layout; }
ZO_LONG ZoRecordCodec::getRecordSize() const { return impl_->layout.getRecordSize(); }
const ZoString& ZoRecordCodec::getMessageName() const { return impl_->messageName; }
ZO_ULONG ZoRecordCodec::getErrorCode() const { return impl_->rc; }
const ZoString& ZoRecordCodec::getErrorText() const { return impl_->text; }
