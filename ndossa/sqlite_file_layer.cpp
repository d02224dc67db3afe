#include "ndossa/sqlite_file_layer.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

namespace ndossa {

namespace {

constexpr const char* kVfsName = "vexo-held";
// The log's layout: a 32-byte file header, then frames of a 24-byte header
// and one page. Bytes 4-7 of a frame header are nonzero on a commit frame.
constexpr sqlite3_int64 kLogHeaderSize = 32;
constexpr int kFrameHeaderSize = 24;
// A transaction larger than this (SQLite spills pages of a large one) is
// written in pieces of about this size.
constexpr std::size_t kMaxHeld = std::size_t{1} << 20;
// The default layer writes at most 128 KiB less a byte per call.
constexpr std::size_t kMaxWrite = std::size_t{64} << 10;

sqlite3_vfs* g_base = nullptr;
sqlite3_vfs g_vfs;

// Writes not yet handed to the file: consecutive bytes from `start`.
struct Held {
  std::vector<unsigned char> bytes;
  sqlite3_int64 start = 0;
  bool log = false;                 // a log; else a database file
  sqlite3_int64 commitPageAt = -1;  // a log: where the page of a held commit frame's header goes
  bool checkpointing = false;       // a database: between a checkpoint's start and end
  bool unheld = false;              // memory ran out once: every write goes straight to the file
};

// A file: ours first (SQLite sees a sqlite3_file), then what is held, then
// the default layer's own file. SQLite allocates szOsFile bytes for it.
struct HeldFile {
  sqlite3_file base;
  sqlite3_file* real;
  Held* held;
};

constexpr std::size_t alignUp(std::size_t n) {
  return (n + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) * alignof(std::max_align_t);
}
constexpr std::size_t kHeldOffset = alignUp(sizeof(HeldFile));
constexpr std::size_t kRealOffset = kHeldOffset + alignUp(sizeof(Held));

HeldFile* heldFile(sqlite3_file* file) { return reinterpret_cast<HeldFile*>(file); }

int flush(HeldFile* w) {
  Held& held = *w->held;
  held.commitPageAt = -1;
  if (held.bytes.empty()) return SQLITE_OK;
  int rc = SQLITE_OK;
  for (std::size_t done = 0; done < held.bytes.size() && rc == SQLITE_OK; done += kMaxWrite) {
    const std::size_t size = std::min(kMaxWrite, held.bytes.size() - done);
    rc = w->real->pMethods->xWrite(w->real, held.bytes.data() + done, static_cast<int>(size),
                                   held.start + static_cast<sqlite3_int64>(done));
  }
  held.bytes.clear();
  return rc;
}

int fileClose(sqlite3_file* file) {
  HeldFile* w = heldFile(file);
  int rc = flush(w);
  w->held->~Held();
  const int closed = w->real->pMethods->xClose(w->real);
  return rc != SQLITE_OK ? rc : closed;
}

int fileWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
  HeldFile* w = heldFile(file);
  Held& held = *w->held;
  // A database file is written only by checkpoints; SQLite tells where each
  // begins and ends, and publishes the pages only after its end.
  if (held.unheld || (!held.log && !held.checkpointing)) {
    if (int rc = flush(w)) return rc;
    return w->real->pMethods->xWrite(w->real, data, amount, offset);
  }
  if (!held.bytes.empty() && offset != held.start + static_cast<sqlite3_int64>(held.bytes.size()))
    if (int rc = flush(w)) return rc;
  if (held.bytes.empty()) held.start = offset;
  const auto* bytes = static_cast<const unsigned char*>(data);
  try {
    held.bytes.insert(held.bytes.end(), bytes, bytes + amount);
  } catch (const std::bad_alloc&) {
    // No memory to hold it: what is held goes out, then this write and every later one.
    held.unheld = true;
    if (int rc = flush(w)) return rc;
    return w->real->pMethods->xWrite(w->real, data, amount, offset);
  }
  if (held.log && amount == kFrameHeaderSize && offset >= kLogHeaderSize) {
    const bool commit = std::any_of(bytes + 4, bytes + 8, [](unsigned char b) { return b != 0; });
    held.commitPageAt = commit ? offset + kFrameHeaderSize : -1;
    return SQLITE_OK;
  }
  // A commit is on disk before SQLite publishes it to readers.
  if (offset == held.commitPageAt || held.bytes.size() >= kMaxHeld) return flush(w);
  return SQLITE_OK;
}

int fileFileControl(sqlite3_file* file, int op, void* arg) {
  HeldFile* w = heldFile(file);
  if (int rc = flush(w)) return rc;
  if (op == SQLITE_FCNTL_CKPT_START || op == SQLITE_FCNTL_CKPT_DONE)
    w->held->checkpointing = op == SQLITE_FCNTL_CKPT_START;
  return w->real->pMethods->xFileControl(w->real, op, arg);
}

// The rest are the default layer's. What is held is written before
// anything that reads, sizes, syncs, truncates or maps the file or changes a
// lock on it.
template <auto Method, class... Args>
int flushThen(sqlite3_file* file, Args... args) {
  HeldFile* w = heldFile(file);
  if (int rc = flush(w)) return rc;
  return (w->real->pMethods->*Method)(w->real, args...);
}

template <auto Method, class... Args>
auto forward(sqlite3_file* file, Args... args) {
  sqlite3_file* real = heldFile(file)->real;
  return (real->pMethods->*Method)(real, args...);
}

using Methods = sqlite3_io_methods;
const Methods kHeldMethods = {
    3,
    fileClose,
    flushThen<&Methods::xRead>,
    fileWrite,
    flushThen<&Methods::xTruncate>,
    flushThen<&Methods::xSync>,
    flushThen<&Methods::xFileSize>,
    flushThen<&Methods::xLock>,
    flushThen<&Methods::xUnlock>,
    forward<&Methods::xCheckReservedLock>,
    fileFileControl,
    forward<&Methods::xSectorSize>,
    forward<&Methods::xDeviceCharacteristics>,
    forward<&Methods::xShmMap>,
    flushThen<&Methods::xShmLock>,
    forward<&Methods::xShmBarrier>,
    forward<&Methods::xShmUnmap>,
    flushThen<&Methods::xFetch>,
    forward<&Methods::xUnfetch>,
};

int vfsOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  // Any file but a database and its log is the default layer's own, in the same
  // memory.
  if (!(flags & (SQLITE_OPEN_WAL | SQLITE_OPEN_MAIN_DB)))
    return g_base->xOpen(g_base, name, file, flags, outFlags);
  HeldFile* w = heldFile(file);
  w->base.pMethods = nullptr;
  auto* real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + kRealOffset);
  real->pMethods = nullptr;
  const int rc = g_base->xOpen(g_base, name, real, flags, outFlags);
  if (rc != SQLITE_OK) {
    if (real->pMethods) real->pMethods->xClose(real);
    return rc;
  }
  if (real->pMethods->iVersion < kHeldMethods.iVersion) {
    // A layer with fewer methods than ours keeps its files unwrapped.
    real->pMethods->xClose(real);
    return g_base->xOpen(g_base, name, file, flags, outFlags);
  }
  w->real = real;
  w->held = new (reinterpret_cast<char*>(file) + kHeldOffset) Held();
  w->held->log = (flags & SQLITE_OPEN_WAL) != 0;
  w->base.pMethods = &kHeldMethods;
  return SQLITE_OK;
}

