// Packing speed of ZoBuffer: one million mixed adds (long, short, byte and a
// short text, each with its own alignment) into one buffer that grows as it
// goes, and the unpacking of the same values.
#include <benchmark/benchmark.h>

#include "message/zo_buffer.h"

namespace {

constexpr int kValues = 1000000;
const ZO_BYTE kText[6] = {'A', 'B', 'C', 'D', 'E', 'F'};

void addMixed(ZoBuffer& buffer, int i) {
  switch (i & 3) {
    case 0:
      buffer.add(static_cast<ZO_LONG>(i), 4);
      break;
    case 1:
      buffer.add(static_cast<ZO_SHORT>(i), 2);
      break;
    case 2:
      buffer.add(static_cast<ZO_BYTE>(i));
      break;
    default:
      buffer.add(kText, 6, 8);
      break;
  }
}

void BM_BufferAddMixedMillion(benchmark::State& state) {
  for (auto _ : state) {
    ZoBuffer buffer;
    for (int i = 0; i < kValues; ++i) addMixed(buffer, i);
    benchmark::DoNotOptimize(buffer.getDataLength());
  }
  state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK(BM_BufferAddMixedMillion)->Unit(benchmark::kMillisecond);

void BM_BufferReadMixedMillion(benchmark::State& state) {
  ZoBuffer buffer;
  for (int i = 0; i < kValues; ++i) addMixed(buffer, i);
  for (auto _ : state) {
    buffer.setPos(0);
    ZO_LONG sum = 0;
    for (int i = 0; i < kValues; ++i) {
      switch (i & 3) {
        case 0:
          sum += buffer.readLong(4);
          break;
        case 1:
          sum += buffer.readShort(2);
          break;
        case 2:
          sum += buffer.readByte();
          break;
        default:
          sum += buffer.readString(6, 8).length();
          break;
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK(BM_BufferReadMixedMillion)->Unit(benchmark::kMillisecond);

}  // namespace
