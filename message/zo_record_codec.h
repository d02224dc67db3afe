#pragma once
// ZoRecordCodec: a message's record to and from a JSON object.
//
// The codec takes the fields of a message built from its definitions and
// places them where ZoMessageLayout says: encode turns a JSON object (field
// name to value) into the record, decode turns a record into a JSON object
// with every field in the message's order. JSON texts are UTF-8.
//
// Text fields (strings and authenticators):
//  - With a record CCSID of 0 (the default) the text's bytes are the record's
//    bytes: nothing is converted, and decode needs the field to hold UTF-8.
//  - With a record CCSID, texts are converted by the code-page tables between
//    the local CCSID and the record's. The local CCSID is 819 (ISO 8859-1) by
//    default: the codec itself turns the JSON's UTF-8 into those bytes and
//    back, so every character up to U+00FF passes. A local CCSID whose code
//    pages have Unicode tables among the conversion tables (943, PC mixed
//    Japanese) is reached from UTF-8 through them: with 943 a record in a
//    host mixed CCSID (930, 939) carries the JSON's Japanese text, its
//    double-byte runs between shift-out and shift-in. Another local CCSID
//    takes the JSON's bytes as they are.
//  - Nothing is substituted: a character the local or the record's CCSID
//    does not hold, and record bytes that would not come back as they are
//    (two characters the tables map to one), are ERR_DRV_DATA_CONVERSION_ERROR.
//  - A text longer than its field is an error, unless cutLongText is set: it
//    is then cut to the field and the call ends with the warning
//    ERR_MESS_DATA_TRUNCATED. A cut falls between characters, never inside a
//    double-byte character, and a cut double-byte run keeps its shift-in.
//    A shorter text is padded with the field's pad character (converted to
//    the record's CCSID). Decode drops the trailing pad characters.
// Numbers (LONG, SHORT, BYTE) are JSON integers within their type's range
// (-2^31..2^31-1, -32768..32767, 0..255), written in the given integer
// encoding: 0 native (the default), 0x222 little-endian, 0x111 or 0x311
// (the values a service definition's getEncoding gives) big-endian.
// A field the JSON object does not name takes its definition's value, or its
// pad characters (zero for a number) when the definition gives none. A JSON
// member that names no field is an error naming it. The padding bytes
// between fields are zero.
//
// Like the other objects of the library the codec keeps the code of its last
// failure instead of throwing: each call clears it and leaves its outcome,
// with a text naming the message, the field and its byte offset.
// ERR_MESS_FIELD_NOT_FOUND     a member that names no field
// ERR_MESS_DUPLICATE_FIELD     a member given twice
// ERR_MESS_FIELD_VALUE_TYPE    a value of the wrong JSON type for its field
// ERR_MESS_DATA_OVERFLOW       a text longer than its field, a number out of range
// ERR_MESS_DATA_TRUNCATED      (warning) a text cut to its field
// ERR_MESS_INVALID_FORMAT      a text that is not one JSON object
// ERR_MESS_INVALID_LENGTH      a record that is not the record's size
// ERR_DRV_DATA_CONVERSION_ERROR  a text the tables or UTF-8 cannot carry
// ERR_DRV_ENCODING_MISMATCH    an unknown integer encoding (construction)
// A construction failure (layout, CCSIDs, encoding) makes every later call
// fail with the same code. A codec may be used by one thread at a time.

#include <memory>
#include <string>

#include "../common/vexo_export.h"
#include "../common/zo_types.h"
#include "../defs/zo_string.h"

class ZoMessage;
class ZoMessageLayout;

struct VEXO_API ZoRecordCodecOptions {
  ZO_LONG recordCcsid = 0;     // CCSID of the record's texts; 0: no conversion
  ZO_LONG localCcsid = 819;    // CCSID the JSON's texts pass through (943 for 930, 939)
  ZO_LONG encoding = 0;        // integer encoding of the record; 0: native
  ZO_BOOLEAN cutLongText = ZO_FALSE;
};

class VEXO_API ZoRecordCodec {
 public:
  // Reads the message's layout, its fields' values and pad characters; the
  // message is not kept. The code-page tables must be reachable (the common
  // services started) when a record CCSID is given.
  explicit ZoRecordCodec(ZoMessage& message, const ZoRecordCodecOptions& options = ZoRecordCodecOptions());
  ~ZoRecordCodec();
  ZoRecordCodec(const ZoRecordCodec&) = delete;
  ZoRecordCodec& operator=(const ZoRecordCodec&) = delete;

  // The JSON object `json` as a record in `record` (replaced; on failure its
  // contents are unspecified). TRUE also after a warning.
  ZO_BOOLEAN encode(const std::string& json, std::string& record);
  // The record of `length` bytes as one JSON object on one line in `json`
  // (replaced, no line end).
  ZO_BOOLEAN decode(const ZO_BYTE* record, ZO_LONG length, std::string& json);
  ZO_BOOLEAN decode(const std::string& record, std::string& json);

  const ZoMessageLayout& getLayout() const;
  ZO_LONG getRecordSize() const;
  const ZoString& getMessageName() const;
  ZO_ULONG getErrorCode() const;
  // What the last failure or warning was; empty after a clean call.
  const ZoString& getErrorText() const;

  // The codec's state, defined in its source file.
  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};
