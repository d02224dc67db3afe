// Start and stop of the common-services layer. They run one way: the start
// creates the block and starts the trace, then the conversion; the stop stops
// the conversion, then the trace, and releases the block. The modules keep
// and clear their own state.
#include "common/services.h"

#include <cstring>
#include <new>

#include "common/conversion.h"
#include "common/return_codes.h"
#include "common/trace.h"
#include "common/trace_internal.h"
#include "platform/platform.h"

namespace {

// The block of this process, or null while the layer is not started. Owned
// here, but deliberately not a static object with a destructor: code that runs
// while the process ends may still trace, and the trace file is closed by the
// run-time library then.
XrkControlBlock* currentBlock = nullptr;

// Whether `block` was started by this process with exactly this prefix.
bool startedWith(const XrkControlBlock& block, const char* prefix, std::size_t length) {
  if (std::memcmp(block.prefix, block.tracePrefix, XRK_PREFIX_SIZE) != 0) return false;
  if (std::strncmp(block.prefix, prefix, length) != 0) return false;
  if (length < XRK_PREFIX_SIZE && block.prefix[length] != '\0') return false;
  return block.processId == xtrNormaliseId(platformProcessId());
}

}  // namespace

XrkControlBlock* xrkControlBlock() { return currentBlock; }

ZO_ULONG xrkInitCommonServices(const char* prefix) {
  if (prefix == nullptr) prefix = "";
  const std::size_t length = strnlen(prefix, XRK_PREFIX_SIZE);
  if (currentBlock != nullptr && startedWith(*currentBlock, prefix, length)) return 0;

  std::unique_ptr<XrkControlBlock> block(new (std::nothrow) XrkControlBlock{});
  if (!block) return xecS_E_NONE;
  block->reportInProgress = 0;
  std::memcpy(block->prefix, prefix, length);
  std::memcpy(block->tracePrefix, prefix, length);
  // A block of another prefix or of the parent process stays alive (threads of
  // this process may still hold its records) until the layer is stopped.
  block->abandoned.reset(currentBlock);
  currentBlock = block.release();

  xtrInitialize();
  return static_cast<ZO_ULONG>(xxxInitialize());
}

ZO_ULONG xrkTermCommonServices() {
  if (currentBlock == nullptr) return 0;
  xtrEntry("xrkTermCommonServices");
  xxxTerminate();
  xrk_xtrTerminate();
  std::unique_ptr<XrkControlBlock> finished(currentBlock);
  currentBlock = nullptr;
  return 0;
}
