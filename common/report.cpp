// Failure report of the common-services layer: writes what it is handed and
// calls nothing of the trace (the trace calls it).
#include "common/report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "common/retcode_names.h"
#include "common/service_texts.h"
#include "common/services.h"
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
void openReportFile(const XrkReportSnapshot& snapshot) {
  std::string name;
  std::string directory;
  if (snapshot.started) {
    name = xrkProcessFileName(snapshot.prefix, snapshot.processId, "FDC");
    directory = platformDirWithSeparator(platformGetEnv((snapshot.prefix + "_TRACE_PATH").c_str()));
  } else {
    name = xrkProcessFileName(kUnstartedPrefix, snapshot.processId, "FDC");
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

void writeReport(const XrkSymptom& symptom, const XrkReportSnapshot& snapshot) {
  const XtrThreadSnapshot& thread = snapshot.thread;
  border();
  blank();
  boxText("  KTR Prefault Symptom Report");
  boxText(std::string(36, '='));
  blank();
  boxText(formatted("Date/Time         :- %s", snapshot.dateTime.c_str()));
  boxText(formatted("Code Level           :- %-63.63s", vexoCodeLevel));
  if (thread.threadId != 0) {
    boxText(formatted("Thread Id         :- %5.5d", static_cast<int>(thread.threadId)));
  }
  boxText(formatted("Function Name     :- %-63.63s", symptom.functionName));
  boxText(formatted("Probe Id          :- KTR%d", static_cast<int>(symptom.probeId)));
  boxText(formatted("Build Date        :- %s", xtrBuildDate()));
  boxText(formatted("Major Errorcode   :- %s ", codeName(symptom.majorCode).c_str()));
  boxText(formatted("Minor Errorcode   :- %s ", codeName(symptom.minorCode).c_str()));
  boxText(formatted("Comment1          :- %-63.63s", symptom.comment1));
  boxText(formatted("Comment2          :- %-63.63s", symptom.comment2));
  boxText(formatted("Comment3          :- %-63.63s", symptom.comment3));
  blank();
  border();
  writeFunctionStack(thread);
  writeRing(snapshot.ring);
}

}  // namespace

void xrkWriteReport(const XrkSymptom& symptom, const XrkReportSnapshot& snapshot) {
  if (reportInProgress) return;
  reportInProgress = true;
  std::lock_guard<std::mutex> lock(reportMutex);
  XrkControlBlock* block = xrkControlBlock();
  if (block != nullptr) block->reportInProgress = 1;
  if (reportFile == nullptr) openReportFile(snapshot);
  if (reportFile != nullptr) writeReport(symptom, snapshot);
  if (block != nullptr) block->reportInProgress = 0;
  reportInProgress = false;
}

void xrkCloseReportFile() {
  std::lock_guard<std::mutex> lock(reportMutex);
  if (reportFile != nullptr) std::fclose(reportFile);
  reportFile = nullptr;
}
