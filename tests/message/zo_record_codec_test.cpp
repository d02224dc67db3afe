// Record codec: JSON objects to records and back, field by field at the
// places the message's layout gives, with and without code-page conversion.
#include "message/zo_record_codec.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "common/conversion_api.h"
#include "common/return_codes.h"
#include "common/services.h"
#include "message/zo_message.h"
#include "message/zo_message_layout.h"
#include "text_definitions.h"

namespace {

// CUSTNO 0-7, QTY 8-9, padding 10-11, PRICE 12-15, FLAG 16, NOTE 17-21, PIN 22-25.
void addOrder(TextDefinitions& defs) {
  defs.add("[ORDER]\nFieldList = CUSTNO, QTY, PRICE, FLAG, NOTE, PIN\n");
  defs.add("[CUSTNO]\nDataType = STRING\nLength = 8\nValue = C0\n");
  defs.add("[QTY]\nDataType = SHORT\nAlignment = 2\nValue = 7\n");
  defs.add("[PRICE]\nDataType = LONG\nAlignment = 4\n");
  defs.add("[FLAG]\nDataType = BYTE\n");
  defs.add("[NOTE]\nDataType = STRING\nLength = 5\nPadCharacter = NULL\nValue = hi\n");
  defs.add("[PIN]\nDataType = AUTHENTICATOR\nLength = 4\n");
}

std::string bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s += static_cast<char>(b);
  return s;
}

// Starts the common services on the tables the build made.
class Tables {
 public:
  Tables() {
    const char* binary = std::getenv("VEXO_BINARY_DIR");
    if (binary != nullptr) setenv("VEXO_XLAT_PATH", (std::string(binary) + "/share/xlat").c_str(), 1);
    xrkTermCommonServices();
    started = xrkInitCommonServices("VEXO") == 0;
  }
  ~Tables() {
    xrkTermCommonServices();
    unsetenv("VEXO_XLAT_PATH");
  }
  Tables(const Tables&) = delete;
  Tables& operator=(const Tables&) = delete;
  bool started = false;
};

}  // namespace

TEST(RecordCodec, EncodesEachFieldAtItsPlaceInBothByteOrders) {
  TextDefinitions defs;
  addOrder(defs);
  ZoMessage message("ORDER", defs.session());
  ASSERT_EQ(message.getErrorCode(), 0u);
  const std::string json = R"({"CUSTNO":"AB","QTY":-2,"PRICE":66051,"FLAG":255,"NOTE":"xyz","PIN":"pw"})";
  struct Case {
    ZO_LONG encoding;
    std::string record;
  } cases[] = {
      {0x111, "AB      " + bytes({0xFF, 0xFE, 0, 0, 0, 1, 2, 3, 0xFF}) + bytes({'x', 'y', 'z', 0, 0}) + "pw  "},
      {0x222, "AB      " + bytes({0xFE, 0xFF, 0, 0, 3, 2, 1, 0, 0xFF}) + bytes({'x', 'y', 'z', 0, 0}) + "pw  "},
  };
  for (const Case& c : cases) {
    ZoRecordCodecOptions options;
    options.encoding = c.encoding;
    ZoRecordCodec codec(message, options);
    ASSERT_EQ(codec.getErrorCode(), 0u) << codec.getErrorText().text();
    EXPECT_EQ(codec.getRecordSize(), 26);
    std::string record;
    ASSERT_TRUE(codec.encode(json, record)) << codec.getErrorText().text();
    EXPECT_EQ(record, c.record) << c.encoding;
    std::string back;
    ASSERT_TRUE(codec.decode(record, back));
    EXPECT_EQ(back, json);
  }
  // Missing members take the definition's value or the pad; the padding bytes are zero.
  ZoRecordCodec codec(message);
  std::string record;
  ASSERT_TRUE(codec.encode("{}", record));
  EXPECT_EQ(record.substr(0, 12), "C0      " + bytes({7, 0, 0, 0}));
  EXPECT_EQ(record.substr(17), bytes({'h', 'i', 0, 0, 0}) + "    ");
  std::string back;
  ASSERT_TRUE(codec.decode(record, back));
  EXPECT_EQ(back, R"({"CUSTNO":"C0","QTY":7,"PRICE":0,"FLAG":0,"NOTE":"hi","PIN":""})");
}

