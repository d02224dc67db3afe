// vexorec encode|decode MESSAGE [options]: JSON Lines on standard input to
// the message's records on standard output, or the reverse. The message is
// built from the definition database vexo.ini names (VEXO_INI_PATH).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "common/conversion_api.h"
#include "common/conversion_files.h"
#include "common/return_codes.h"
#include "common/services.h"
#include "common/trace.h"
#include "import/user_hints.h"
#include "import/user_message.h"
#include "message/zo_message.h"
#include "message/zo_record_codec.h"
#include "platform/program.h"
#include "session/zo_encoding.h"
#include "session/zo_session.h"

namespace {

constexpr int kExitError = PROGRAM_EXIT_FAILURE;
constexpr int kExitUsage = PROGRAM_EXIT_USAGE;
constexpr const char* kUsage =
    "usage: vexorec encode|decode MESSAGE [--ccsid N] [--local-ccsid N] [--encoding E]\n"
    "               [--length-prefix] [--cut] [--skip-bad]\n";
constexpr const char* kHelp =
    "usage: vexorec encode|decode MESSAGE [options]\n"
    "       vexorec --help | --version\n"
    "encode: JSON Lines on standard input (one object a line, field name to value)\n"
    "        to MESSAGE's records on standard output; decode: the reverse.\n"
    "The message comes from the definition database vexo.ini names; see vexorec(1).\n"
    "  --ccsid N        CCSID of the records' texts (default: no conversion)\n"
    "  --local-ccsid N  CCSID the JSON texts pass through (default 819; 943 when\n"
    "                   --ccsid is a mixed CCSID such as 930 or 939)\n"
    "  --encoding E     integer byte order: native (default), a platform name such\n"
    "                   as \"Sun OS\" or \"Windows NT\", or a value (273, 546, 785, 0x111)\n"
    "  --length-prefix  each record preceded by its length, 4 bytes big-endian\n"
    "  --cut            cut a text longer than its field (a warning) instead of failing\n"
    "  --skip-bad       report a bad line or record on standard error and go on\n";

struct Options {
  bool encode = false;
  const char* message = nullptr;
  ZoRecordCodecOptions codec;
  bool lengthPrefix = false;
  bool skipBad = false;
  bool localGiven = false;
};

// Without --local-ccsid, texts pass through ISO 8859-1, or through PC mixed
// Japanese for a record CCSID with double-byte data.
constexpr ZO_LONG kMixedLocalCcsid = 943;
void chooseLocalCcsid(Options& o) {
  ZO_LONG type[2] = {0, 0};
  if (!o.localGiven && o.codec.recordCcsid != 0 && xcsQueryCCSIDType(o.codec.recordCcsid, type) == 0 &&
      type[1] == XCS_SHIFT_MODE_MIXED)
    o.codec.localCcsid = kMixedLocalCcsid;
}

bool parseNumber(const char* text, ZO_LONG& value) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  const long long v = std::strtoll(text, &end, 0);
  if (*end != '\0' || v < 0 || v > 0x7FFFFFFF) return false;
  value = static_cast<ZO_LONG>(v);
  return true;
}

bool parseEncoding(const char* text, ZO_LONG& encoding) {
  if (std::strcmp(text, "native") == 0) {
    encoding = 0;
    return true;
  }
  if (parseNumber(text, encoding)) return true;
  encoding = zoEncodingOfName(ZoString(text), ZoEncodingNames::PLATFORMS_AND_HOST);
  return encoding != 0;
}

