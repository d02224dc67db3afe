// Failure report of the common-services layer.
#include "common/report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "common/retcode_names.h"
#include "common/return_codes.h"
#include "common/services.h"
#include "common/trace.h"
#include "common/trace_internal.h"
#include "platform/platform.h"

namespace {

// Width of a box line without its newline; '|' stands in columns 0 and 78.
constexpr std::size_t kBoxWidth = 79;
// Characters of a text on the first box line, and on its continuation line.
constexpr std::size_t kFirstLineText = 75;
constexpr std::size_t kSecondLineText = 70;
constexpr std::size_t kSecondLineIndent = 6;
// Prefix of the report file before the layer is started.
constexpr const char* kUnstartedPrefix = "XRK";

// Serialises reports of several threads; guards reportFile.
std::mutex reportMutex;
// The report file of the process: opened at the first report, kept to the end.
std::FILE* reportFile = nullptr;
// Set while the calling thread writes a report.
thread_local bool reportInProgress = false;

std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string formatted(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = xtrFormatV(format, args);
  va_end(args);
  return text;
}

std::string codeName(ZO_LONG code) {
  char text[ZO_RETCODE_TEXT_SIZE];
  xtrFormatReturnCode(text, static_cast<ZO_ULONG>(code));
  return text;
}

void put(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), reportFile);
  std::fflush(reportFile);
}

void border() { put("+" + std::string(kBoxWidth - 2, '-') + "+\n"); }
void blank() { put("|" + std::string(kBoxWidth - 2, ' ') + "|\n"); }

// A text in the box: one line, or two when it is longer than fits on one;
// characters beyond the second line are dropped.
void boxText(const std::string& text) {
  std::string first = text.substr(0, kFirstLineText);
  first.resize(kFirstLineText, ' ');
  put("| " + first + " |\n");
  if (text.size() > kFirstLineText) {
    std::string second = text.substr(kFirstLineText, kSecondLineText);
    second.resize(kSecondLineText, ' ');
    put("|" + std::string(kSecondLineIndent, ' ') + second + " |\n");
  }
}

// Opens the report file of the process: in the trace directory when one is
// set, else (or when that fails) in the current directory.
void openReportFile(const XrkControlBlock* block) {
  std::string name;
  std::string directory;
  if (block != nullptr) {
    const std::string prefix = xrkNamePrefix(*block);
    name = xrkProcessFileName(prefix, block->processId, "FDC");
    directory = platformDirWithSeparator(platformGetEnv((prefix + "_TRACE_PATH").c_str()));
  } else {
    name = xrkProcessFileName(kUnstartedPrefix, xtrNormaliseId(platformProcessId()), "FDC");
  }
  // Never through a link planted under the predictable name.
  if (!directory.empty()) {
    reportFile = platformOpenRegularFile((directory + name).c_str(), PlatformFileUse::Append);
  }
  if (reportFile == nullptr) reportFile = platformOpenRegularFile(name.c_str(), PlatformFileUse::Append);
}

void writeFunctionStack(const XtrThreadSnapshot& thread) {
  put("\n");
  if (!thread.hasRecord) {
    put("No Function Stack Stored\n");
  } else if (thread.depth == 0) {
    put("No Entries in Function Stack\n");
  } else {
    put("  Stored Function Stack\n");
    put("  =====================\n");
    put("\n");
    for (int i = 0; i < thread.storedNames; ++i) put(std::string(thread.names[i]) + "\n");
  }
  put("\n");
}

void writeRing(const XtrRingSnapshot& ring) {
  put("\n");
  if (!ring.hasRing) {
    put("No Incore trace table found!\n");
    return;
  }
  int oldest = -1;
  for (int step = 0; step < XTR_RING_ENTRIES; ++step) {
    const int i = (ring.index + step) % XTR_RING_ENTRIES;
    if (ring.entries[i].name[0] != '\0') {
      oldest = i;
      break;
    }
  }
  if (oldest < 0) {
    put("No trace entries found in Incore trace table!\n");
    return;
  }
  put("  Incore trace entries\n");
  put("  ====================\n");
  put("\n");
  for (int step = 0; step < XTR_RING_ENTRIES; ++step) {
    const XtrRingEntry& entry = ring.entries[(oldest + step) % XTR_RING_ENTRIES];
    if (entry.name[0] == '\0') break;
    const std::string name(entry.name, strnlen(entry.name, XTR_NAME_SIZE));
    std::string line = formatted("(%5.5d) ", static_cast<int>(entry.threadId));
    if (entry.kind == XTR_RING_ENTRY) {
      line += "--> " + name + "\n";
    } else {
      line += "<-- " + name + " (rc = " + codeName(static_cast<ZO_LONG>(entry.returnCode)) + " )\n";
    }
    put(line);
  }
}

void writeReport(const char* functionName, ZO_LONG probeId, ZO_LONG majorCode, ZO_LONG minorCode,
                 const char* comment1, const char* comment2, const char* comment3) {
  const XtrThreadSnapshot thread = xtrSnapshotThread();
  const XtrRingSnapshot ring = xtrSnapshotRing();
  border();
  blank();
  boxText("  KTR Prefault Symptom Report");
  boxText(std::string(36, '='));
  blank();
  boxText(formatted("Date/Time         :- %s", xtrDateTime24().c_str()));
  boxText(formatted("Code Level           :- %-63.63s", vexoCodeLevel));
  if (thread.threadId != 0) {
    boxText(formatted("Thread Id         :- %5.5d", static_cast<int>(thread.threadId)));
  }
  boxText(formatted("Function Name     :- %-63.63s", functionName));
  boxText(formatted("Probe Id          :- KTR%d", static_cast<int>(probeId)));
  boxText(formatted("Build Date        :- %s", xtrBuildDate()));
  boxText(formatted("Major Errorcode   :- %s ", codeName(majorCode).c_str()));
  boxText(formatted("Minor Errorcode   :- %s ", codeName(minorCode).c_str()));
  boxText(formatted("Comment1          :- %-63.63s", comment1));
  boxText(formatted("Comment2          :- %-63.63s", comment2));
  boxText(formatted("Comment3          :- %-63.63s", comment3));
  blank();
  border();
  writeFunctionStack(thread);
  writeRing(ring);
}

const char* orEmpty(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

ZO_LONG xrk_xcsPVRT(const char* functionName, ZO_LONG probeId, ZO_LONG majorCode,
                    ZO_LONG minorCode, const char* comment1, const char* comment2,
                    const char* comment3) {
  XTR_SERVICE("xrk_xcsPVRT", ERR_NONE);
  if (!reportInProgress) {
    reportInProgress = true;
    std::lock_guard<std::mutex> lock(reportMutex);
    XrkControlBlock* block = xrkControlBlock();
    if (block != nullptr) block->reportInProgress = 1;
    if (reportFile == nullptr) openReportFile(block);
    if (reportFile != nullptr) {
      writeReport(orEmpty(functionName), probeId, majorCode, minorCode, orEmpty(comment1),
                  orEmpty(comment2), orEmpty(comment3));
    }
    if (block != nullptr) block->reportInProgress = 0;
    reportInProgress = false;
  }
  return 0;
}

void xrkCloseReportFile() {
  std::lock_guard<std::mutex> lock(reportMutex);
  if (reportFile != nullptr) std::fclose(reportFile);
  reportFile = nullptr;
}
