// Throughput of xcsConvertString and of iconv(3) on the same data: single-byte
// (37 -> 1252) and mixed Japanese (930 -> 943, 943 -> 930). Bytes per second
// are the source bytes converted.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "common/conversion.h"
#include "common/services.h"

namespace {

using Bytes = std::vector<ZO_BYTE>;
constexpr std::size_t kDataSize = 1 << 20;

Bytes viaIconv(const char* to, const char* from, const Bytes& in) {
  iconv_t cd = iconv_open(to, from);
  Bytes out(4 * in.size() + 16);
  char* inPtr = const_cast<char*>(reinterpret_cast<const char*>(in.data()));
  std::size_t inLeft = in.size();
  char* outPtr = reinterpret_cast<char*>(out.data());
  std::size_t outLeft = out.size();
  iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

// About a megabyte of text: English prose, or Japanese prose mixed with Latin.
std::string sampleText(bool japanese) {
  const char* english[] = {"The quick brown fox ", "jumps over the lazy dog. ", "Invoice 2024-17: ", "total 1234.56\n"};
  const char* mixed[] = {"日本語のテキスト", "ABC 123 ", "漢字とカタカナ", "東京都 ", "\n", "ｶﾀｶﾅ "};
  std::mt19937 random(11);
  std::string text;
  while (text.size() < kDataSize) {
    text += japanese ? mixed[random() % std::size(mixed)] : english[random() % std::size(english)];
  }
  return text;
}

const Bytes& data(const char* encoding) {
  static const std::string en = sampleText(false);
  static const Bytes host37 = viaIconv("IBM037", "UTF-8", Bytes(en.begin(), en.end()));
  static const std::string jp = sampleText(true);
  static const Bytes host930 = viaIconv("IBM930", "UTF-8", Bytes(jp.begin(), jp.end()));
  static const Bytes pc943 = viaIconv("IBM943", "UTF-8", Bytes(jp.begin(), jp.end()));
  std::string e = encoding;
  return e == "IBM037" ? host37 : e == "IBM930" ? host930 : pc943;
}

void startServices() {
  static bool started = [] {
    setenv("VEXO_XLAT_PATH", VEXO_XLAT_DIR, 0);
    return xrkInitCommonServices("VEXO") == 0;
  }();
  if (!started) std::abort();
}

void convertWithTables(benchmark::State& state, ZO_LONG from, ZO_LONG to, const char* encoding) {
  startServices();
  const Bytes& in = data(encoding);
  Bytes out(2 * in.size() + 16);
  for (auto _ : state) {
    ZO_LONG length = static_cast<ZO_LONG>(out.size());
    if (xcsConvertString(from, to, in.data(), static_cast<ZO_LONG>(in.size()), out.data(), &length) != 0)
      state.SkipWithError("conversion failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}

void convertWithIconv(benchmark::State& state, const char* to, const char* from) {
  const Bytes& in = data(from);
  Bytes out(4 * in.size() + 16);
  iconv_t cd = iconv_open(to, from);
  for (auto _ : state) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(reinterpret_cast<const char*>(in.data()));
    std::size_t inLeft = in.size();
    char* outPtr = reinterpret_cast<char*>(out.data());
    std::size_t outLeft = out.size();
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
      state.SkipWithError("iconv failed");
    benchmark::DoNotOptimize(out.data());
  }
  iconv_close(cd);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}

BENCHMARK_CAPTURE(convertWithTables, single_37_to_1252, 37, 1252, "IBM037")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(convertWithIconv, single_37_to_1252, "CP1252", "IBM037")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(convertWithTables, mixed_930_to_943, 930, 943, "IBM930")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(convertWithIconv, mixed_930_to_943, "IBM943", "IBM930")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(convertWithTables, mixed_943_to_930, 943, 930, "IBM943")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(convertWithIconv, mixed_943_to_930, "IBM930", "IBM943")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
