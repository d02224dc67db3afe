// Code-page conversion with hand-made control files and tables: the control
// file, the table loader and its checks, and the conversion walks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/conversion.h"
#include "common/return_codes.h"
#include "common/services.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<ZO_BYTE>;

constexpr ZO_LONG kNotStarted = static_cast<ZO_LONG>(XEC_NOT_STARTED_OR_NO_TRACE_FILE);
constexpr ZO_LONG kNoControlFile = static_cast<ZO_LONG>(XEC_CONV_CONTROL_FILE_OPEN);
constexpr ZO_LONG kUnknownCcsid = static_cast<ZO_LONG>(XEC_CCSID_NOT_FOUND);

// Single-byte table adding `delta` to every byte.
Bytes shiftedTable(int delta) {
  Bytes t(256);
  for (int b = 0; b < 256; ++b) t[b] = static_cast<ZO_BYTE>(b + delta);
  return t;
}

// Double-byte table: every lead byte in `leads` has its own row, where the pair
// (lead, trail) becomes (lead ^ 0x80, trail + 1); other lead bytes use row 1 (0xEE 0xEE).
Bytes doubleTable(const std::vector<int>& leads) {
  Bytes t((2 + leads.size()) * 512);
  for (int b = 0; b < 256; ++b) t[b] = 1;
  for (int trail = 0; trail < 256; ++trail) t[512 + 2 * trail] = t[512 + 2 * trail + 1] = 0xEE;
  for (std::size_t r = 0; r < leads.size(); ++r) {
    std::size_t row = r + 2;
    t[leads[r]] = static_cast<ZO_BYTE>(row);
    for (int trail = 0; trail < 256; ++trail) {
      t[row * 512 + 2 * trail] = static_cast<ZO_BYTE>(leads[r] ^ 0x80);
      t[row * 512 + 2 * trail + 1] = static_cast<ZO_BYTE>(trail + 1);
    }
  }
  return t;
}

class ConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xrkTermCommonServices();
    char pattern[] = "/tmp/convtestXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("VEXO_XLAT_PATH", dir_.string().c_str(), 1);
  }
  void TearDown() override {
    xrkTermCommonServices();
    unsetenv("VEXO_XLAT_PATH");
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  void write(const std::string& name, const Bytes& data) {
    std::ofstream out(dir_ / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  }
  void writeText(const std::string& name, const std::string& text) { write(name, Bytes(text.begin(), text.end())); }

  ZO_LONG start() {
    xrkTermCommonServices();
    return static_cast<ZO_LONG>(xrkInitCommonServices("VEXO"));
  }

  // Converts `in`, with a target of `room` bytes (default: twice the source).
  ZO_LONG convert(ZO_LONG from, ZO_LONG to, const Bytes& in, Bytes& out, ZO_LONG room = -1) {
    out.assign(room < 0 ? 2 * in.size() + 8 : static_cast<std::size_t>(room), 0);
    ZO_LONG length = static_cast<ZO_LONG>(out.size());
    ZO_LONG rc = xcsConvertString(from, to, in.data(), static_cast<ZO_LONG>(in.size()), out.data(), &length);
    EXPECT_LE(length, static_cast<ZO_LONG>(out.size()));
    out.resize(static_cast<std::size_t>(length));
    return rc;
  }

  static const XcsCcsidRecord* record(ZO_LONG ccsid) {
    const XcsCcsidRecord* node = xrkControlBlock()->ccsidTree;
    while (node && node->ccsid != ccsid) node = ccsid < node->ccsid ? node->left : node->right;
    return node;
  }

  fs::path dir_;
};

TEST_F(ConversionTest, ControlFileRecordsAndTheirTexts) {
  writeText("VEXOCCS.TBL",
            "# comment 1 2 3\n"
            "37 300 37 1 1 0\n"
            "\n"
            "  \t\r\n"
            "500\t0\v\f500 1 1\n"
            "1252 x 1252 1 2 0 99 98\n"
            "273abc 0 273 1 1 -4\n"
            "500 0 500 1 3 7\n");
  ASSERT_EQ(start(), 0);
  const XcsCcsidRecord* r37 = record(37);
  ASSERT_NE(r37, nullptr);
  EXPECT_EQ(r37->singleByteCp, 37);
  EXPECT_EQ(r37->doubleByteCp, 300);
  EXPECT_STREQ(r37->singleByteText, "0025");
  EXPECT_STREQ(r37->doubleByteText, "012c");
  ZO_LONG result[2] = {-1, -1};
  EXPECT_EQ(xcsQueryCCSIDType(37, result), 0);
  EXPECT_EQ(result[0], 1);
  EXPECT_EQ(result[1], 1);
  // The later line for 500 replaced the earlier one.
  EXPECT_EQ(xcsQueryCCSIDType(500, result), 0);
  EXPECT_EQ(result[0], 3);
  EXPECT_EQ(record(500)->leadByteSet, 7);
  // Non-numeric fields read as 0, trailing text after digits is ignored, extra fields too.
  EXPECT_EQ(record(1252)->doubleByteCp, 0);
  EXPECT_EQ(record(1252)->leadByteSet, 0);
  EXPECT_EQ(record(273)->leadByteSet, -4);
  // Blank lines and comments make no records.
  EXPECT_EQ(record(0), nullptr);
  EXPECT_EQ(xcsQueryCCSIDType(0, result), kUnknownCcsid);
  EXPECT_EQ(xcsQueryCCSIDType(1, result), kUnknownCcsid);
}

TEST_F(ConversionTest, ControlFileOddValuesAndManyLines) {
  std::string text = "99999999999 1 2 3 4 5\n-7 -1 65536 1 1 0\n";
  // A long sorted file still gives a shallow tree.
  for (int c = 1; c <= 20000; ++c) text += std::to_string(c) + " 0 " + std::to_string(c) + " 1 1 0\n";
  text += std::string(5000, '7') + " 1\n";  // a line far longer than any fixed buffer
  writeText("VEXOCCS.TBL", text);
  ASSERT_EQ(start(), 0);
  EXPECT_STREQ(record(-7)->doubleByteText, "ffffffff");
  EXPECT_STREQ(record(-7)->singleByteText, "10000");
  EXPECT_EQ(record(0)->doubleByteCp, 1);  // the out-of-range CCSID and the overlong number read as 0
  int depth = 0;
  for (const XcsCcsidRecord* n = xrkControlBlock()->ccsidTree; n; n = n->left) ++depth;
  EXPECT_LT(depth, 20);
  ZO_LONG result[2];
  for (int c : {1, 777, 20000}) EXPECT_EQ(xcsQueryCCSIDType(c, result), 0) << c;
}

TEST_F(ConversionTest, RandomControlFilesNeverBreakTheLoad) {
  std::mt19937 random(7);
  for (int round = 0; round < 30; ++round) {
    Bytes junk(random() % 4000);
    for (auto& b : junk) b = static_cast<ZO_BYTE>(random());
    write("VEXOCCS.TBL", junk);
    EXPECT_EQ(start(), 0);
    Bytes out;
    convert(1, 2, Bytes{1, 2, 3}, out);
  }
}

TEST_F(ConversionTest, NotStartedAndNoControlFile) {
  xrkTermCommonServices();
  ZO_LONG result[2];
  ZO_BYTE in[1] = {1};
  ZO_BYTE out[1];
  ZO_LONG length = 1;
  EXPECT_EQ(xxxInitialize(), kNotStarted);
  EXPECT_EQ(xcsQueryCCSIDType(37, result), kNotStarted);
  EXPECT_EQ(xcsConvertString(37, 37, in, 1, out, &length), kNotStarted);

  // No control file: start-up reports it and knows no CCSID.
  EXPECT_EQ(start(), kNoControlFile);
  EXPECT_EQ(xcsQueryCCSIDType(37, result), kUnknownCcsid);
  EXPECT_EQ(xcsConvertString(37, 500, in, 1, out, &length), XCS_RC_SOURCE_CCSID_UNKNOWN);
}

TEST_F(ConversionTest, WithoutTheVariableTheCurrentDirectoryIsUsed) {
  writeText("VEXOCCS.TBL", "1 0 1 1 1 0\n2 0 2 1 1 0\n");
  write("00010002.tbl", shiftedTable(1));
  unsetenv("VEXO_XLAT_PATH");
  fs::path previous = fs::current_path();
  EXPECT_EQ(start(), kNoControlFile);
  fs::current_path(dir_);
  EXPECT_EQ(start(), 0);
  Bytes out;
  EXPECT_EQ(convert(1, 2, Bytes{10, 20}, out), 0);
  EXPECT_EQ(out, (Bytes{11, 21}));
  fs::current_path(previous);
}

TEST_F(ConversionTest, CopiesLengthsAndUnknownCcsids) {
  writeText("VEXOCCS.TBL", "1 0 1 1 1 0\n2 0 2 1 1 0\n3 0 1 1 2 0\n");
  write("00010002.tbl", shiftedTable(1));
  ASSERT_EQ(start(), 0);
  Bytes in{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  Bytes out;
  // Same CCSID, even an unknown one, and same code pages: a plain copy.
  EXPECT_EQ(convert(77, 77, in, out), 0);
  EXPECT_EQ(out, in);
  EXPECT_EQ(convert(1, 3, in, out), 0);
  EXPECT_EQ(out, in);
  // Ten bytes into eight: refused; the copy path fills the eight.
  EXPECT_EQ(convert(1, 2, in, out, 8), XCS_RC_TARGET_TOO_SHORT);
  EXPECT_EQ(convert(1, 3, in, out, 8), XCS_RC_TARGET_TOO_SHORT);
  EXPECT_EQ(out, Bytes(in.begin(), in.begin() + 8));
  EXPECT_EQ(convert(1, 2, in, out, 10), 0);
  EXPECT_EQ(out, (Bytes{2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(convert(1, 2, Bytes{}, out), 0);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(convert(9, 2, in, out), XCS_RC_SOURCE_CCSID_UNKNOWN);
  EXPECT_EQ(convert(9, 8, in, out), XCS_RC_SOURCE_CCSID_UNKNOWN);
  EXPECT_EQ(convert(1, 8, in, out), XCS_RC_TARGET_CCSID_UNKNOWN);
  // Unusable buffer arguments.
  ZO_LONG length = 4;
  ZO_BYTE buffer[4];
  EXPECT_EQ(xcsConvertString(1, 2, nullptr, 3, buffer, &length), XCS_RC_TARGET_TOO_SHORT);
  EXPECT_EQ(xcsConvertString(1, 2, in.data(), -1, buffer, &length), XCS_RC_TARGET_TOO_SHORT);
  EXPECT_EQ(xcsConvertString(1, 2, in.data(), 3, buffer, nullptr), XCS_RC_TARGET_TOO_SHORT);
  length = -1;
  EXPECT_EQ(xcsConvertString(1, 2, in.data(), 3, buffer, &length), XCS_RC_TARGET_TOO_SHORT);
}

TEST_F(ConversionTest, BadTableFilesAreRefused) {
  writeText("VEXOCCS.TBL",
            "1 0 1 1 1 0\n2 0 2 1 1 0\n3 0 3 1 1 0\n4 0 4 1 1 0\n"
            "11 100 1 3 1 0\n12 200 1 3 1 0\n13 300 1 3 1 0\n14 400 1 3 1 0\n15 500 1 3 1 0\n"
            "16 600 1 3 1 0\n5 0 5 1 7 0\n");
  write("00010002.tbl", Bytes(255, 0x41));   // one byte short
  write("00010003.tbl", Bytes(257, 0x41));   // one byte long
  Bytes tooFar = doubleTable({0x41});
  tooFar[0x42] = 3;                          // a row past the end
  write("0064012c.tbl", Bytes(512, 1));      // not more than 512 bytes
  write("00c8012c.tbl", tooFar);
  write("012c0190.tbl", Bytes(131073, 0));   // larger than any double-byte table
  Bytes wide(131072, 0);                     // rows up to 255 fit exactly
  wide[0x41] = 255;
  wide[255 * 512 + 0x42 * 2] = 0xAB;
  wide[255 * 512 + 0x42 * 2 + 1] = 0xCD;
  write("01f4012c.tbl", wide);
  write("0258012c.tbl", Bytes(513, 0));
  ASSERT_EQ(start(), 0);
  Bytes out;
  EXPECT_EQ(convert(1, 2, Bytes{1}, out), XCS_RC_TABLE_INVALID);
  // A failed load is tried again once the file is right, in the entry it left.
  write("00010002.tbl", shiftedTable(2));
  EXPECT_EQ(convert(1, 2, Bytes{1}, out), 0);
  EXPECT_EQ(out, Bytes{3});
  EXPECT_EQ(xxxOpenConv("0002", "0000", "0001", "0000", 0), 1000);
  EXPECT_EQ(convert(1, 3, Bytes{1}, out), XCS_RC_TABLE_INVALID);
  EXPECT_EQ(convert(1, 4, Bytes{1}, out), XCS_RC_TABLE_INVALID);  // no file
  EXPECT_EQ(convert(11, 13, Bytes{1}, out), XCS_RC_TABLE_INVALID);
  EXPECT_EQ(convert(12, 13, Bytes{1}, out), XCS_RC_TABLE_INVALID);
  EXPECT_EQ(convert(13, 14, Bytes{1}, out), XCS_RC_TABLE_INVALID);
  EXPECT_EQ(convert(1, 5, Bytes{1}, out), XCS_RC_TABLE_INVALID);  // a CCSID type outside 1 to 3
  EXPECT_EQ(convert(15, 13, Bytes{0x0E, 0x41, 0x42, 0x0F}, out), 0);
  EXPECT_EQ(out, (Bytes{0x0E, 0xAB, 0xCD, 0x0F}));
  // Row 0 of a table of exactly 513 bytes is its own index: still inside.
  EXPECT_EQ(convert(16, 13, Bytes{0x0E, 0x41, 0x7F, 0x0F}, out), 0);
  // The failed loads after the first reused one entry: the good tables sit at 2 and 3.
  EXPECT_EQ(xxxOpenConv("0001", "012c", "0001", "0258", 0), 999003);
  EXPECT_EQ(xxxOpenConv("0001", "012c", "0001", "01f4", 0), 999002);
}

TEST_F(ConversionTest, RandomTablesConvertWithinBounds) {
  writeText("VEXOCCS.TBL", "1 0 1 1 1 0\n2 0 2 1 2 0\n11 100 1 3 1 0\n12 200 2 3 2 0\n");
  std::mt19937 random(3);
  Bytes single(256), dbl(131072);
  for (auto& b : single) b = static_cast<ZO_BYTE>(random());
  for (auto& b : dbl) b = static_cast<ZO_BYTE>(random() % 128);  // every row inside
  write("00010002.tbl", single);
  write("006400c8.tbl", dbl);
  write("00c80064.tbl", dbl);
  write("00020001.tbl", single);
  ASSERT_EQ(start(), 0);
  for (int round = 0; round < 200; ++round) {
    Bytes in(random() % 64);
    for (auto& b : in) b = static_cast<ZO_BYTE>(random() % 4 == 0 ? 0x0E + random() % 2 : random());
    Bytes out;
    for (auto [from, to] : {std::pair{11, 12}, std::pair{12, 11}}) {
      ZO_LONG room = static_cast<ZO_LONG>(in.size() + random() % 8);
      ZO_LONG rc = convert(from, to, in, out, room);
      EXPECT_TRUE(rc == 0 || rc == XCS_RC_NO_SOURCE_LEFT || rc == XCS_RC_NO_ROOM_FOR_RUN ||
                  rc == XCS_RC_PAIR_PAST_SOURCE || rc == XCS_RC_PAIR_PAST_TARGET)
          << rc;
    }
  }
}

TEST_F(ConversionTest, OpenConvPositionsAndNames) {
  write("00010002.tbl", shiftedTable(1));
  write("00020001.tbl", shiftedTable(-1));
  write("00640065.tbl", doubleTable({0x81}));
  ASSERT_EQ(start(), kNoControlFile);
  EXPECT_EQ(xxxOpenConv("0000", "0000", "0000", "0000", 0), 0);
  EXPECT_EQ(xxxOpenConv("0025", "0000", "0025", "0000", 0), 999000);
  EXPECT_EQ(xxxOpenConv("0002", "012c", "0001", "012c", 0), 1999);
  EXPECT_EQ(xxxOpenConv("0001", "0065", "0002", "0064", 0), 2003);
  EXPECT_EQ(xxxOpenConv("0002", "0065", "0001", "0064", 0), 1003);  // already loaded
  errno = 0;
  EXPECT_EQ(xxxOpenConv("0003", "0000", "0001", "0000", 0), -1);
  EXPECT_EQ(errno, EINVAL);
  // Texts that are not hex digits never reach the file system.
  errno = 0;
  EXPECT_EQ(xxxOpenConv("../x", "0000", "0001", "0000", 0), -1);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(xxxOpenConv(nullptr, "0000", "0001", "0000", 0), -1);
  EXPECT_EQ(xxxOpenConv("0001", "0000", "000000001", "0000", 0), -1);
}

TEST_F(ConversionTest, ManyTablesStayAddressable) {
  ASSERT_EQ(start(), kNoControlFile);
  // Fill the list past its growth steps; the last positions stay below 999.
  for (int n = 1; n <= 1000; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "%04x0fff.tbl", n);
    write(name, shiftedTable(0));
  }
  ZO_LONG last = 0;
  for (int n = 1; n <= 998; ++n) {
    char source[8];
    std::snprintf(source, sizeof source, "%04x", n);
    last = xxxOpenConv("0fff", "0000", source, "0000", 0);
    ASSERT_EQ(last, n * 1000) << n;
  }
  errno = 0;
  EXPECT_EQ(xxxOpenConv("0fff", "0000", "03e7", "0000", 0), -1);
  EXPECT_EQ(errno, ENOMEM);
}

// Threads that convert at once, loading tables as they go (the table list
// grows past its first block meanwhile), each get their own table's result.
TEST_F(ConversionTest, ThreadsConvertAtOnce) {
  constexpr int kThreads = 4;
  constexpr int kCodePages = 120;
  std::string control = "9999 0 4095 1 1 0\n";
  for (int n = 1; n <= kCodePages; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "%04x0fff.tbl", n);
    write(name, shiftedTable(n));
    control += std::to_string(n) + " 0 " + std::to_string(n) + " 1 1 0\n";
  }
  writeText("VEXOCCS.TBL", control);
  ASSERT_EQ(start(), 0);
  const Bytes in = {0x00, 0x41, 0x80};
  std::vector<int> wrong(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int n = t + 1; n <= kCodePages; n += kThreads) {
        Bytes out(in.size());
        ZO_LONG length = static_cast<ZO_LONG>(out.size());
        ZO_LONG rc = xcsConvertString(n, 9999, in.data(), static_cast<ZO_LONG>(in.size()), out.data(), &length);
        Bytes want = {static_cast<ZO_BYTE>(n), static_cast<ZO_BYTE>(0x41 + n), static_cast<ZO_BYTE>(0x80 + n)};
        if (rc != 0 || out != want) ++wrong[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(kThreads, 0));
}

class CodeConvTest : public ConversionTest {
 protected:
  void SetUp() override {
    ConversionTest::SetUp();
    write("00010002.tbl", shiftedTable(0x10));
    write("00640065.tbl", doubleTable({0x41, 0x42, 0x81, 0x9F, 0xE0}));
    ASSERT_EQ(start(), kNoControlFile);
    tables_ = xxxOpenConv("0002", "0065", "0001", "0064", leadByteSet_);
    ASSERT_EQ(tables_, 1002);
  }

  ZO_LONG run(const Bytes& in, Bytes& out, ZO_LONG method, std::size_t room, ZO_LONG tables = -1) {
    out.assign(room, 0);
    ZO_LONG length = static_cast<ZO_LONG>(room);
    ZO_LONG rc = xxxCodeConv(in.data(), static_cast<ZO_LONG>(in.size()), out.data(), &length,
                             tables < 0 ? tables_ : tables, method);
    out.resize(static_cast<std::size_t>(length));
    return rc;
  }

  ZO_LONG tables_ = 0;
  ZO_LONG leadByteSet_ = 0;
};

TEST_F(CodeConvTest, ShiftCodeWalk) {
  Bytes out;
  // Method 4 keeps the shift codes, method 1 drops them and reads 0x15 as 0x25.
  Bytes text{0x15, 0x0E, 0x41, 0x01, 0x42, 0x02, 0x0F, 0x20, 0x0E, 0x0F, 0x30};
  EXPECT_EQ(run(text, out, 4, 32), 0);
  EXPECT_EQ(out, (Bytes{0x25, 0x0E, 0xC1, 0x02, 0xC2, 0x03, 0x0F, 0x30, 0x1E, 0x1F, 0x40}));
  EXPECT_EQ(run(text, out, 1, 32), 0);
  EXPECT_EQ(out, (Bytes{0x35, 0xC1, 0x02, 0xC2, 0x03, 0x30, 0x1E, 0x1F, 0x40}));
  // The run may end exactly at the end of the source and of the target.
  EXPECT_EQ(run(Bytes{0x0E, 0x41, 0x01, 0x0F}, out, 4, 4), 0);
  EXPECT_EQ(out.size(), 4u);
  EXPECT_EQ(run(Bytes{0x0E, 0x0E, 0x0E, 0x0F}, out, 4, 4), 0);  // 0x0E as a lead byte
  // Runs that do not fit the source.
  EXPECT_EQ(run(Bytes{0x01, 0x0E}, out, 4, 8), XCS_RC_PAIR_PAST_SOURCE);
  EXPECT_EQ(run(Bytes{0x0E, 0x41, 0x01}, out, 4, 8), XCS_RC_PAIR_PAST_SOURCE);
  EXPECT_EQ(run(Bytes{0x0E, 0x41, 0x01, 0x42}, out, 1, 8), XCS_RC_PAIR_PAST_SOURCE);
  EXPECT_EQ(run(Bytes{0x0E, 0x41, 0x0F, 0x05}, out, 1, 8), XCS_RC_PAIR_PAST_SOURCE);
  // Runs that do not fit the target.
  EXPECT_EQ(run(Bytes{0x0E, 0x41, 0x01, 0x0F}, out, 4, 3), XCS_RC_PAIR_PAST_TARGET);
  EXPECT_EQ(out.size(), 3u);
  EXPECT_EQ(run(Bytes{0x0E, 0x41, 0x01, 0x0F}, out, 4, 2), XCS_RC_PAIR_PAST_TARGET);
  EXPECT_EQ(run(Bytes{0x01, 0x0E, 0x41, 0x01, 0x0F}, out, 1, 2), XCS_RC_PAIR_PAST_TARGET);
  EXPECT_EQ(run(Bytes{0x01, 0x02}, out, 4, 1), XCS_RC_PAIR_PAST_TARGET);
  // Without a double-byte table pairs are copied; without one at all every byte goes singly.
  EXPECT_EQ(run(Bytes{0x0E, 0x41, 0x01, 0x0F}, out, 4, 8, 1999), 0);
  EXPECT_EQ(out, (Bytes{0x0E, 0x41, 0x01, 0x0F}));
  EXPECT_EQ(run(Bytes{0x0E, 0x41, 0x01, 0x0F}, out, 4, 8, 1000), 0);
  EXPECT_EQ(out, (Bytes{0x1E, 0x51, 0x11, 0x1F}));
  EXPECT_EQ(run(Bytes{0x15}, out, 1, 8, 999000), 0);
  EXPECT_EQ(out, Bytes{0x15});
}

TEST_F(CodeConvTest, LeadByteWalk) {
  Bytes out;
  // Method 2 writes the shift codes around each run, method 3 does not.
  Bytes text{0x01, 0x81, 0x40, 0x9F, 0x41, 0x02, 0xE0, 0x42};
  EXPECT_EQ(run(text, out, 2, 32), 0);
  EXPECT_EQ(out, (Bytes{0x11, 0x0E, 0x01, 0x41, 0x1F, 0x42, 0x0F, 0x12, 0x0E, 0x60, 0x43, 0x0F}));
  EXPECT_EQ(run(text, out, 3, 32), 0);
  EXPECT_EQ(out, (Bytes{0x11, 0x01, 0x41, 0x1F, 0x42, 0x12, 0x60, 0x43}));
  // A run that ends exactly at the end of the source, and of the target.
  EXPECT_EQ(run(Bytes{0x81, 0x40}, out, 2, 4), 0);
  EXPECT_EQ(out, (Bytes{0x0E, 0x01, 0x41, 0x0F}));
  EXPECT_EQ(run(Bytes{0x81, 0x40}, out, 3, 2), 0);
  // A lone lead byte at the end.
  EXPECT_EQ(run(Bytes{0x01, 0x81}, out, 2, 8), XCS_RC_NO_SOURCE_LEFT);
  EXPECT_EQ(run(Bytes{0x81, 0x40, 0x81}, out, 3, 8), XCS_RC_NO_SOURCE_LEFT);
  // Not enough room for a run, its next pair or a single byte.
  EXPECT_EQ(run(Bytes{0x81, 0x40}, out, 2, 3), XCS_RC_NO_ROOM_FOR_RUN);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(run(Bytes{0x81, 0x40, 0x81, 0x41}, out, 2, 5), XCS_RC_NO_ROOM_FOR_RUN);
  EXPECT_EQ(out, (Bytes{0x0E, 0x01, 0x41, 0x0F}));
  EXPECT_EQ(run(Bytes{0x81, 0x40, 0x81, 0x41}, out, 3, 3), XCS_RC_NO_ROOM_FOR_RUN);
  EXPECT_EQ(run(Bytes{0x81, 0x40, 0x05}, out, 2, 4), XCS_RC_NO_ROOM_FOR_RUN);
  // A lead byte without a row of its own uses the table's row for it.
  EXPECT_EQ(run(Bytes{0x85, 0x40}, out, 3, 8), 0);
  EXPECT_EQ(out, (Bytes{0xEE, 0xEE}));
}

TEST(LeadByteSets, Ranges) {
  // set, first and last lead byte of each range
  const std::vector<std::vector<int>> sets = {
      {2, 0x8F, 0xFE}, {3, 0x81, 0xFC}, {5, 0x81, 0xFE}, {6, 0x8C, 0xFE},
      {0, 0x81, 0x9F, 0xE0, 0xFE}, {4, 0x81, 0x9F, 0xE0, 0xFE}};
  for (const auto& s : sets) {
    std::vector<bool> lead(256, false);
    for (std::size_t r = 1; r + 1 < s.size(); r += 2)
      for (int b = s[r]; b <= s[r + 1]; ++b) lead[b] = true;
    for (int b = 0; b < 256; ++b)
      EXPECT_EQ(xcsIsLeadByte(s[0], static_cast<ZO_BYTE>(b)) == TRUE, lead[b]) << "set " << s[0] << " byte " << b;
  }
}

TEST_F(ConversionTest, TheWalkUsesTheLeadByteSetOfTheSource) {
  // 11 uses set 2; 12 has another double-byte code page, 13 the same one
  // (pairs pass unchanged) with another single-byte code page.
  writeText("VEXOCCS.TBL", "11 100 1 3 2 2\n12 101 1 3 2 0\n13 100 2 3 2 0\n");
  write("00640065.tbl", doubleTable({}));
  write("00010002.tbl", shiftedTable(0x10));
  ASSERT_EQ(start(), 0);
  // Under set 2, 0x81 is a single byte and 0x8F leads a pair.
  const struct {
    ZO_LONG to;
    Bytes expected;
  } cases[] = {{12, {0x81, 0xEE, 0xEE}}, {13, {0x91, 0x8F, 0x40}}};
  for (const auto& c : cases) {
    Bytes out;
    EXPECT_EQ(convert(11, c.to, Bytes{0x81, 0x8F, 0x40}, out), 0) << c.to;
    EXPECT_EQ(out, c.expected) << c.to;
  }
}

TEST_F(CodeConvTest, BadPositionsAndMethods) {
  Bytes out;
  EXPECT_EQ(run(Bytes{1}, out, 0, 8), XCS_RC_TABLE_INVALID);
  EXPECT_EQ(run(Bytes{1}, out, 5, 8), XCS_RC_TABLE_INVALID);
  EXPECT_EQ(run(Bytes{1}, out, 1, 8, 3000), XCS_RC_TABLE_INVALID);  // nothing at 3
  EXPECT_EQ(run(Bytes{1}, out, 1, 8, 2000), XCS_RC_TABLE_INVALID);  // a double-byte table as single
  EXPECT_EQ(run(Bytes{1}, out, 1, 8, 1001), XCS_RC_TABLE_INVALID);  // and the other way round
  EXPECT_EQ(run(Bytes{1}, out, 1, 8, 1000), 0);
}

TEST_F(ConversionTest, ShiftModesMeetAndMethodsFollowTheTypes) {
  // 1 and 2: single-byte host and PC; 11 and 12: mixed host and PC on the same single-byte pages.
  writeText("VEXOCCS.TBL", "1 0 1 1 1 0\n2 0 2 1 2 0\n11 100 1 3 1 0\n12 101 2 3 2 0\n");
  write("00010002.tbl", shiftedTable(0x10));
  write("00020001.tbl", shiftedTable(-0x10));
  write("00640065.tbl", doubleTable({0x41}));
  write("00650064.tbl", doubleTable({0x81}));
  ASSERT_EQ(start(), 0);
  Bytes out;
  // Single-byte to mixed and back: no double-byte table is looked for.
  EXPECT_EQ(convert(1, 12, Bytes{0x15, 0x0E}, out), 0);
  EXPECT_EQ(out, (Bytes{0x35, 0x1E}));
  EXPECT_EQ(convert(12, 1, Bytes{0x81, 0x40}, out), 0);
  EXPECT_EQ(out, (Bytes{0x71, 0x30}));
  // Host mixed to PC mixed: method 1; PC mixed to host mixed: method 2.
  EXPECT_EQ(convert(11, 12, Bytes{0x15, 0x0E, 0x41, 0x05, 0x0F}, out), 0);
  EXPECT_EQ(out, (Bytes{0x35, 0xC1, 0x06}));
  EXPECT_EQ(convert(12, 11, Bytes{0x81, 0x05, 0x20}, out, 5), 0);
  EXPECT_EQ(out, (Bytes{0x0E, 0x01, 0x06, 0x0F, 0x10}));
  EXPECT_EQ(convert(12, 11, Bytes{0x81, 0x05, 0x20}, out, 4), XCS_RC_NO_ROOM_FOR_RUN);
  EXPECT_EQ(convert(12, 11, Bytes{0x20, 0x81}, out), XCS_RC_NO_SOURCE_LEFT);
  EXPECT_EQ(convert(11, 12, Bytes{0x0E, 0x41}, out), XCS_RC_PAIR_PAST_SOURCE);
}

}  // namespace
