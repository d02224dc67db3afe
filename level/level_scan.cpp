// Marker search and line cleaning of the level reporter.
#include "level/level_scan.h"

#include <cstring>

namespace {

// Every byte of the markers is stored raised by this amount; the value is read
// from a volatile so that the compiler cannot fold the decoded markers back
// into plain constants in the program file.
volatile unsigned char levMarkerShift = 1;

constexpr unsigned char shifted(char c) { return static_cast<unsigned char>(c + 1); }

constexpr unsigned char CODE_LEVEL_STORED[LEV_MARKER_LENGTH] = {
    shifted('@'), shifted('('), shifted('!'), shifted(')'), shifted(' ')};
constexpr unsigned char MODULE_VERSION_STORED[LEV_MARKER_LENGTH] = {
    shifted('@'), shifted('('), shifted('#'), shifted(')'), shifted(' ')};

// A match is only tried where at least this many bytes remain after its start.
constexpr std::size_t LEV_MATCH_ROOM = LEV_MARKER_LENGTH + 1;

bool isKeptCharacter(char c) {
  if (c >= '0' && c <= '9') return true;
  if (c >= 'a' && c <= 'z') return true;
  if (c >= 'A' && c <= 'Z') return true;
  switch (c) {
    case ' ':
    case ':':
    case '/':
    case '\\':
    case '.':
    case '*':
    case ',':
      return true;
    default:
      return false;
  }
}

}  // namespace

LevMarker levMarker(LevMarkerKind kind) {
  const unsigned char* stored =
      kind == LevMarkerKind::CodeLevel ? CODE_LEVEL_STORED : MODULE_VERSION_STORED;
  LevMarker marker{};
  for (std::size_t i = 0; i < LEV_MARKER_LENGTH; ++i) {
    marker.bytes[i] = static_cast<char>(stored[i] - levMarkerShift);
  }
  return marker;
}

std::size_t levCopyLine(const unsigned char* from, std::size_t available, char* line) {
  std::size_t copied = 0;
  while (copied < LEV_LINE_MAX && copied < available && from[copied] != '\0') {
    line[copied] = static_cast<char>(from[copied]);
    ++copied;
  }
  line[copied] = '\0';
  return copied;
}

void levCleanLine(char* line) {
  const std::size_t length = std::strlen(line);
  for (std::size_t i = LEV_MARKER_LENGTH; i < length; ++i) {
    if (!isKeptCharacter(line[i])) line[i] = ' ';
  }
}

int levScanBuffer(const unsigned char* data, std::size_t count, const LevMarker& marker,
                  std::FILE* out, LevDataEnd end) {
  int printed = 0;
  if (count < LEV_MATCH_ROOM) return printed;
  char line[LEV_LINE_MAX + 1];
  const std::size_t lastStart = count - LEV_MATCH_ROOM;
  std::size_t start = 0;
  while (start <= lastStart) {
    // Jump to the next candidate first byte; most of a program file is not one.
    const void* hit = std::memchr(data + start, marker.bytes[0], lastStart - start + 1);
    if (hit == nullptr) break;
    start = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - data);
    if (std::memcmp(data + start, marker.bytes, LEV_MARKER_LENGTH) != 0) {
      ++start;
      continue;
    }
    const std::size_t copied = levCopyLine(data + start, count - start, line);
    if (end == LevDataEnd::MoreFollows && copied == count - start && copied < LEV_LINE_MAX) {
      ++start;  // cut short by the end of the data: the next scan has it whole
      continue;
    }
    levCleanLine(line);
    std::fprintf(out, "%s\n", line);
    ++printed;
    ++start;
  }
  return printed;
}
