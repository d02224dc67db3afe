// Driver of the level reporter: two passes over the file, one per marker.
#include "level/level_report.h"

#include <cstring>
#include <memory>
#include <new>

#include "level/level_scan.h"
#include "platform/platform.h"

namespace {

constexpr int LEV_EXPECTED_ARGC = 2;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using LevFile = std::unique_ptr<std::FILE, FileCloser>;

enum class LevPassEnd { StopAtFirstFind, ReadToEnd };

// One read-scan-carry cycle over the whole file from its start. Returns false
// when the file cannot be read (a directory, an I/O error).
bool levPass(std::FILE* in, unsigned char* buffer, const LevMarker& marker, LevPassEnd end,
             std::FILE* out) {
  if (std::fseek(in, 0, SEEK_SET) != 0) return false;
  std::clearerr(in);
  std::memset(buffer, 0, LEV_CARRY_SIZE);
  for (;;) {
    const std::size_t got = std::fread(buffer + LEV_CARRY_SIZE, 1, LEV_READ_SIZE, in);
    if (std::ferror(in)) return false;
    buffer[LEV_CARRY_SIZE + got] = LEV_END_OF_DATA;
    // A full read may have more of the file behind it; a short one ends it.
    const LevDataEnd dataEnd = got == LEV_READ_SIZE ? LevDataEnd::MoreFollows : LevDataEnd::EndOfFile;
    const int printed = levScanBuffer(buffer, LEV_CARRY_SIZE + got, marker, out, dataEnd);
    if (got == 0) return true;
    if (end == LevPassEnd::StopAtFirstFind && printed > 0) return true;
    // Keep the last LEV_CARRY_SIZE bytes of the data just scanned.
    std::memmove(buffer, buffer + got, LEV_CARRY_SIZE);
  }
}

}  // namespace

int levReport(int argc, const char* const* argv, std::FILE* out) {
  if (argc != LEV_EXPECTED_ARGC) {
    std::fprintf(out, "Usage : vexolev <path>\\<binary>\n");
    return LEV_EXIT_FAILURE;
  }
  std::fprintf(out, "vexolev - code level reporter of the vexo family. Copyright the vexo authors.\n");

  const char* path = argv[1];
  // Only a regular file: a FIFO would wait for a writer, a device never end.
  int error = 0;
  LevFile in(platformOpenRegularFile(path, PlatformFileUse::Read, &error));
  if (!in) {
    std::fprintf(out, error == PLATFORM_NOT_REGULAR_FILE ? "Unable to read file %s\n" : "Unable to open file %s\n",
                 path);
    return LEV_EXIT_FAILURE;
  }
  if (std::fseek(in.get(), 0, SEEK_END) != 0) {
    std::fprintf(out, "Error in fseek ...\n");
  }

  // Zero-filled, so no byte of it is ever read before it is written.
  std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[LEV_BUFFER_SIZE]());
  if (!buffer) {
    std::fprintf(out, "Bad memory allocation ...\n");
    return LEV_EXIT_FAILURE;
  }

  if (!levPass(in.get(), buffer.get(), levMarker(LevMarkerKind::CodeLevel),
               LevPassEnd::StopAtFirstFind, out) ||
      !levPass(in.get(), buffer.get(), levMarker(LevMarkerKind::ModuleVersion),
               LevPassEnd::ReadToEnd, out)) {
    std::fprintf(out, "Unable to read file %s\n", path);
    return LEV_EXIT_FAILURE;
  }
  return LEV_EXIT_OK;
}
