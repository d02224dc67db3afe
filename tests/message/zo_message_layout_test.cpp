// Record layouts: each field's offset, padding and size, checked against the
// places a ZoBuffer gives the same values.
#include "message/zo_message_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/return_codes.h"
#include "defs/zo_data_types.h"
#include "message/zo_buffer.h"
#include "message/zo_field.h"
#include "message/zo_message.h"
#include "text_definitions.h"

namespace {

struct FieldCase {
  ZO_LONG type;
  ZO_LONG length;
  ZO_LONG alignment;
  ZO_LONG offset;   // expected
  ZO_LONG padding;  // expected
  ZO_LONG bytes;    // expected
};

ZoField makeField(const std::string& name, const FieldCase& s) {
  ZoField f(name.c_str());
  f.setDataType(s.type);
  f.setLength(s.length);
  f.setAlignment(s.alignment);
  return f;
}

// Where a ZoBuffer puts each value when the fields are added in order.
std::vector<ZO_LONG> bufferOffsets(const std::vector<FieldCase>& specs, ZO_LONG* size) {
  ZoBuffer buffer;
  std::vector<ZO_LONG> offsets;
  const std::string text(64, 'x');
  for (const FieldCase& s : specs) {
    ZO_LONG occupied = 0;
    const ZO_LONG before = buffer.getPos();
    switch (s.type) {
      case ZODT_LONG: buffer.add(ZO_LONG{1}, s.alignment, &occupied); break;
      case ZODT_SHORT: buffer.add(ZO_SHORT{1}, s.alignment, &occupied); break;
      case ZODT_BYTE: buffer.add(ZO_BYTE{1}, s.alignment, &occupied); break;
      default:
        buffer.add(reinterpret_cast<const ZO_BYTE*>(text.data()), s.length, s.alignment, &occupied);
    }
    // The value is the end of what the add occupied; the rest was padding.
    offsets.push_back(before + occupied - ZoMessageLayout::valueBytes(s.type, s.length));
  }
  *size = buffer.getDataLength();
  return offsets;
}

struct Case {
  const char* what;
  std::vector<FieldCase> fields;
  ZO_LONG size;
};

const Case kCases[] = {
    {"texts side by side", {{ZODT_STRING, 3, 1, 0, 0, 3}, {ZODT_STRING, 5, 1, 3, 0, 5}}, 8},
    {"a long after three bytes", {{ZODT_STRING, 3, 1, 0, 0, 3}, {ZODT_LONG, 4, 4, 4, 1, 4}}, 8},
    {"a short after a byte", {{ZODT_BYTE, 1, 1, 0, 0, 1}, {ZODT_SHORT, 2, 2, 2, 1, 2}}, 4},
    {"eight-byte alignment",
     {{ZODT_STRING, 1, 1, 0, 0, 1}, {ZODT_STRING, 2, 8, 8, 7, 2}, {ZODT_BYTE, 1, 8, 16, 6, 1}},
     17},
    {"a numeric length beyond its width",
     {{ZODT_LONG, 9, 1, 0, 0, 4}, {ZODT_SHORT, 5, 1, 4, 0, 2}}, 6},
    {"an aligned offset needs no padding",
     {{ZODT_STRING, 4, 1, 0, 0, 4}, {ZODT_LONG, 4, 4, 4, 0, 4}, {ZODT_STRING, 0, 2, 8, 0, 0}}, 8},
    {"authenticators are texts",
     {{ZODT_AUTHENTICATOR, 6, 1, 0, 0, 6}, {ZODT_SYSTEM_AUTHENTICATOR, 3, 4, 8, 2, 3}}, 11},
};

TEST(MessageLayout, PlacesFieldsWhereTheBufferPutsThem) {
  for (const Case& c : kCases) {
    ZoMessageLayout layout;
    ZO_LONG padding = 0;
    for (std::size_t i = 0; i < c.fields.size(); ++i) {
      ASSERT_TRUE(layout.add(makeField("F" + std::to_string(i), c.fields[i]))) << c.what;
      padding += c.fields[i].padding;
    }
    ZO_LONG bufferSize = 0;
    const std::vector<ZO_LONG> offsets = bufferOffsets(c.fields, &bufferSize);
    ASSERT_EQ(layout.getFieldCount(), static_cast<ZO_LONG>(c.fields.size())) << c.what;
    for (std::size_t i = 0; i < c.fields.size(); ++i) {
      const ZoFieldLayout& f = layout.fields()[i];
      EXPECT_EQ(f.offset, c.fields[i].offset) << c.what << " field " << i;
      EXPECT_EQ(f.offset, offsets[i]) << c.what << " field " << i;
      EXPECT_EQ(f.padding, c.fields[i].padding) << c.what << " field " << i;
      EXPECT_EQ(f.length, c.fields[i].bytes) << c.what << " field " << i;
    }
    EXPECT_EQ(layout.getRecordSize(), c.size) << c.what;
    EXPECT_EQ(layout.getRecordSize(), bufferSize) << c.what;
    EXPECT_EQ(layout.getPaddingBytes(), padding) << c.what;
  }
}

TEST(MessageLayout, RefusesWhatHasNoRecordFormAndKeepsWhatWasPlaced) {
  struct Bad {
    ZO_LONG type, length, alignment;
    ZO_ULONG code;
  };
  const Bad bad[] = {
      {ZODT_NONE, 4, 1, ERR_MESS_INVALID_DATATYPE},
      {ZODT_STRING, 4, 3, ERR_MESS_INVALID_ALIGNMENT},  // offset 5 is not a multiple of 3
      {ZODT_STRING, 4, 0, ERR_MESS_INVALID_ALIGNMENT},
  };
  for (const Bad& b : bad) {
    ZoMessageLayout layout;
    ASSERT_TRUE(layout.add(makeField("FIRST", {ZODT_STRING, 5, 1, 0, 0, 5})));
    ZoField f("SECOND");
    f.setDataType(b.type);
    f.setLength(b.length);
    f.setAlignment(b.alignment);
    EXPECT_FALSE(layout.add(f));
    EXPECT_EQ(layout.getErrorCode(), b.code);
    EXPECT_EQ(layout.getFieldCount(), 1);
    EXPECT_EQ(layout.getRecordSize(), 5);
  }

  ZoMessageLayout huge;
  ZoField big("BIG");
  big.setDataType(ZODT_STRING);
  big.setLength(0x7FFFFFF0);
  ASSERT_TRUE(huge.add(big));
  ZoField more("MORE");
  more.setDataType(ZODT_STRING);
  more.setLength(0x20);
  EXPECT_FALSE(huge.add(more));
  EXPECT_EQ(huge.getErrorCode(), ERR_MESS_DATA_OVERFLOW);
  EXPECT_EQ(huge.getRecordSize(), 0x7FFFFFF0);
}

TEST(MessageLayout, FollowsABuiltMessageInItsOrder) {
  TextDefinitions defs;
  defs.add("[ORDER]\nFieldList = ORDNO, ORDQTY, ORDFLG, ORDNAM\n");
  defs.add("[ORDNO]\nDataType = STRING\nLength = 3\n");
  defs.add("[ORDQTY]\nDataType = LONG\nAlignment = 4\n");
  defs.add("[ORDFLG]\nDataType = BYTE\n");
  defs.add(
      "[ORDNAM]\nDataType = STRING\nLength = 10\nAlignment = 2\nPadCharacter = NULL\n"
      "Segment = 2\n");
  ZoMessage message("ORDER", defs.session());
  ASSERT_EQ(message.getErrorCode(), 0u);

  const ZoMessageLayout layout(message);
  ASSERT_EQ(layout.getErrorCode(), 0u);
  ASSERT_EQ(layout.getFieldCount(), 4);
  const char* names[] = {"ORDNO", "ORDQTY", "ORDFLG", "ORDNAM"};
  const ZO_LONG offsets[] = {0, 4, 8, 10};
  for (int i = 0; i < 4; ++i) {
    EXPECT_STREQ(layout.fields()[i].name.text(), names[i]);
    EXPECT_EQ(layout.fields()[i].offset, offsets[i]) << names[i];
  }
  EXPECT_EQ(layout.getRecordSize(), 20);
  ASSERT_NE(layout.find("ORDQTY"), nullptr);
  EXPECT_EQ(layout.find("ORDNAM")->segment, 2);
  EXPECT_EQ(layout.find("ORDNAM")->padCharacter, ZO_PAD_ZERO);
  EXPECT_EQ(layout.find("ordqty"), nullptr);
}

}  // namespace