TEST(RecordCodec, RefusesWhatDoesNotFitAndNamesTheFieldAndOffset) {
  TextDefinitions defs;
  addOrder(defs);
  ZoMessage message("ORDER", defs.session());
  struct Case {
    std::string json;
    bool cut;
    ZO_ULONG code;
    const char* text;  // part of the error text
  } cases[] = {
      {R"({"CUSTNO":"123456789"})", false, ERR_MESS_DATA_OVERFLOW, "message ORDER, field CUSTNO at offset 0: a text of 9 bytes"},
      {R"({"CUSTNO":"123456789"})", true, ERR_MESS_DATA_TRUNCATED, "field CUSTNO at offset 0: the text was cut to 8 bytes"},
      {R"({"QTY":32768})", false, ERR_MESS_DATA_OVERFLOW, "field QTY at offset 8: 32768 is outside the range of SHORT"},
      {R"({"QTY":-32769})", false, ERR_MESS_DATA_OVERFLOW, "field QTY at offset 8"},
      {R"({"PRICE":2147483648})", false, ERR_MESS_DATA_OVERFLOW, "field PRICE at offset 12"},
      {R"({"PRICE":18446744073709551615})", false, ERR_MESS_DATA_OVERFLOW, "field PRICE at offset 12"},
      {R"({"FLAG":-1})", false, ERR_MESS_DATA_OVERFLOW, "field FLAG at offset 16: -1 is outside the range of BYTE (0 to 255)"},
      {R"({"FLAG":256})", false, ERR_MESS_DATA_OVERFLOW, "field FLAG at offset 16"},
      {R"({"FLAG":1.5})", false, ERR_MESS_FIELD_VALUE_TYPE, "field FLAG at offset 16: the field takes a JSON integer"},
      {R"({"NOTE":5})", false, ERR_MESS_FIELD_VALUE_TYPE, "field NOTE at offset 17: the field takes a JSON string"},
      {R"({"QTY":"5"})", false, ERR_MESS_FIELD_VALUE_TYPE, "field QTY at offset 8"},
      {R"({"CUSTNO":"A","EXTRA":1})", false, ERR_MESS_FIELD_NOT_FOUND, "message ORDER: the member \"EXTRA\" names no field"},
      {R"({"QTY":1,"QTY":2})", false, ERR_MESS_DUPLICATE_FIELD, "field QTY at offset 8: the member is given twice"},
      {std::string("{\"QTY\":1}\0{\"QTY\":", 17), false, ERR_MESS_INVALID_FORMAT, "the text is not JSON (a zero byte at character 9)"},
      {R"([1,2])", false, ERR_MESS_INVALID_FORMAT, "the JSON is not an object"},
      {R"({"QTY":1)", false, ERR_MESS_INVALID_FORMAT, "the text is not JSON"},
      {"{\"NOTE\":\"a\xFF\"}", false, ERR_MESS_INVALID_FORMAT, "the text is not JSON (at character 10)"},
      {"{\"N\xC3\":1}", false, ERR_MESS_INVALID_FORMAT, "the text is not JSON (at character 3)"},
  };
  for (const Case& c : cases) {
    ZoRecordCodecOptions options;
    options.cutLongText = c.cut ? ZO_TRUE : ZO_FALSE;
    ZoRecordCodec codec(message, options);
    std::string record;
    const bool warning = (c.code & ZO_WARNING_CLASS_BIT) != 0;
    EXPECT_EQ(codec.encode(c.json, record) != ZO_FALSE, warning) << c.json;
    EXPECT_EQ(codec.getErrorCode(), c.code) << c.json;
    EXPECT_NE(std::string(codec.getErrorText().text()).find(c.text), std::string::npos)
        << c.json << ": " << codec.getErrorText().text();
    if (warning) {
      EXPECT_EQ(record.substr(0, 8), "12345678");
    }
  }
  // A record of another size is refused; the next good call clears the code.
  ZoRecordCodec codec(message);
  std::string json;
  EXPECT_FALSE(codec.decode(std::string(25, ' '), json));
  EXPECT_EQ(codec.getErrorCode(), ERR_MESS_INVALID_LENGTH);
  EXPECT_FALSE(codec.decode(std::string(27, ' '), json));
  EXPECT_TRUE(codec.decode(std::string(26, 'A'), json));
  EXPECT_EQ(codec.getErrorCode(), 0u);
  EXPECT_STREQ(codec.getErrorText().text(), "");
  // Without conversion a record's text must be UTF-8 to become JSON.
  EXPECT_FALSE(codec.decode(std::string(8, '\xC1') + std::string(18, 'A'), json));
  EXPECT_EQ(codec.getErrorCode(), ERR_DRV_DATA_CONVERSION_ERROR);
  // An unknown encoding makes the codec unusable.
  ZoRecordCodecOptions bad;
  bad.encoding = 5;
  ZoRecordCodec unusable(message, bad);
  EXPECT_EQ(unusable.getErrorCode(), ERR_DRV_ENCODING_MISMATCH);
  std::string record;
  EXPECT_FALSE(unusable.encode("{}", record));
  EXPECT_EQ(unusable.getErrorCode(), ERR_DRV_ENCODING_MISMATCH);
}