bool parseOptions(int argc, char* argv[], Options& o) {
  if (argc < 3) return false;
  if (std::strcmp(argv[1], "encode") == 0) {
    o.encode = true;
  } else if (std::strcmp(argv[1], "decode") != 0) {
    return false;
  }
  o.message = argv[2];
  if (*o.message == '\0' || *o.message == '-') return false;
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--ccsid" && hasValue) {
      if (!parseNumber(argv[++i], o.codec.recordCcsid)) return false;
    } else if (arg == "--local-ccsid" && hasValue) {
      if (!parseNumber(argv[++i], o.codec.localCcsid)) return false;
      o.localGiven = true;
    } else if (arg == "--encoding" && hasValue) {
      if (!parseEncoding(argv[++i], o.codec.encoding)) return false;
    } else if (arg == "--length-prefix") {
      o.lengthPrefix = true;
    } else if (arg == "--cut") {
      o.codec.cutLongText = ZO_TRUE;
    } else if (arg == "--skip-bad") {
      o.skipBad = true;
    } else {
      return false;
    }
  }
  return true;
}

// Lines of a stream, read in large pieces; a line keeps every byte it has,
// zero bytes too (the JSON reader then refuses it).
class LineReader {
 public:
  explicit LineReader(std::FILE* in) : in_(in) {}
  // The next line without its end ("\n" or "\r\n"); false at the end of input.
  bool next(std::string& line) {
    line.clear();
    for (;;) {
      const char* start = buffer_.data() + pos_;
      const auto* end = static_cast<const char*>(std::memchr(start, '\n', buffer_.size() - pos_));
      if (end != nullptr) {
        line.append(start, static_cast<std::size_t>(end - start));
        pos_ += static_cast<std::size_t>(end - start) + 1;
        break;
      }
      line.append(start, buffer_.size() - pos_);
      buffer_.resize(kChunk);
      pos_ = 0;
      const std::size_t got = std::fread(buffer_.data(), 1, kChunk, in_);
      buffer_.resize(got);
      if (got == 0) {
        if (line.empty()) return false;
        break;
      }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  }

 private:
  static constexpr std::size_t kChunk = 1 << 16;
  std::FILE* in_;
  std::string buffer_;
  std::size_t pos_ = 0;
};

// Reads exactly `size` bytes; returns how many were read.
std::size_t readFully(std::FILE* in, char* into, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const std::size_t n = std::fread(into + got, 1, size - got, in);
    if (n == 0) break;
    got += n;
  }
  return got;
}

bool writeAll(std::FILE* out, const std::string& bytes) {
  return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
}

void report(const char* where, unsigned long number, const ZoRecordCodec& codec, bool skipped) {
  const bool warning = (codec.getErrorCode() & ZO_WARNING_CLASS_BIT) != 0;
  std::fprintf(stderr, "vexorec: %s %lu: %s%s%s\n", where, number, warning ? "warning: " : "",
               codec.getErrorText().text(), skipped ? " (skipped)" : "");
}

// The status at the end of the input: a read error fails the run.
int finish(unsigned long skipped, const char* what) {
  if (std::ferror(stdin)) {
    std::fprintf(stderr, "vexorec: cannot read standard input\n");
    return kExitError;
  }
  if (skipped != 0) std::fprintf(stderr, "vexorec: %lu bad %s%s skipped\n", skipped, what, skipped == 1 ? "" : "s");
  return 0;
}

int encodeLines(ZoRecordCodec& codec, const Options& o) {
  std::string line, record, prefix(4, '\0');
  unsigned long number = 0, skipped = 0;
  LineReader lines(stdin);
  while (lines.next(line)) {
    ++number;
    if (!codec.encode(line, record)) {
      report("line", number, codec, o.skipBad);
      if (!o.skipBad) return kExitError;
      ++skipped;
      continue;
    }
    if (codec.getErrorCode() != 0) report("line", number, codec, false);
    if (o.lengthPrefix) {
      const auto n = static_cast<std::uint32_t>(record.size());
      for (int i = 0; i < 4; ++i) prefix[static_cast<std::size_t>(i)] = static_cast<char>(n >> (24 - 8 * i));
      if (!writeAll(stdout, prefix)) return kExitError;
    }
    if (!writeAll(stdout, record)) return kExitError;
  }
  return finish(skipped, "line");
}

