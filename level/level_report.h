#pragma once
// The whole run of the level reporter: given the path of a program file, print
// its code-level string and then every module version string embedded in it.

#include <cstddef>
#include <cstdio>

// Read buffer: a carry area that keeps the tail of the previous block (so a
// marker split between two reads is still found), room for one read, and one
// byte for the end-of-data mark behind the new data.
inline constexpr std::size_t LEV_BUFFER_SIZE = 30000;
inline constexpr std::size_t LEV_CARRY_SIZE = 200;
inline constexpr std::size_t LEV_READ_SIZE = 29000;
// Written behind the bytes of each read.
inline constexpr unsigned char LEV_END_OF_DATA = 26;

static_assert(LEV_CARRY_SIZE + LEV_READ_SIZE < LEV_BUFFER_SIZE,
              "the end-of-data mark must fit behind a full read");

// Exit statuses.
inline constexpr int LEV_EXIT_OK = 0;
inline constexpr int LEV_EXIT_FAILURE = 1;

// Runs the reporter with the program's arguments (argv[0] is the program
// name); every line goes to `out`. Returns LEV_EXIT_OK after a complete
// report, LEV_EXIT_FAILURE after a usage error, an unopenable or unreadable
// file or a failed allocation (each with its message). The read buffer is
// obtained once, so memory use does not depend on the size of the file.
int levReport(int argc, const char* const* argv, std::FILE* out);