TEST(RecordCodec, ConvertsTextsToAndFromCcsid037) {
  Tables tables;
  ASSERT_TRUE(tables.started);
  TextDefinitions defs;
  addOrder(defs);
  ZoMessage message("ORDER", defs.session());
  ZoRecordCodecOptions options;
  options.recordCcsid = 37;
  ZoRecordCodec codec(message, options);
  ASSERT_EQ(codec.getErrorCode(), 0u) << codec.getErrorText().text();
  std::string record;
  ASSERT_TRUE(codec.encode(R"({"CUSTNO":"Ab1\u00e9"})", record)) << codec.getErrorText().text();
  // Blank pads are EBCDIC blanks, zero pads stay zero.
  EXPECT_EQ(record.substr(0, 8), bytes({0xC1, 0x82, 0xF1, 0x51, 0x40, 0x40, 0x40, 0x40}));
  EXPECT_EQ(record.substr(17), bytes({0x88, 0x89, 0, 0, 0, 0x40, 0x40, 0x40, 0x40}));
  std::string json;
  ASSERT_TRUE(codec.decode(record, json));
  EXPECT_EQ(json, "{\"CUSTNO\":\"Ab1\xC3\xA9\",\"QTY\":7,\"PRICE\":0,\"FLAG\":0,\"NOTE\":\"hi\",\"PIN\":\"\"}");
  // A record byte that the tables do not carry back exactly is refused.
  std::vector<ZO_BYTE> inexact;
  for (int b = 0; b < 256; ++b) {
    ZO_BYTE in = static_cast<ZO_BYTE>(b), local = 0, out = 0;
    ZO_LONG n = 1;
    if (xcsConvertString(37, 819, &in, 1, &local, &n) == 0 && xcsConvertString(819, 37, &local, 1, &out, &n) == 0 &&
        out != in)
      inexact.push_back(in);
  }
  if (!inexact.empty()) {
    std::string damaged = record;
    damaged[2] = static_cast<char>(inexact[0]);
    EXPECT_FALSE(codec.decode(damaged, json));
    EXPECT_NE(std::string(codec.getErrorText().text()).find("at offset 2 has no exact counterpart"), std::string::npos)
        << codec.getErrorText().text();
  }
  // Refused: a character 819 does not hold, and one whose record byte comes back as another (NEL as LF).
  for (const char* text : {"{\"CUSTNO\":\"\xE2\x82\xAC\"}", "{\"CUSTNO\":\"\\u0085\"}"}) {
    EXPECT_FALSE(codec.encode(text, record));
    EXPECT_EQ(codec.getErrorCode(), ERR_DRV_DATA_CONVERSION_ERROR);
    EXPECT_NE(std::string(codec.getErrorText().text()).find("field CUSTNO at offset 0"), std::string::npos);
  }
}

