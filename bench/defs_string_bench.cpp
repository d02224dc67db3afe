// Costs of the string type on the paths the definitions use most: assigning
// and appending short names (in place) against long texts (reallocation),
// the name checks, and filling a list of field names.
#include <benchmark/benchmark.h>

#include <string>

#include "defs/zo_message_def.h"
#include "defs/zo_names.h"
#include "defs/zo_string.h"

namespace {

void BM_AssignShort(benchmark::State& state) {
  ZoString s;
  const char* a = "FIELD_0001";
  const char* b = "FIELD_0002";
  for (auto _ : state) {
    s = a;
    s = b;
    benchmark::DoNotOptimize(s.text());
  }
}
BENCHMARK(BM_AssignShort);

void BM_AssignLong(benchmark::State& state) {
  ZoString s;
  const char* a = "A description that is longer than sixteen characters";
  const char* b = "Another description longer than sixteen characters";
  for (auto _ : state) {
    s = a;
    s = b;
    benchmark::DoNotOptimize(s.text());
  }
}
BENCHMARK(BM_AssignLong);

void BM_AppendShortPieces(benchmark::State& state) {
  for (auto _ : state) {
    ZoString s("MAP");
    s += "_";
    s += "F";
    s += "01";
    benchmark::DoNotOptimize(s.text());
  }
}
BENCHMARK(BM_AppendShortPieces);

void BM_FieldNameRule(benchmark::State& state) {
  const ZoString name("CUSTOMER_ADDRESS_LINE_2");
  for (auto _ : state) benchmark::DoNotOptimize(zoFieldNameProblem(name));
}
BENCHMARK(BM_FieldNameRule);

void BM_AddFieldNames(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i) names.push_back("FIELD_" + std::to_string(i));
  for (auto _ : state) {
    ZoMessageDef def("MAP1");
    for (const std::string& f : names) def.addFieldNames(f.c_str(), f.c_str());
    benchmark::DoNotOptimize(def.getFieldCount());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AddFieldNames)->Arg(40)->Arg(200)->Arg(1000);

}  // namespace
