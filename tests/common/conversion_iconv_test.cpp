// The generated tables against the C library's iconv: every byte of every
// single-byte pair, and mixed Japanese texts between host and PC encodings.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/conversion.h"
#include "common/services.h"

namespace {

using Bytes = std::vector<ZO_BYTE>;

struct Ccsid {
  ZO_LONG number;
  const char* converter;
  bool host;
};

const Ccsid kSingleByte[] = {
    {37, "IBM037", true},   {273, "IBM273", true},    {277, "IBM277", true},   {280, "IBM280", true},
    {284, "IBM284", true},  {285, "IBM285", true},    {297, "IBM297", true},   {500, "IBM500", true},
    {1047, "IBM1047", true}, {437, "IBM437", false},  {850, "IBM850", false},  {819, "ISO-8859-1", false},
    {1252, "CP1252", false},
};

// The bytes iconv makes of `in`, or nothing when it cannot convert all of it.
std::optional<Bytes> viaIconv(const char* to, const char* from, const Bytes& in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  Bytes out(4 * in.size() + 16);
  char* inPtr = const_cast<char*>(reinterpret_cast<const char*>(in.data()));
  std::size_t inLeft = in.size();
  char* outPtr = reinterpret_cast<char*>(out.data());
  std::size_t outLeft = out.size();
  bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) &&
            iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

Bytes utf8(const char* text) { return Bytes(text, text + std::char_traits<char>::length(text)); }

class IconvComparison : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* binary = std::getenv("VEXO_BINARY_DIR");
    ASSERT_NE(binary, nullptr);
    setenv("VEXO_XLAT_PATH", (std::string(binary) + "/share/xlat").c_str(), 1);
    xrkTermCommonServices();
    ASSERT_EQ(xrkInitCommonServices("VEXO"), 0u);
  }
  void TearDown() override {
    xrkTermCommonServices();
    unsetenv("VEXO_XLAT_PATH");
  }

  static ZO_LONG convert(ZO_LONG from, ZO_LONG to, const Bytes& in, Bytes& out) {
    out.assign(2 * in.size() + 8, 0);
    ZO_LONG length = static_cast<ZO_LONG>(out.size());
    ZO_LONG rc = xcsConvertString(from, to, in.data(), static_cast<ZO_LONG>(in.size()), out.data(), &length);
    out.resize(static_cast<std::size_t>(length));
    return rc;
  }
};

TEST_F(IconvComparison, EveryByteOfEverySingleBytePair) {
  for (const Ccsid& from : kSingleByte) {
    for (const Ccsid& to : kSingleByte) {
      if (from.number == to.number) continue;
      Bytes all(256);
      for (int b = 0; b < 256; ++b) all[b] = static_cast<ZO_BYTE>(b);
      Bytes ours;
      ASSERT_EQ(convert(from.number, to.number, all, ours), 0) << from.number << " -> " << to.number;
      ASSERT_EQ(ours.size(), 256u);
      int compared = 0;
      for (int b = 0; b < 256; ++b) {
        // Host to PC reads the host new-line as line feed.
        if (from.host && !to.host && b == 0x15) {
          EXPECT_EQ(ours[b], ours[0x25]);
          continue;
        }
        std::optional<Bytes> theirs = viaIconv(to.converter, from.converter, Bytes{static_cast<ZO_BYTE>(b)});
        if (!theirs || theirs->size() != 1) continue;
        ++compared;
        EXPECT_EQ(ours[b], (*theirs)[0]) << from.number << " -> " << to.number << " byte " << b;
      }
      EXPECT_GE(compared, 128) << from.number << " -> " << to.number;
    }
  }
}

TEST_F(IconvComparison, MixedJapaneseBetweenHostAndPc) {
  struct Text {
    ZO_LONG host;
    const char* hostConverter;
    const char* text;
  };
  // Kanji (one led by 0x9F on the PC side), kana of both widths, Latin, digits, new lines
  // and several shift runs, some at the very start or end.
  const Text texts[] = {
      {930, "IBM930", "ABC 日本語 123 ｶﾀｶﾅ 漢字テスト XYZ\n東京都 ﾃｽﾄ 滌漾"},
      {930, "IBM930", "漢字だけ"},
      {930, "IBM930", "A漢B字C\nｱ東ｲ京ｳ 123"},
      {939, "IBM939", "Hello 日本語 world 漢字 text\n東京 abc ひらがな 123 滌"},
      {939, "IBM939", "abc"},
      {939, "IBM939", "全角　スペース and ｶﾅ-less text, 記号（）「」"},
  };
  for (const Text& t : texts) {
    SCOPED_TRACE(t.text);
    std::optional<Bytes> host = viaIconv(t.hostConverter, "UTF-8", utf8(t.text));
    std::optional<Bytes> pc = viaIconv("IBM943", "UTF-8", utf8(t.text));
    ASSERT_TRUE(host && pc);
    Bytes ours;
    ASSERT_EQ(convert(t.host, 943, *host, ours), 0);
    EXPECT_EQ(ours, *pc);
    ASSERT_EQ(convert(943, t.host, *pc, ours), 0);
    EXPECT_EQ(ours, *host);
  }
}

