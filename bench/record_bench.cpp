// record_bench DIR [RECORDS]: times ZoRecordCodec on a message of 25 fields
// (20 texts, 3 LONG, 2 SHORT; 600 bytes) in CCSID 037 with big-endian
// numbers, and the same record bytes through the conversion tables alone.
// Writes into DIR the definitions, the JSON Lines, the records and the
// layout (one line a field: name type offset length) for bench/records.py,
// and prints one line a measurement (CPU seconds): "NAME DIRECTION RECORDS SECONDS BYTES".
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>
#include <ctime>

#include "common/conversion_api.h"
#include "common/services_api.h"
#include "defs/zo_data_types.h"
#include "message/zo_message.h"
#include "message/zo_message_layout.h"
#include "message/zo_record_codec.h"
#include "session/zo_session.h"

namespace {

constexpr int kTexts = 20;
constexpr int kTextLength = 29;

// CPU seconds of this process: steadier than elapsed time on a shared machine.
double cpuNow() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
double seconds(double since) { return cpuNow() - since; }

void report(const char* name, const char* direction, std::size_t records, double time, std::size_t bytes) {
  std::printf("%s %s %zu %.6f %zu\n", name, direction, records, time, bytes);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: record_bench DIR [RECORDS]\n");
    return 2;
  }
  const std::string dir = argv[1];
  const std::size_t count = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 50000;
  if (std::getenv("VEXO_XLAT_PATH") == nullptr) setenv("VEXO_XLAT_PATH", VEXO_XLAT_DIR, 1);
  if (xrkInitCommonServices("VEXO") != 0) {
    std::fprintf(stderr, "record_bench: the conversion tables cannot be read\n");
    return 1;
  }

  // The definitions: texts and numbers interleaved.
  std::string defs = "[REC25]\nFieldList = ";
  std::string fields;
  for (int i = 0; i < 25; ++i) {
    const std::string name = "F" + std::to_string(i + 1);
    defs += (i ? ", " : "") + name;
    if (i % 5 == 4) {
      const bool isLong = i != 9 && i != 19;
      fields += "[" + name + "]\nDataType = " + (isLong ? "LONG\nAlignment = 4\n" : "SHORT\nAlignment = 2\n");
    } else {
      fields += "[" + name + "]\nDataType = STRING\nLength = " + std::to_string(kTextLength) + "\n";
    }
  }
  std::ofstream(dir + "/defs.txt") << defs << "\n" << fields;
  std::ofstream(dir + "/vexo.ini") << "[DefinitionDatabase]\nDatabaseName = " << dir
                                   << "/defs.txt\nDatabaseType = Txet\n";
  setenv("VEXO_INI_PATH", dir.c_str(), 1);
  char program[] = "record_bench";
  char* args[] = {program, nullptr};
  ZoSession session(1, args);
  ZoMessage message("REC25", session);
  if (session.getErrorCode() != 0 || message.getErrorCode() != 0) {
    std::fprintf(stderr, "record_bench: the message cannot be built\n");
    return 1;
  }
  ZoRecordCodecOptions options;
  options.recordCcsid = 37;
  options.encoding = 0x111;
  ZoRecordCodec codec(message, options);
  if (codec.getErrorCode() != 0) {
    std::fprintf(stderr, "record_bench: %s\n", codec.getErrorText().text());
    return 1;
  }
  const ZoMessageLayout& layout = codec.getLayout();
  {
    std::ofstream out(dir + "/layout.txt");
    for (const ZoFieldLayout& f : layout.fields()) {
      out << f.name.text() << ' ' << (f.dataType == ZODT_STRING ? "text" : f.dataType == ZODT_LONG ? "long" : "short")
          << ' ' << f.offset << ' ' << f.length << '\n';
    }
    out << "SIZE record " << layout.getRecordSize() << " 0\n";
  }

  // The JSON Lines: texts of random length from letters, digits and blanks.
  std::mt19937 random(25);
  const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 .,-";
  std::vector<std::string> lines(count);
  for (std::string& line : lines) {
    line = "{";
    for (const ZoFieldLayout& f : layout.fields()) {
      if (line.size() > 1) line += ',';
      line += "\"" + std::string(f.name.text()) + "\":";
      if (f.dataType == ZODT_STRING) {
        std::string text;
        const std::size_t n = 20 + random() % (kTextLength - 19);
        for (std::size_t i = 0; i < n; ++i) text += alphabet[random() % (sizeof alphabet - 1)];
        while (!text.empty() && text.back() == ' ') text.back() = 'x';
        line += "\"" + text + "\"";
      } else if (f.dataType == ZODT_LONG) {
        line += std::to_string(static_cast<ZO_LONG>(random()));
      } else {
        line += std::to_string(static_cast<ZO_SHORT>(random()));
      }
    }
    line += "}";
  }

  const auto size = static_cast<std::size_t>(codec.getRecordSize());
  std::string records(count * size, '\0');
  std::string record, json;
  double start = cpuNow();
  for (std::size_t i = 0; i < count; ++i) {
    if (!codec.encode(lines[i], record)) {
      std::fprintf(stderr, "record_bench: %s\n", codec.getErrorText().text());
      return 1;
    }
    records.replace(i * size, size, record);
  }
  report("vexo-codec", "encode", count, seconds(start), count * size);

  std::size_t jsonBytes = 0;
  start = cpuNow();
  for (std::size_t i = 0; i < count; ++i) {
    if (!codec.decode(reinterpret_cast<const ZO_BYTE*>(records.data() + i * size), static_cast<ZO_LONG>(size), json) ||
        json != lines[i]) {
      std::fprintf(stderr, "record_bench: record %zu does not decode to its line\n", i);
      return 1;
    }
    jsonBytes += json.size();
  }
  report("vexo-codec", "decode", count, seconds(start), count * size);

  // The floor: each record through the tables, 819 to 037 and back.
  std::vector<ZO_BYTE> local(records.size()), host(records.size());
  start = cpuNow();
  for (std::size_t i = 0; i < count; ++i) {
    ZO_LONG room = static_cast<ZO_LONG>(size);
    xcsConvertString(37, 819, reinterpret_cast<const ZO_BYTE*>(records.data() + i * size), room, local.data() + i * size,
                     &room);
  }
  const double toLocal = seconds(start);
  start = cpuNow();
  for (std::size_t i = 0; i < count; ++i) {
    ZO_LONG room = static_cast<ZO_LONG>(size);
    xcsConvertString(819, 37, local.data() + i * size, room, host.data() + i * size, &room);
  }
  report("tables-alone", "encode", count, seconds(start), count * size);
  report("tables-alone", "decode", count, toLocal, count * size);

  std::ofstream jsonOut(dir + "/records.jsonl", std::ios::binary);
  for (const std::string& line : lines) jsonOut << line << '\n';
  std::ofstream(dir + "/records.bin", std::ios::binary).write(records.data(), static_cast<std::streamsize>(records.size()));
  std::fprintf(stderr, "record_bench: %zu records of %zu bytes, %zu bytes of JSON\n", count, size, jsonBytes);
  xrkTermCommonServices();
  return 0;
}
