#include "level/level_scan.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string kCodeLevel = std::string("@(") + "!) ";
const std::string kModule = std::string("@(") + "#) ";

// Scans exactly the bytes of `data` (held in a buffer of that size, so a read
// past its end is caught by the address sanitizer) and returns what was printed.
struct ScanResult {
  int count;
  std::string output;
};

ScanResult scan(const std::string& data, LevMarkerKind kind = LevMarkerKind::ModuleVersion) {
  std::vector<unsigned char> bytes(data.begin(), data.end());
  std::FILE* out = std::tmpfile();
  EXPECT_NE(out, nullptr);
  const int count = levScanBuffer(bytes.data(), bytes.size(), levMarker(kind), out);
  std::string output;
  std::rewind(out);
  for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) output.push_back(static_cast<char>(c));
  std::fclose(out);
  return {count, output};
}

std::string cleaned(std::string line) {
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');
  levCleanLine(buffer.data());
  return buffer.data();
}

TEST(LevelScan, MarkersAreTheFiveCharacterKeys) {
  EXPECT_EQ(std::string(levMarker(LevMarkerKind::CodeLevel).bytes, LEV_MARKER_LENGTH), kCodeLevel);
  EXPECT_EQ(std::string(levMarker(LevMarkerKind::ModuleVersion).bytes, LEV_MARKER_LENGTH), kModule);
}

TEST(LevelScan, FindsEveryMatchOfItsOwnMarkerOnly) {
  std::string data = std::string(10, '\0') + kModule + "one" + '\0' + "xx" + kCodeLevel + "lvl" +
                     '\0' + kModule + "two" + '\0' + std::string(10, '\0');
  ScanResult modules = scan(data);
  EXPECT_EQ(modules.count, 2);
  EXPECT_EQ(modules.output, kModule + "one\n" + kModule + "two\n");
  ScanResult level = scan(data, LevMarkerKind::CodeLevel);
  EXPECT_EQ(level.count, 1);
  EXPECT_EQ(level.output, kCodeLevel + "lvl\n");
}

TEST(LevelScan, NearMissesAreNotMatches) {
  EXPECT_EQ(scan(std::string("@(#)x @(# ) @ (#) (#) @@(#)") + std::string(10, '\0')).count, 0);
  // A match right after a near miss that shares its first byte.
  ScanResult r = scan("@@(#" + std::string(") a") + '\0' + std::string(10, '\0'));
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(r.output, kModule + "a\n");
}

TEST(LevelScan, LastStartOffsetIsSixBytesFromTheEnd) {
  // Six bytes from the end: found, and the copy stops at the end of the data.
  ScanResult r = scan("abc" + kModule + "z");
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(r.output, kModule + "z\n");
  // Starting in the last five bytes: not found.
  EXPECT_EQ(scan("abcd" + kModule).count, 0);
  // Fewer bytes than a marker and one more: nothing to scan.
  EXPECT_EQ(scan(kModule).count, 0);
  EXPECT_EQ(scan("").count, 0);
  EXPECT_EQ(scan("@").count, 0);
}

TEST(LevelScan, LineIsCutAtTheLimitOrAtNul) {
  const std::string longText(200, 'a');
  ScanResult r = scan(kModule + longText + '\0');
  ASSERT_EQ(r.count, 1);
  EXPECT_EQ(r.output, kModule + std::string(LEV_LINE_MAX - LEV_MARKER_LENGTH, 'a') + "\n");

  r = scan(kModule + "short" + '\0' + "hidden tail" + '\0');
  EXPECT_EQ(r.output, kModule + "short\n");

  unsigned char from[] = {'a', 'b', 'c'};
  char line[LEV_LINE_MAX + 1];
  EXPECT_EQ(levCopyLine(from, 2, line), 2u);
  EXPECT_STREQ(line, "ab");
}

TEST(LevelScan, CleaningBlanksPunctuationAfterTheMarkerOnly) {
  EXPECT_EQ(cleaned(kModule + "dir/file_name.cpp, comp, rel-b0001  1.2.1.2 26/12/08 10:11:12"),
            kModule + "dir/file name.cpp, comp, rel b0001  1.2.1.2 26/12/08 10:11:12");
  EXPECT_EQ(cleaned(kCodeLevel + "(x)!#@-_;\"'<>?"), kCodeLevel + " x" + std::string(12, ' '));
  EXPECT_EQ(cleaned(kModule + "a\\b*c:d,e.f Z9"), kModule + "a\\b*c:d,e.f Z9");
  EXPECT_EQ(cleaned(kModule + "\t\x1a\x7f\x80\xff" + "ok"), kModule + "     ok");
  // Shorter than a marker: unchanged.
  EXPECT_EQ(cleaned("@-"), "@-");
}

TEST(LevelScan, PrintedLineIsCleaned) {
  ScanResult r = scan(kModule + "rel-b01 (x)" + '\0' + std::string(10, '\0'));
  EXPECT_EQ(r.output, kModule + "rel b01  x \n");
}

}  // namespace