// The rest of the layer is the default one's.
template <auto Method, class... Args>
auto toBase(sqlite3_vfs*, Args... args) {
  return (g_base->*Method)(g_base, args...);
}

const char* registerVfs() {
  sqlite3_vfs* base = sqlite3_vfs_find(nullptr);
  if (!base || base->iVersion < 2 || !base->xCurrentTimeInt64) return nullptr;
  g_base = base;
  g_vfs = sqlite3_vfs{};
  g_vfs.iVersion = 2;
  g_vfs.szOsFile = static_cast<int>(std::max<std::size_t>(kRealOffset + base->szOsFile, base->szOsFile));
  g_vfs.mxPathname = base->mxPathname;
  g_vfs.zName = kVfsName;
  g_vfs.xOpen = vfsOpen;
  using Vfs = sqlite3_vfs;
  g_vfs.xDelete = toBase<&Vfs::xDelete>;
  g_vfs.xAccess = toBase<&Vfs::xAccess>;
  g_vfs.xFullPathname = toBase<&Vfs::xFullPathname>;
  // A build without loadable extensions has none of these.
  if (base->xDlOpen) g_vfs.xDlOpen = toBase<&Vfs::xDlOpen>;
  if (base->xDlError) g_vfs.xDlError = toBase<&Vfs::xDlError>;
  if (base->xDlSym) g_vfs.xDlSym = toBase<&Vfs::xDlSym>;
  if (base->xDlClose) g_vfs.xDlClose = toBase<&Vfs::xDlClose>;
  g_vfs.xRandomness = toBase<&Vfs::xRandomness>;
  g_vfs.xSleep = toBase<&Vfs::xSleep>;
  g_vfs.xCurrentTime = toBase<&Vfs::xCurrentTime>;
  if (base->xGetLastError) g_vfs.xGetLastError = toBase<&Vfs::xGetLastError>;
  g_vfs.xCurrentTimeInt64 = toBase<&Vfs::xCurrentTimeInt64>;
  return sqlite3_vfs_register(&g_vfs, 0) == SQLITE_OK ? kVfsName : nullptr;
}

}  // namespace

const char* sqliteFileLayerName() {
  static const char* const name = registerVfs();
  return name;
}

}  // namespace ndossa
