#pragma once
// The frame every program of ours runs its main in, so that none of them ends
// with a signal at the file-size limit, with an exception escaping main, or
// with "success" after its output was lost.

#include <cstdio>

// Exit status of a run the frame ended as failed.
inline constexpr int PROGRAM_EXIT_FAILURE = 1;

// Exit status of a run refused for its command line, in the tools that follow
// the usual conventions (dossa, vexomap, vexoconv, mktables).
inline constexpr int PROGRAM_EXIT_USAGE = 2;

// The body of a program: main's work, given main's arguments; returns the exit
// status. A lambda without captures converts to it.
using ProgramBody = int (*)(int argc, char* argv[]);

// Makes a write past the process's file-size limit fail with an error (EFBIG)
// instead of ending the process with a signal, so that the program reports it
// as it reports any failed write. Nothing to do on Windows, which has no such
// signal.
void platformIgnoreFileSizeSignal();

// Runs `body` as the program `name` and returns the status main returns:
//  - the file-size signal is ignored first (platformIgnoreFileSizeSignal);
//  - an exception leaving `body` is reported as by programGuardedRun;
//  - standard output is then flushed and closed. When something written to it
//    was lost and `body` reported success, "NAME: cannot write standard
//    output: REASON" goes to standard error and the status becomes
//    PROGRAM_EXIT_FAILURE. A program that already failed has said why, and
//    its status stays.
// Nothing may write to standard output after this returns.
int programRunMain(const char* name, int argc, char* argv[], ProgramBody body);

// Calls `body` and returns its status; an exception leaving it becomes one
// line on `err` ("NAME: out of memory", or "NAME: unexpected error: WHAT") and
// the status PROGRAM_EXIT_FAILURE.
int programGuardedRun(const char* name, std::FILE* err, int argc, char* argv[], ProgramBody body);

// programRunMain for the tools that follow the usual conventions: a sole
// argument "--help" prints `help` (whole lines), "--version" prints
// "NAME (vexo) VERSION"; both to standard output, with status 0. Any other
// command line goes to `body`.
int programRunTool(const char* name, const char* help, int argc, char* argv[], ProgramBody body);
