// Inputs that once broke the code-page conversion, kept as plain tests.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/conversion.h"
#include "common/services.h"

namespace {

namespace fs = std::filesystem;

class ConversionRegression : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/convregXXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ::setenv("VEXO_XLAT_PATH", dir_.string().c_str(), 1);
  }
  void TearDown() override {
    xrkTermCommonServices();
    ::unsetenv("VEXO_XLAT_PATH");
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  void start(const std::string& control) {
    std::ofstream(dir_ / "VEXOCCS.TBL") << control;
    xrkTermCommonServices();
    ASSERT_EQ(xrkInitCommonServices("VEXO"), 0u);
  }
  fs::path dir_;
};

// Two CCSIDs on the same code pages copy; an empty target given as a null
// pointer must be refused as too short without touching memory.
TEST_F(ConversionRegression, CopyIntoAnEmptyNullTarget) {
  start("1 0 1 1 1 0\n3 0 1 1 2 0\n");
  const ZO_BYTE source[3] = {1, 2, 3};
  ZO_LONG length = 0;
  EXPECT_EQ(xcsConvertString(1, 3, source, 3, nullptr, &length), XCS_RC_TARGET_TOO_SHORT);
  EXPECT_EQ(xcsConvertString(77, 77, source, 3, nullptr, &length), XCS_RC_TARGET_TOO_SHORT);
  EXPECT_EQ(xcsConvertString(1, 3, nullptr, 0, nullptr, &length), 0);
  EXPECT_EQ(length, 0);
}

}  // namespace
