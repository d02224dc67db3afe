// Code-page conversion with the control file, the tables and the text all
// taken from the input. The input gives, in this order: the control file, a
// single-byte table (raw bytes, or a shifted identity), a double-byte table
// (raw bytes, or rows built for a list of lead bytes), the source and target
// CCSIDs, the target room, and the text to convert. The tables are written
// under the names that code pages 1, 2, 100 and 101 look for.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/conversion.h"
#include "common/services.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

constexpr std::size_t kSingleTable = 256;
constexpr std::size_t kDoubleRow = 512;

using Bytes = std::vector<std::uint8_t>;

Bytes singleTable(FuzzedDataProvider& input) {
  if (input.ConsumeBool()) return input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 300));
  std::uint8_t delta = input.ConsumeIntegral<std::uint8_t>();
  Bytes table(kSingleTable);
  for (std::size_t b = 0; b < kSingleTable; ++b) table[b] = static_cast<std::uint8_t>(b + delta);
  return table;
}

// Row 0 maps every byte to row 1 or to a lead byte's own row; each own row
// holds pairs taken from the input, repeated.
Bytes doubleTable(FuzzedDataProvider& input) {
  if (input.ConsumeBool()) return input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 3000));
  Bytes leads = input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 6));
  Bytes pattern = input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(1, 16));
  if (pattern.empty()) pattern.push_back(0x40);
  Bytes table((2 + leads.size()) * kDoubleRow, 0);
  for (std::size_t b = 0; b < 256; ++b) table[b] = 1;
  for (std::size_t i = 0; i < kDoubleRow; ++i) table[kDoubleRow + i] = 0xEE;
  for (std::size_t r = 0; r < leads.size(); ++r) {
    table[leads[r]] = static_cast<std::uint8_t>(r + 2);
    for (std::size_t i = 0; i < kDoubleRow; ++i) table[(r + 2) * kDoubleRow + i] = pattern[i % pattern.size()];
  }
  return table;
}

struct Directory {
  Directory() { ::setenv("VEXO_XLAT_PATH", FuzzScratch::instance().dir().c_str(), 1); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Directory directory;
  const FuzzScratch& scratch = FuzzScratch::instance();
  FuzzedDataProvider input(data, size);
  std::string control = input.ConsumeRandomLengthString(2000);
  Bytes single = singleTable(input);
  Bytes reverse = singleTable(input);
  Bytes dbl = doubleTable(input);
  static const ZO_LONG ccsids[] = {1, 2, 11, 12, 21, 22, 99};
  ZO_LONG from = ccsids[input.ConsumeIntegralInRange<std::size_t>(0, std::size(ccsids) - 1)];
  ZO_LONG to = ccsids[input.ConsumeIntegralInRange<std::size_t>(0, std::size(ccsids) - 1)];
  std::size_t room = input.ConsumeIntegralInRange<std::size_t>(0, 4096);
  Bytes source = input.ConsumeRemainingBytes<std::uint8_t>();

  scratch.write("VEXOCCS.TBL", control);
  scratch.write("00010002.tbl", single.data(), single.size());
  scratch.write("00020001.tbl", reverse.data(), reverse.size());
  scratch.write("00640065.tbl", dbl.data(), dbl.size());
  scratch.write("00650064.tbl", dbl.data(), dbl.size());

  xrkTermCommonServices();
  xrkInitCommonServices("VEXO");
  ZO_LONG type[2];
  xcsQueryCCSIDType(from, type);
  XcsConversionShape shape{};
  xcsQueryConversion(from, to, &shape);
  // The target has exactly `room` bytes, so a write past it is caught.
  Bytes target(room);
  ZO_LONG length = static_cast<ZO_LONG>(room);
  xcsConvertString(from, to, source.data(), static_cast<ZO_LONG>(source.size()), target.data(), &length);
  if (length < 0 || static_cast<std::size_t>(length) > room) std::abort();
  xrkTermCommonServices();
  return 0;
}