TEST(RecordCodec, CarriesJapaneseTextInMixedHostRecords) {
  Tables tables;
  ASSERT_TRUE(tables.started);
  TextDefinitions defs;
  addOrder(defs);
  ZoMessage message("ORDER", defs.session());
  const std::string a = "\xE3\x81\x82", i = "\xE3\x81\x84", u = "\xE3\x81\x86", e = "\xE3\x81\x88";
  struct Case {
    ZO_LONG ccsid;
    bool cut;
    std::string text;  // CUSTNO, 8 bytes
    ZO_ULONG code;
    std::string record;  // CUSTNO's bytes when encoded
  } cases[] = {
      {930, false, "AB", 0, bytes({0xC1, 0xC2, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40})},
      {930, false, "a" + a, 0, bytes({0x62, 0x0E, 0x44, 0x81, 0x0F, 0x40, 0x40, 0x40})},
      {939, false, "a" + a, 0, bytes({0x81, 0x0E, 0x44, 0x81, 0x0F, 0x40, 0x40, 0x40})},
      {930, false, a + i + u, 0, bytes({0x0E, 0x44, 0x81, 0x44, 0x82, 0x44, 0x83, 0x0F})},
      // Cut between characters; a cut run keeps its shift-in, a run without room for a pair goes.
      {939, true, a + i + u + e, ERR_MESS_DATA_TRUNCATED, bytes({0x0E, 0x44, 0x81, 0x44, 0x82, 0x44, 0x83, 0x0F})},
      {930, true, "ABCDEFG" + a, ERR_MESS_DATA_TRUNCATED, "\xC1\xC2\xC3\xC4\xC5\xC6\xC7\x40"},
      {930, false, a + i + u + e, ERR_MESS_DATA_OVERFLOW, ""},
      // Characters PC mixed Japanese does not hold: refused, not substituted.
      {930, false, "\xC3\xA9", ERR_DRV_DATA_CONVERSION_ERROR, ""},
      {939, false, "\xF0\x9F\x98\x80", ERR_DRV_DATA_CONVERSION_ERROR, ""},
      {930, false, "\xC2\xA5", ERR_DRV_DATA_CONVERSION_ERROR, ""},
  };
  for (const Case& c : cases) {
    ZoRecordCodecOptions options;
    options.recordCcsid = c.ccsid;
    options.localCcsid = 943;
    options.cutLongText = c.cut ? ZO_TRUE : ZO_FALSE;
    ZoRecordCodec codec(message, options);
    ASSERT_EQ(codec.getErrorCode(), 0u) << codec.getErrorText().text();
    const std::string json = "{\"CUSTNO\":\"" + c.text + "\"}";
    std::string record, back;
    EXPECT_EQ(codec.encode(json, record) != ZO_FALSE, c.record.size() == 8) << c.text;
    EXPECT_EQ(codec.getErrorCode(), c.code) << c.text << ": " << codec.getErrorText().text();
    if (c.record.empty()) continue;
    EXPECT_EQ(record.substr(0, 8), c.record) << c.text;
    ASSERT_TRUE(codec.decode(record, back)) << codec.getErrorText().text();
    if (c.code == 0) {
      EXPECT_EQ(back.substr(0, json.size() - 1), json.substr(0, json.size() - 1));
    }
  }
  // Record bytes that are no text of the code page are refused on decode.
  ZoRecordCodecOptions options;
  options.recordCcsid = 930;
  options.localCcsid = 943;
  ZoRecordCodec codec(message, options);
  std::string record, json;
  ASSERT_TRUE(codec.encode("{}", record));
  for (const std::string& text : {bytes({0x0E, 0x44, 0x81}), bytes({0x0E, 0x44, 0x81, 0x0F, 0x0E, 0x44, 0x82, 0x0F})}) {
    std::string damaged = record;
    damaged.replace(0, text.size(), text);
    EXPECT_FALSE(codec.decode(damaged, json)) << json;
    EXPECT_EQ(codec.getErrorCode(), ERR_DRV_DATA_CONVERSION_ERROR);
  }
}

namespace {

// One character the round trips draw from: its JSON text and its record bytes.
struct Piece {
  std::string json;
  std::string record;  // a double-byte character's pair, without shift codes
};

// Which characters and record bytes the codec carries both ways, found with
// CUSTNO (offset 0, 8 bytes): printable ASCII, some Japanese characters in a
// mixed code page, and every record byte.
void findPieces(ZoRecordCodec& codec, bool mixed, std::vector<Piece>& singles, std::vector<Piece>& doubles,
                std::vector<char>& recordBytes) {
  std::vector<std::string> candidates;
  for (char c = '!'; c <= '~'; ++c) {
    if (c != '"' && c != '\\') candidates.emplace_back(1, c);
  }
  for (char32_t c = 0x3041; mixed && c <= 0x30F6; c += 3) {
    candidates.push_back({static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                          static_cast<char>(0x80 | (c & 0x3F))});
  }
  for (const std::string& c : candidates) {
    const std::string json = "{\"CUSTNO\":\"" + c + "\"";
    std::string record, back;
    if (!codec.encode(json + "}", record) || !codec.decode(record, back) || back.compare(0, json.size(), json) != 0)
      continue;
    if (record[0] == '\x0E')
      doubles.push_back({c, record.substr(1, 2)});
    else
      singles.push_back({c, record.substr(0, 1)});
  }
  std::string blank;
  ASSERT_TRUE(codec.encode("{}", blank));
  for (int b = 0; b < 256; ++b) {
    std::string raw = blank, json, again;
    raw[0] = static_cast<char>(b);
    if (codec.decode(raw, json) && codec.encode(json, again) && again == raw) recordBytes.push_back(static_cast<char>(b));
  }
}

}  // namespace

