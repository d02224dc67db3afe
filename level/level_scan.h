#pragma once
// Scanning a block of a program file for the embedded marker strings: the
// code-level marker and the module-version marker, each five characters long
// and followed by free text up to a NUL.

#include <cstddef>
#include <cstdio>

// Length of either marker.
inline constexpr std::size_t LEV_MARKER_LENGTH = 5;
// Longest line printed for one marker string, terminator not counted.
inline constexpr std::size_t LEV_LINE_MAX = 120;

enum class LevMarkerKind { CodeLevel, ModuleVersion };

// The bytes of one marker (not NUL-terminated).
struct LevMarker {
  char bytes[LEV_MARKER_LENGTH];
};

// Returns the marker of the given kind. The markers are decoded at run time,
// so the program file that scans for them does not hold them as plain text
// (it would otherwise report its own search keys).
LevMarker levMarker(LevMarkerKind kind);

// Copies the text that starts at `from` into `line` (room for LEV_LINE_MAX
// characters plus terminator): at most LEV_LINE_MAX characters, stopping
// early at a NUL or after `available` bytes. Returns the number copied.
std::size_t levCopyLine(const unsigned char* from, std::size_t available, char* line);

// Replaces by a blank every character after the marker (from the sixth on)
// that is not a digit, an ASCII letter, a blank or one of : / \ . * ,
void levCleanLine(char* line);

// Whether the file goes on behind the data of a scan.
enum class LevDataEnd { EndOfFile, MoreFollows };

// Scans data[0, count) for `marker`, at every start offset from 0 to
// count - 6 inclusive. Each match is copied (levCopyLine, never reading past
// `count`), cleaned and written to `out` as one line. With MoreFollows, a
// match whose copy is cut by the end of the data (no NUL and fewer than
// LEV_LINE_MAX characters before it) is left for the next scan, whose carried
// tail holds it whole: it is neither written nor counted. Returns the number
// of lines written.
int levScanBuffer(const unsigned char* data, std::size_t count, const LevMarker& marker,
                  std::FILE* out, LevDataEnd end = LevDataEnd::EndOfFile);