// The Unicode tables of 943: every character they hold is iconv's, both
// ways; texts go to and from UTF-8 as iconv takes them; what iconv maps only
// one way (a fallback) is no character of the tables.
TEST_F(IconvComparison, UnicodeTablesOf943) {
  XcsUnicodeTables tables;
  ASSERT_EQ(xcsLoadUnicodeTables(943, tables), 0);
  const XcsUnicodeWalk walk = tables.walk(true);
  std::size_t held = 0;
  for (unsigned code = 0; code < 0x10000; ++code) {
    const bool pair = code >= 0x100;
    if (pair && !xcsLeadByte(tables.leadByteSet, static_cast<ZO_BYTE>(code >> 8))) continue;
    const Bytes bytes = pair ? Bytes{static_cast<ZO_BYTE>(code >> 8), static_cast<ZO_BYTE>(code)}
                             : Bytes{static_cast<ZO_BYTE>(code)};
    std::string ours;
    std::size_t at = 0;
    if (!xcsPageToUtf8(walk, bytes.data(), bytes.size(), ours, at)) continue;
    ++held;
    std::optional<Bytes> theirs = viaIconv("UTF-8", "IBM943", bytes);
    ASSERT_TRUE(theirs) << code;
    ASSERT_EQ(ours, std::string(theirs->begin(), theirs->end())) << code;
    Bytes back;
    ASSERT_TRUE(xcsUtf8ToPage(walk, theirs->data(), theirs->size(), back, at));
    ASSERT_EQ(back, bytes) << code;
  }
  EXPECT_GT(held, 7000u);
  for (const char* text : {"ABC 日本語 123 ｶﾀｶﾅ 漢字テスト XYZ\n東京都", "全角　スペース、記号（）「」"}) {
    std::optional<Bytes> pc = viaIconv("IBM943", "UTF-8", utf8(text));
    ASSERT_TRUE(pc);
    Bytes ours;
    std::size_t at = 0;
    ASSERT_TRUE(xcsUtf8ToPage(walk, reinterpret_cast<const ZO_BYTE*>(text), std::strlen(text), ours, at));
    EXPECT_EQ(ours, *pc) << text;
  }
  // U+00A5 becomes 0x5C in iconv, which comes back as U+005C; U+00E9 is not in 943.
  for (const char* text : {"a\xC2\xA5", "\xC3\xA9"}) {
    Bytes ours;
    std::size_t at = 9;
    EXPECT_FALSE(xcsUtf8ToPage(walk, reinterpret_cast<const ZO_BYTE*>(text), std::strlen(text), ours, at));
    EXPECT_EQ(at, text[0] == 'a' ? 1u : 0u);
  }
  EXPECT_EQ(xcsLoadUnicodeTables(930, tables), XCS_RC_TABLE_INVALID);
}

TEST_F(IconvComparison, MixedJapaneseBetweenTheTwoHostPages) {
  // Text both host pages hold: shift runs are kept, the single-byte parts converted.
  const char* text = "ABC 日本語 123\n漢字 XYZ 東京都 (1+2=3) 滌";
  std::optional<Bytes> h930 = viaIconv("IBM930", "UTF-8", utf8(text));
  std::optional<Bytes> h939 = viaIconv("IBM939", "UTF-8", utf8(text));
  ASSERT_TRUE(h930 && h939);
  Bytes ours;
  ASSERT_EQ(convert(930, 939, *h930, ours), 0);
  EXPECT_EQ(ours, *h939);
  ASSERT_EQ(convert(939, 930, *h939, ours), 0);
  EXPECT_EQ(ours, *h930);
}

TEST_F(IconvComparison, TruncatedMixedTextsAreReported) {
  std::optional<Bytes> host = viaIconv("IBM930", "UTF-8", utf8("AB日本"));
  std::optional<Bytes> pc = viaIconv("IBM943", "UTF-8", utf8("AB日本"));
  ASSERT_TRUE(host && pc);
  Bytes ours;
  // Without the shift-in, and cut inside a pair.
  EXPECT_EQ(convert(930, 943, Bytes(host->begin(), host->end() - 1), ours), XCS_RC_PAIR_PAST_SOURCE);
  EXPECT_EQ(convert(930, 943, Bytes(host->begin(), host->end() - 2), ours), XCS_RC_PAIR_PAST_SOURCE);
  EXPECT_EQ(convert(943, 930, Bytes(pc->begin(), pc->end() - 1), ours), XCS_RC_NO_SOURCE_LEFT);
  // Mixed to single-byte: every byte goes singly, nothing is read past the end.
  EXPECT_EQ(convert(930, 37, Bytes(host->begin(), host->end() - 1), ours), 0);
}

}  // namespace