TEST(RecordCodec, RandomValuesAndRecordsRoundTrip) {
  Tables tables;
  ASSERT_TRUE(tables.started);
  TextDefinitions defs;
  addOrder(defs);
  ZoMessage message("ORDER", defs.session());
  std::mt19937 random(31);
  const struct {
    ZO_LONG ccsid;
    ZO_LONG local;
  } pages[] = {{0, 819}, {37, 819}, {500, 819}, {930, 943}, {939, 943}};
  for (const auto& page : pages) {
    for (const ZO_LONG encoding : {0x111, 0x222}) {
      ZoRecordCodecOptions options;
      options.recordCcsid = page.ccsid;
      options.localCcsid = page.local;
      options.encoding = encoding;
      ZoRecordCodec codec(message, options);
      ASSERT_EQ(codec.getErrorCode(), 0u);
      const ZoMessageLayout& layout = codec.getLayout();
      std::vector<Piece> singles, doubles;
      std::vector<char> recordBytes;
      const bool mixed = page.local == 943;
      findPieces(codec, mixed, singles, doubles, recordBytes);
      ASSERT_GT(singles.size(), mixed ? 80u : 91u) << page.ccsid;
      ASSERT_GT(recordBytes.size(), mixed ? 120u : 90u) << page.ccsid;
      ASSERT_EQ(doubles.size() > 40, mixed) << page.ccsid;
      auto isText = [](const ZoFieldLayout& f) {
        return f.dataType != ZODT_LONG && f.dataType != ZODT_SHORT && f.dataType != ZODT_BYTE;
      };
      for (int round = 0; round < 200; ++round) {
        // JSON -> record -> JSON: texts that fit, without trailing pad characters.
        std::string json = "{";
        for (const ZoFieldLayout& f : layout.fields()) {
          if (json.size() > 1) json += ',';
          json += "\"" + std::string(f.name.text()) + "\":";
          if (f.dataType == ZODT_LONG) {
            json += std::to_string(static_cast<ZO_LONG>(random()));
          } else if (f.dataType == ZODT_SHORT) {
            json += std::to_string(static_cast<ZO_SHORT>(random()));
          } else if (f.dataType == ZODT_BYTE) {
            json += std::to_string(random() % 256);
          } else {
            // Record bytes left; a double-byte character costs a shift-out
            // and a shift-in more when it starts a run.
            std::size_t room = random() % (static_cast<std::size_t>(f.length) + 1);
            bool inRun = false;
            json += '"';
            for (;;) {
              const bool dbcs = !doubles.empty() && random() % 3 == 0;
              const std::size_t cost = dbcs ? (inRun ? 2 : 4) : 1;
              if (cost > room) break;
              room -= cost;
              json += (dbcs ? doubles[random() % doubles.size()] : singles[random() % singles.size()]).json;
              inRun = dbcs;
            }
            json += '"';
          }
        }
        json += "}";
        std::string record, back;
        ASSERT_TRUE(codec.encode(json, record)) << codec.getErrorText().text() << json;
        ASSERT_TRUE(codec.decode(record, back));
        ASSERT_EQ(back, json);
        // record -> JSON -> record: any bytes where the record keeps numbers,
        // texts of single bytes and double-byte runs (runs never side by
        // side: the code page writes them as one).
        std::string raw(static_cast<std::size_t>(codec.getRecordSize()), '\0');
        for (const ZoFieldLayout& f : layout.fields()) {
          const auto length = static_cast<std::size_t>(f.length);
          std::string text;
          while (text.size() < length) {
            const std::size_t left = length - text.size();
            if (isText(f) && !doubles.empty() && left >= 4 && random() % 3 == 0 &&
                (text.empty() || text.back() != '\x0F')) {
              text += '\x0E';
              for (std::size_t k = 1 + random() % ((left - 2) / 2); k > 0; --k)
                text += doubles[random() % doubles.size()].record;
              text += '\x0F';
            } else {
              text += isText(f) ? recordBytes[random() % recordBytes.size()] : static_cast<char>(random() % 256);
            }
          }
          raw.replace(static_cast<std::size_t>(f.offset), length, text);
        }
        std::string again;
        ASSERT_TRUE(codec.decode(raw, back)) << codec.getErrorText().text();
        ASSERT_TRUE(codec.encode(back, again)) << codec.getErrorText().text();
        ASSERT_EQ(again, raw) << back;
      }
    }
  }
}
