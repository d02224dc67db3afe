// Piece-by-piece conversion gives exactly what one conversion of the whole
// input gives, whatever the piece size; and the vexoconv program's exits.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "common/conversion.h"
#include "common/services.h"
#include "tools/vexoconv/stream_converter.h"

namespace {

using Bytes = std::vector<ZO_BYTE>;

Bytes viaIconv(const char* to, const std::string& utf8) {
  iconv_t cd = iconv_open(to, "UTF-8");
  Bytes out(4 * utf8.size() + 16);
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* outPtr = reinterpret_cast<char*>(out.data());
  std::size_t outLeft = out.size();
  EXPECT_NE(iconv(cd, &in, &inLeft, &outPtr, &outLeft), static_cast<std::size_t>(-1));
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

// A text of Latin, digits, kana and kanji in runs of very different lengths.
std::string mixedText(unsigned seed) {
  const char* pieces[] = {"ABC ", "123 ", "\n", "日本語", "漢字", "東京都", "テスト", "XYZ", "滌漾", " "};
  std::mt19937 random(seed);
  std::string text;
  for (int i = 0; i < 400; ++i) {
    int count = random() % 5 == 0 ? 40 : 1;  // now and then a long run
    const char* piece = pieces[random() % std::size(pieces)];
    for (int c = 0; c < count; ++c) text += piece;
  }
  return text;
}

class StreamConverterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    binary_ = std::getenv("VEXO_BINARY_DIR");
    ASSERT_NE(binary_, nullptr);
    setenv("VEXO_XLAT_PATH", (std::string(binary_) + "/share/xlat").c_str(), 1);
    xrkTermCommonServices();
    ASSERT_EQ(xrkInitCommonServices("VEXO"), 0u);
  }
  void TearDown() override {
    xrkTermCommonServices();
    unsetenv("VEXO_XLAT_PATH");
  }

  static ZO_LONG whole(ZO_LONG from, ZO_LONG to, const Bytes& in, Bytes& out) {
    out.assign(2 * in.size() + 16, 0);
    ZO_LONG length = static_cast<ZO_LONG>(out.size());
    ZO_LONG rc = xcsConvertString(from, to, in.data(), static_cast<ZO_LONG>(in.size()), out.data(), &length);
    out.resize(static_cast<std::size_t>(length));
    return rc;
  }

  static ZO_LONG pieces(ZO_LONG from, ZO_LONG to, const Bytes& in, std::size_t pieceSize, Bytes& out) {
    StreamConverter converter(from, to, pieceSize);
    EXPECT_EQ(converter.prepare(), 0);
    out.clear();
    std::size_t at = 0;
    std::mt19937 random(static_cast<unsigned>(pieceSize));
    return converter.run(
        [&](ZO_BYTE* data, std::size_t size) {
          // Readers may give less than asked for.
          std::size_t n = std::min<std::size_t>({size, in.size() - at, 1 + random() % size});
          std::copy(in.begin() + static_cast<std::ptrdiff_t>(at), in.begin() + static_cast<std::ptrdiff_t>(at + n),
                    data);
          at += n;
          return n;
        },
        [&](const ZO_BYTE* data, std::size_t size) {
          out.insert(out.end(), data, data + size);
          return true;
        });
  }

  const char* binary_ = nullptr;
};

TEST_F(StreamConverterTest, PiecesMatchOneConversion) {
  for (unsigned seed : {1u, 2u}) {
    std::string text = mixedText(seed);
    Bytes host = viaIconv("IBM930", text);
    Bytes pc = viaIconv("IBM943", text);
    Bytes sbcs = viaIconv("IBM037", "plain text\nwith lines\n");
    struct Case {
      ZO_LONG from, to;
      const Bytes* in;
    };
    const Case cases[] = {{930, 943, &host}, {943, 930, &pc}, {930, 939, &host}, {930, 930, &host}, {37, 500, &sbcs}};
    for (const Case& c : cases) {
      Bytes expected;
      ASSERT_EQ(whole(c.from, c.to, *c.in, expected), 0);
      for (std::size_t size : {1u, 2u, 3u, 4u, 5u, 7u, 64u, 1000u, 65536u}) {
        Bytes got;
        ASSERT_EQ(pieces(c.from, c.to, *c.in, size, got), 0) << c.from << "->" << c.to << " piece " << size;
        EXPECT_EQ(got, expected) << c.from << "->" << c.to << " piece " << size;
      }
    }
  }
}

TEST_F(StreamConverterTest, CutShortInputFailsAsAWholeConversionDoes) {
  Bytes host = viaIconv("IBM930", "AB日本語");
  Bytes pc = viaIconv("IBM943", "AB日本語");
  Bytes out;
  for (std::size_t size : {1u, 3u, 100u}) {
    EXPECT_EQ(pieces(930, 943, Bytes(host.begin(), host.end() - 1), size, out), XCS_RC_PAIR_PAST_SOURCE);
    EXPECT_EQ(pieces(930, 943, Bytes(host.begin(), host.end() - 2), size, out), XCS_RC_PAIR_PAST_SOURCE);
    EXPECT_EQ(pieces(943, 930, Bytes(pc.begin(), pc.end() - 1), size, out), XCS_RC_NO_SOURCE_LEFT);
  }
  StreamConverter unknown(930, 12345);
  EXPECT_EQ(unknown.prepare(), XCS_RC_TARGET_CCSID_UNKNOWN);
}

TEST_F(StreamConverterTest, ProgramExitsAndMessages) {
  std::string dir = ::testing::TempDir();
  std::string program = std::string(binary_) + "/bin/vexoconv";
  std::string input = dir + "vexoconv_in.bin", output = dir + "vexoconv_out.bin", errors = dir + "vexoconv_err.txt";
  Bytes host = viaIconv("IBM930", mixedText(3));
  std::ofstream(input, std::ios::binary).write(reinterpret_cast<const char*>(host.data()),
                                               static_cast<std::streamsize>(host.size()));
  auto runProgram = [&](const std::string& args) {
    std::string command = program + " " + args + " <" + input + " >" + output + " 2>" + errors;
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  auto slurp = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };

  ASSERT_EQ(runProgram("930 943"), 0);
  Bytes expected;
  ASSERT_EQ(whole(930, 943, host, expected), 0);
  std::string got = slurp(output);
  EXPECT_EQ(Bytes(got.begin(), got.end()), expected);

  EXPECT_EQ(runProgram("930 4711"), 1);
  EXPECT_NE(slurp(errors).find("4711 is not known (2115)"), std::string::npos) << slurp(errors);
  EXPECT_EQ(runProgram("4711 930"), 1);
  EXPECT_NE(slurp(errors).find("(2111)"), std::string::npos);
  EXPECT_EQ(runProgram("930"), 2);
  EXPECT_EQ(runProgram("930 x"), 2);
  std::ofstream(input, std::ios::binary) << "AB\x0E\x45";
  EXPECT_EQ(runProgram("930 943"), 1);
  EXPECT_NE(slurp(errors).find("(-15)"), std::string::npos);
}

}  // namespace
