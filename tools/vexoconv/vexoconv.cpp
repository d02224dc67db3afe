// vexoconv FROM TO: converts standard input from CCSID FROM to CCSID TO and
// writes the result to standard output, using the code-page control file and
// tables found through VEXO_XLAT_PATH.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/conversion.h"
#include "common/return_codes.h"
#include "common/services.h"
#include "platform/program.h"
#include "tools/vexoconv/stream_converter.h"

namespace {

constexpr int kExitFailure = PROGRAM_EXIT_FAILURE;
constexpr const char* kUsage = "usage: vexoconv FROM TO  (CCSID numbers; standard input to standard output)\n";
constexpr const char* kHelp =
    "usage: vexoconv FROM TO\n"
    "       vexoconv --help | --version\n"
    "Converts standard input from CCSID FROM to CCSID TO onto standard output,\n"
    "with the tables in VEXO_XLAT_PATH (else the installed ones); see vexoconv(1).\n";

bool parseCcsid(const char* text, ZO_LONG& ccsid) {
  if (!text || !*text) return false;
  long long value = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + (*p - '0');
    if (value > 0x7FFFFFFF) return false;
  }
  ccsid = static_cast<ZO_LONG>(value);
  return true;
}

// What a result code means to the user.
std::string describe(ZO_LONG rc, ZO_LONG from, ZO_LONG to) {
  switch (rc) {
    case XCS_RC_SOURCE_CCSID_UNKNOWN: return "CCSID " + std::to_string(from) + " is not known";
    case XCS_RC_TARGET_CCSID_UNKNOWN: return "CCSID " + std::to_string(to) + " is not known";
    case XCS_RC_TABLE_INVALID:
      return "no valid conversion table from CCSID " + std::to_string(from) + " to " + std::to_string(to);
    case XCS_RC_NO_MEMORY: return "no memory for a conversion table";
    case XCS_RC_TARGET_TOO_SHORT: return "output buffer too short";
    case XCS_RC_NO_SOURCE_LEFT: return "input ends after a lone lead byte";
    case XCS_RC_NO_ROOM_FOR_RUN: return "a double-byte run does not fit the output";
    case XCS_RC_PAIR_PAST_TARGET: return "a double-byte character does not fit the output";
    case XCS_RC_PAIR_PAST_SOURCE: return "input ends inside a shift run or holds half a double-byte character";
    default: return "conversion failed";
  }
}

int convert(int argc, char** argv) {
  ZO_LONG from = 0;
  ZO_LONG to = 0;
  if (argc != 3 || !parseCcsid(argv[1], from) || !parseCcsid(argv[2], to)) {
    std::fprintf(stderr, "%s", kUsage);
    return PROGRAM_EXIT_USAGE;
  }
  ZO_ULONG start = xrkInitCommonServices("VEXO");
  if (start == XEC_CONV_CONTROL_FILE_OPEN) {
    std::fprintf(stderr, "vexoconv: cannot open the code-page control file VEXOCCS.TBL (set VEXO_XLAT_PATH) (0x%08lx)\n",
                 static_cast<unsigned long>(start));
    return PROGRAM_EXIT_FAILURE;
  }
  if (start != 0) {
    std::fprintf(stderr, "vexoconv: the common services did not start (0x%08lx)\n", static_cast<unsigned long>(start));
    return PROGRAM_EXIT_FAILURE;
  }

  StreamConverter converter(from, to);
  ZO_LONG rc = converter.prepare();
  if (rc == 0) {
    bool readError = false;
    rc = converter.run(
        [&readError](ZO_BYTE* data, std::size_t size) {
          std::size_t got = std::fread(data, 1, size, stdin);
          if (got == 0 && std::ferror(stdin)) readError = true;
          return got;
        },
        [](const ZO_BYTE* data, std::size_t size) { return std::fwrite(data, 1, size, stdout) == size; });
    if (rc == 0 && readError) {
      std::fprintf(stderr, "vexoconv: cannot read standard input\n");
      rc = StreamConverter::kWriteFailed;
    } else if (rc == StreamConverter::kWriteFailed) {
      std::fprintf(stderr, "vexoconv: cannot write standard output\n");
    } else if (rc != 0) {
      std::fprintf(stderr, "vexoconv: %s (%ld) in the input piece starting at byte %zu\n",
                   describe(rc, from, to).c_str(), static_cast<long>(rc), converter.failedAt());
    }
  } else {
    std::fprintf(stderr, "vexoconv: %s (%ld)\n", describe(rc, from, to).c_str(), static_cast<long>(rc));
  }
  xrkTermCommonServices();
  return rc == 0 ? 0 : PROGRAM_EXIT_FAILURE;
}

}  // namespace

// The frame flushes and checks standard output at the end.
int main(int argc, char** argv) { return programRunTool("vexoconv", kHelp, argc, argv, convert); }
