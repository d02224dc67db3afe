#pragma once
// ZoMessageLayout: where each field of a message lies in the message's record.
//
// The record is what a ZoBuffer holds after every field of the message has
// been added to it in the message's order, from offset 0, each with its own
// alignment option: a text or authenticator field takes its length in bytes,
// a ZODT_LONG 4, a ZODT_SHORT 2 and a ZODT_BYTE 1 (a numeric field's length
// beyond that width is not part of the record). Offsets are measured from the
// start of the record, which is the alignment reference of every field: the
// segments of a message number its fields, they do not move them. The padding
// skipped before a field is never part of any field; the record ends with the
// last byte of its last field.
//
// This is the one place that computes offsets: the record codecs, the layout
// writers and the views all read them from here.
//
// Like the other objects of the library the layout keeps the code of its last
// failure instead of throwing: after a failure it holds the fields placed
// before it. A layout is a plain value: it may be read from several threads
// once built, but building one browses the message, which is not thread-safe.

#include <cstdint>
#include <vector>

#include "../common/vexo_export.h"
#include "../common/zo_types.h"
#include "../defs/zo_string.h"

class ZoField;
class ZoMessage;

// One field's place in the record.
struct VEXO_API ZoFieldLayout {
  ZoString name;
  ZO_LONG dataType = 0;     // a ZODT_* type
  ZO_LONG offset = 0;       // first byte of the value
  ZO_LONG length = 0;       // bytes of the value in the record
  ZO_LONG alignment = 1;    // the field's option: 1, 2, 4 or 8
  ZO_LONG padding = 0;      // bytes skipped just before the value
  ZO_LONG segment = 1;
  ZO_BYTE padCharacter = 0x20;
  ZO_LONG fieldLength = 0;  // the field's own length (a numeric one may exceed its width)

  // One past the value's last byte.
  ZO_LONG end() const { return offset + length; }
};

class VEXO_API ZoMessageLayout {
 public:
  // An empty layout: no fields, size 0.
  ZoMessageLayout() = default;
  // The layout of every field of `message`, in its order. It browses the
  // message, which leaves the message's internal error code as its browse
  // operations do.
  explicit ZoMessageLayout(ZoMessage& message);

  // Places `field` after the fields placed so far. A field without a record
  // form (ZODT_NONE or an unknown type) gives ERR_MESS_INVALID_DATATYPE, an
  // unusable alignment ERR_MESS_INVALID_ALIGNMENT, a negative length
  // ERR_MESS_INVALID_LENGTH and a record that would pass 2^31 - 1 bytes
  // ERR_MESS_DATA_OVERFLOW; the field is then not placed. Returns TRUE when
  // the field was placed.
  ZO_BOOLEAN add(const ZoField& field);

  // Bytes of the value of a field of `dataType` whose length is `length`, or
  // -1 for a type without a record form.
  static ZO_LONG valueBytes(ZO_LONG dataType, ZO_LONG length);

  const std::vector<ZoFieldLayout>& fields() const { return fields_; }
  // The field named `name` (case-sensitive, as the message's lookup), or null.
  const ZoFieldLayout* find(const ZoString& name) const;
  const ZoFieldLayout* find(const char* name) const;
  // Bytes of the whole record: the end of its last field.
  ZO_LONG getRecordSize() const { return recordSize_; }
  // Bytes of padding in the record, all fields together.
  ZO_LONG getPaddingBytes() const { return paddingBytes_; }
  ZO_LONG getFieldCount() const { return static_cast<ZO_LONG>(fields_.size()); }
  ZO_ULONG getErrorCode() const { return rc_; }

 private:
  std::vector<ZoFieldLayout> fields_;
  ZO_LONG recordSize_ = 0;
  ZO_LONG paddingBytes_ = 0;
  ZO_ULONG rc_ = 0;
};
