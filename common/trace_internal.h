#pragma once
// Services of the trace module shared with the rest of the common-services
// layer (start-up, failure report). Not for use outside common/.

#include <cstdarg>
#include <cstddef>
#include <string>

#include "common/report.h"
#include "common/service_texts.h"
#include "common/services.h"
#include "common/zo_types.h"

// Largest bytes dumped per chunk; each chunk starts again at offset 0000.
inline constexpr std::size_t XTR_DUMP_CHUNK = 4000;
// Bytes shown per dump line.
inline constexpr std::size_t XTR_DUMP_LINE_BYTES = 16;

// The dump lines of one chunk (at most XTR_DUMP_CHUNK bytes), identical lines
// folded into a "--- n lines identical to above ---" line.
std::string xtrDumpChunk(const unsigned char* bytes, std::size_t length);

// What the failure report shows of the calling thread: its function stack
// (without adding the thread to the table), and a copy of the ring.
XtrThreadSnapshot xtrSnapshotThread();
XtrRingSnapshot xtrSnapshotRing();
