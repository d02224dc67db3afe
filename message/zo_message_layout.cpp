#include "message/zo_message_layout.h"

#include <cstring>
#include <limits>

#include "common/return_codes.h"
#include "defs/zo_data_types.h"
#include "message/zo_buffer.h"
#include "message/zo_field.h"
#include "message/zo_message.h"

ZoMessageLayout::ZoMessageLayout(ZoMessage& message) {
  ZoBrowseToken token = 0;
  message.startBrowseFields(&token);
  for (ZoField* field = message.getNextField(&token); field != nullptr;
       field = message.getNextField(&token)) {
    if (!add(*field)) break;
  }
  message.endBrowseFields(&token);
}

ZO_LONG ZoMessageLayout::valueBytes(ZO_LONG dataType, ZO_LONG length) {
  switch (dataType) {
    case ZODT_STRING:
    case ZODT_AUTHENTICATOR:
    case ZODT_SYSTEM_AUTHENTICATOR:
      return length;
    case ZODT_LONG:
      return ZO_LONG_LENGTH;
    case ZODT_SHORT:
      return ZO_SHORT_LENGTH;
    case ZODT_BYTE:
      return ZO_BYTE_LENGTH;
    default:
      return -1;
  }
}

ZO_BOOLEAN ZoMessageLayout::add(const ZoField& field) {
  rc_ = 0;
  if (field.getLength() < 0) {
    rc_ = ERR_MESS_INVALID_LENGTH;
    return ZO_FALSE;
  }
  const ZO_LONG bytes = valueBytes(field.getDataType(), field.getLength());
  if (bytes < 0) {
    rc_ = ERR_MESS_INVALID_DATATYPE;
    return ZO_FALSE;
  }
  const ZO_LONG padding = ZoBuffer::paddingAt(recordSize_, field.getAlignment());
  if (padding < 0) {
    rc_ = ERR_MESS_INVALID_ALIGNMENT;
    return ZO_FALSE;
  }
  const std::int64_t end = static_cast<std::int64_t>(recordSize_) + padding + bytes;
  if (end > std::numeric_limits<ZO_LONG>::max()) {
    rc_ = ERR_MESS_DATA_OVERFLOW;
    return ZO_FALSE;
  }

  ZoFieldLayout placed;
  placed.name = field.getName();
  placed.dataType = field.getDataType();
  placed.offset = recordSize_ + padding;
  placed.length = bytes;
  placed.alignment = field.getAlignment();
  placed.padding = padding;
  placed.segment = field.getSegment();
  placed.padCharacter = field.getPadCharacter();
  placed.fieldLength = field.getLength();
  fields_.push_back(std::move(placed));
  recordSize_ = static_cast<ZO_LONG>(end);
  paddingBytes_ += padding;
  return ZO_TRUE;
}

const ZoFieldLayout* ZoMessageLayout::find(const char* name) const {
  if (name == nullptr) return nullptr;
  for (const ZoFieldLayout& field : fields_) {
    if (std::strcmp(field.name.text(), name) == 0) return &field;
  }
  return nullptr;
}

const ZoFieldLayout* ZoMessageLayout::find(const ZoString& name) const { return find(name.text()); }
