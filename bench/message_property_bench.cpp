// getProperty/setProperty by name on messages of 10 and of 10,000 fields: the
// time per call should not depend on the number of fields.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "message/zo_message.h"
#include "session/zo_session.h"

namespace {

// Messages here are filled by addField, so a session without a definition
// database (no VEXO_INI_PATH) serves: it only records them.
ZoSession& benchSession() {
  static char program[] = "bench";
  static char* argv[] = {program, nullptr};
  static std::unique_ptr<ZoSession> session = [] {
    unsetenv("VEXO_INI_PATH");
    return std::make_unique<ZoSession>(1, argv);
  }();
  return *session;
}

std::string fieldName(int i) { return "FIELD_" + std::to_string(i); }

// A message of `count` fields alternating text and long values.
std::unique_ptr<ZoMessage> makeMessage(int count) {
  auto message = std::make_unique<ZoMessage>("", benchSession());
  for (int i = 0; i < count; ++i) {
    ZoField field(fieldName(i).c_str());
    if (i % 2 == 0) {
      field.setLength(16);
      field.setValue("some text");
    } else {
      field.setValue(static_cast<ZO_LONG>(i));
    }
    message->addField(field);
  }
  return message;
}

// The names looked up: spread over the whole message.
std::vector<std::string> probeNames(int count) {
  std::vector<std::string> names;
  for (int i = 0; i < 64; ++i) names.push_back(fieldName((i * 7919) % count));
  return names;
}

void BM_GetPropertyByName(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  auto message = makeMessage(count);
  const std::vector<std::string> names = probeNames(count);
  ZoString text;
  ZO_LONG number = 0;
  std::size_t i = 0;
  for (auto _ : state) {
    const char* name = names[i++ % names.size()].c_str();
    if (message->getDataType(name) == ZODT_STRING)
      message->getProperty(name, text);
    else
      message->getProperty(name, &number);
    benchmark::DoNotOptimize(number);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetPropertyByName)->Arg(10)->Arg(10000);

void BM_SetPropertyByName(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  auto message = makeMessage(count);
  // Only the long fields (odd numbers), so every call takes the same path.
  std::vector<std::string> names;
  for (int i = 0; i < 64; ++i) names.push_back(fieldName(((i * 7919) % count) | 1));
  std::size_t i = 0;
  for (auto _ : state) {
    message->setProperty(names[i % names.size()].c_str(), static_cast<ZO_LONG>(i));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SetPropertyByName)->Arg(10)->Arg(10000);

}  // namespace