int decodeRecords(ZoRecordCodec& codec, const Options& o) {
  const auto size = static_cast<std::size_t>(codec.getRecordSize());
  std::string record, json;
  unsigned long number = 0, skipped = 0;
  for (;;) {
    std::size_t length = size;
    if (o.lengthPrefix) {
      unsigned char prefix[4];
      const std::size_t got = readFully(stdin, reinterpret_cast<char*>(prefix), 4);
      if (got == 0) break;
      ++number;
      if (got < 4) {
        std::fprintf(stderr, "vexorec: record %lu: the input ends inside its length prefix\n", number);
        return kExitError;
      }
      length = (std::size_t{prefix[0]} << 24) | (std::size_t{prefix[1]} << 16) | (std::size_t{prefix[2]} << 8) |
               prefix[3];
      // A length the message cannot have is not read: the stream cannot be trusted past it.
      if (length != size) {
        std::fprintf(stderr, "vexorec: record %lu: length prefix %zu where message %s has %zu bytes\n", number,
                     length, codec.getMessageName().text(), size);
        return kExitError;
      }
    }
    record.resize(length);
    const std::size_t got = readFully(stdin, record.data(), length);
    if (!o.lengthPrefix) {
      if (got == 0 && length != 0) break;
      ++number;
    }
    if (got < length) {
      std::fprintf(stderr, "vexorec: record %lu: truncated, %zu of %zu bytes\n", number, got, length);
      return kExitError;
    }
    if (!codec.decode(record, json)) {
      report("record", number, codec, o.skipBad);
      if (!o.skipBad) return kExitError;
      ++skipped;
      continue;
    }
    json += '\n';
    if (!writeAll(stdout, json)) return kExitError;
  }
  return finish(skipped, "record");
}

int run(int argc, char* argv[]) {
  Options o;
  if (!parseOptions(argc, argv, o)) {
    std::fprintf(stderr, "%s", kUsage);
    return kExitUsage;
  }
#ifdef _WIN32
  _setmode(_fileno(o.encode ? stdout : stdin), _O_BINARY);
#endif
  // The tables are needed only when texts are converted.
  const ZO_ULONG started = xrkInitCommonServices("VEXO");
  XTR_TEXT("VEXOREC starting");
  chooseLocalCcsid(o);
  UserMessage messages(stderr, stderr);
  ZoSession session(argc, argv);
  if (session.getErrorCode() != 0) {
    messages.issue(USERMSG_ERROR, session.getErrorCode(), session.getReasonCode(), session.getErrorText().text());
    messages.hints(PXMSessionHints(session));
    return kExitError;
  }
  ZoMessage message(o.message, session);
  const auto code = static_cast<ZO_ULONG>(message.getErrorCode());
  if (code != 0 && (code & ZO_WARNING_CLASS_BIT) == 0) {
    messages.issue(USERMSG_ERROR, code, code == ERR_DB_SYS_ERROR ? session.getReasonCode() : 0,
                   code == ERR_DB_SYS_ERROR ? session.getErrorText().text() : "");
    messages.hints(PXMMessageHints(code, o.message, session));
    return kExitError;
  }
  ZoRecordCodec codec(message, o.codec);
  if (codec.getErrorCode() == 0 && codec.getRecordSize() == 0 && !o.encode && !o.lengthPrefix) {
    // Records of no bytes cannot be counted in a stream of them.
    std::fprintf(stderr, "vexorec: message %s has a record of 0 bytes: decode it with --length-prefix\n", o.message);
    return kExitError;
  }
  if (codec.getErrorCode() != 0) {
    std::fprintf(stderr, "vexorec: %s%s\n", codec.getErrorText().text(),
                 started != 0 && o.codec.recordCcsid != 0 ? " (the conversion tables could not be read)" : "");
    return kExitError;
  }
  return o.encode ? encodeLines(codec, o) : decodeRecords(codec, o);
}

}  // namespace

int main(int argc, char* argv[]) { return programRunTool("vexorec", kHelp, argc, argv, run); }
