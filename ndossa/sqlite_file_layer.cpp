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

int fileRead(sqlite3_file* file, void* out, int amount, sqlite3_int64 offset) {
  HeldFile* w = heldFile(file);
  if (int rc = flush(w)) return rc;
  return w->real->pMethods->xRead(w->real, out, amount, offset);
}

int fileWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
  HeldFile* w = heldFile(file);
  Held& held = *w->held;
  // A database file is written only by checkpoints; SQLite tells where each
  // begins and ends, and publishes the pages only after its end.
  if (!held.log && !held.checkpointing) {
    if (int rc = flush(w)) return rc;
    return w->real->pMethods->xWrite(w->real, data, amount, offset);
  }
  if (!held.bytes.empty() && offset != held.start + static_cast<sqlite3_int64>(held.bytes.size()))
    if (int rc = flush(w)) return rc;
  if (held.bytes.empty()) held.start = offset;
  const auto* bytes = static_cast<const unsigned char*>(data);
  held.bytes.insert(held.bytes.end(), bytes, bytes + amount);
  if (held.log && amount == kFrameHeaderSize && offset >= kLogHeaderSize) {
    const bool commit = std::any_of(bytes + 4, bytes + 8, [](unsigned char b) { return b != 0; });
    held.commitPageAt = commit ? offset + kFrameHeaderSize : -1;
    return SQLITE_OK;
  }
  // A commit is on disk before SQLite publishes it to readers.
  if (offset == held.commitPageAt || held.bytes.size() >= kMaxHeld) return flush(w);
  return SQLITE_OK;
}

int fileTruncate(sqlite3_file* file, sqlite3_int64 size) {
  HeldFile* w = heldFile(file);
  if (int rc = flush(w)) return rc;
  return w->real->pMethods->xTruncate(w->real, size);
}

int fileSync(sqlite3_file* file, int flags) {
  HeldFile* w = heldFile(file);
  if (int rc = flush(w)) return rc;
  return w->real->pMethods->xSync(w->real, flags);
}

int fileFileSize(sqlite3_file* file, sqlite3_int64* size) {
  HeldFile* w = heldFile(file);
  if (int rc = flush(w)) return rc;
  return w->real->pMethods->xFileSize(w->real, size);
}

int fileLock(sqlite3_file* file, int lock) {
  HeldFile* w = heldFile(file);
  if (int rc = flush(w)) return rc;
  return w->real->pMethods->xLock(w->real, lock);
}

int fileUnlock(sqlite3_file* file, int lock) {
  HeldFile* w = heldFile(file);
  if (int rc = flush(w)) return rc;
  return w->real->pMethods->xUnlock(w->real, lock);
}

int fileCheckReservedLock(sqlite3_file* file, int* out) {
  sqlite3_file* real = heldFile(file)->real;
  return real->pMethods->xCheckReservedLock(real, out);
}

int fileFileControl(sqlite3_file* file, int op, void* arg) {
  HeldFile* w = heldFile(file);
  if (int rc = flush(w)) return rc;
  if (op == SQLITE_FCNTL_CKPT_START || op == SQLITE_FCNTL_CKPT_DONE)
    w->held->checkpointing = op == SQLITE_FCNTL_CKPT_START;
  return w->real->pMethods->xFileControl(w->real, op, arg);
}

int fileSectorSize(sqlite3_file* file) {
  sqlite3_file* real = heldFile(file)->real;
  return real->pMethods->xSectorSize(real);
}

int fileDeviceCharacteristics(sqlite3_file* file) {
  sqlite3_file* real = heldFile(file)->real;
  return real->pMethods->xDeviceCharacteristics(real);
}

// The rest are the default layer's; whatever is held is written before a
// lock changes or the file is mapped.
int fileShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** out) {
  sqlite3_file* real = heldFile(file)->real;
  return real->pMethods->xShmMap(real, region, size, extend, out);
}
int fileShmLock(sqlite3_file* file, int offset, int n, int flags) {
  HeldFile* w = heldFile(file);
  if (int rc = flush(w)) return rc;
  return w->real->pMethods->xShmLock(w->real, offset, n, flags);
}
void fileShmBarrier(sqlite3_file* file) {
  sqlite3_file* real = heldFile(file)->real;
  real->pMethods->xShmBarrier(real);
}
int fileShmUnmap(sqlite3_file* file, int deleteFlag) {
  sqlite3_file* real = heldFile(file)->real;
  return real->pMethods->xShmUnmap(real, deleteFlag);
}
int fileFetch(sqlite3_file* file, sqlite3_int64 offset, int amount, void** out) {
  HeldFile* w = heldFile(file);
  if (int rc = flush(w)) return rc;
  return w->real->pMethods->xFetch(w->real, offset, amount, out);
}
int fileUnfetch(sqlite3_file* file, sqlite3_int64 offset, void* page) {
  sqlite3_file* real = heldFile(file)->real;
  return real->pMethods->xUnfetch(real, offset, page);
}

const sqlite3_io_methods kHeldMethods = {
    3,
    fileClose,
    fileRead,
    fileWrite,
    fileTruncate,
    fileSync,
    fileFileSize,
    fileLock,
    fileUnlock,
    fileCheckReservedLock,
    fileFileControl,
    fileSectorSize,
    fileDeviceCharacteristics,
    fileShmMap,
    fileShmLock,
    fileShmBarrier,
    fileShmUnmap,
    fileFetch,
    fileUnfetch,
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
int vfsDelete(sqlite3_vfs*, const char* name, int syncDir) { return g_base->xDelete(g_base, name, syncDir); }
int vfsAccess(sqlite3_vfs*, const char* name, int flags, int* out) {
  return g_base->xAccess(g_base, name, flags, out);
}
int vfsFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
  return g_base->xFullPathname(g_base, name, size, out);
}
void* vfsDlOpen(sqlite3_vfs*, const char* name) { return g_base->xDlOpen(g_base, name); }
void vfsDlError(sqlite3_vfs*, int size, char* out) { g_base->xDlError(g_base, size, out); }
void (*vfsDlSym(sqlite3_vfs*, void* handle, const char* symbol))(void) {
  return g_base->xDlSym(g_base, handle, symbol);
}
void vfsDlClose(sqlite3_vfs*, void* handle) { g_base->xDlClose(g_base, handle); }
int vfsRandomness(sqlite3_vfs*, int size, char* out) { return g_base->xRandomness(g_base, size, out); }
int vfsSleep(sqlite3_vfs*, int microseconds) { return g_base->xSleep(g_base, microseconds); }
int vfsCurrentTime(sqlite3_vfs*, double* out) { return g_base->xCurrentTime(g_base, out); }
int vfsGetLastError(sqlite3_vfs*, int size, char* out) {
  return g_base->xGetLastError ? g_base->xGetLastError(g_base, size, out) : 0;
}
int vfsCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) { return g_base->xCurrentTimeInt64(g_base, out); }

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
  g_vfs.xDelete = vfsDelete;
  g_vfs.xAccess = vfsAccess;
  g_vfs.xFullPathname = vfsFullPathname;
  // A build without loadable extensions has none of these.
  g_vfs.xDlOpen = base->xDlOpen ? vfsDlOpen : nullptr;
  g_vfs.xDlError = base->xDlError ? vfsDlError : nullptr;
  g_vfs.xDlSym = base->xDlSym ? vfsDlSym : nullptr;
  g_vfs.xDlClose = base->xDlClose ? vfsDlClose : nullptr;
  g_vfs.xRandomness = vfsRandomness;
  g_vfs.xSleep = vfsSleep;
  g_vfs.xCurrentTime = vfsCurrentTime;
  g_vfs.xGetLastError = vfsGetLastError;
  g_vfs.xCurrentTimeInt64 = vfsCurrentTimeInt64;
  return sqlite3_vfs_register(&g_vfs, 0) == SQLITE_OK ? kVfsName : nullptr;
}

}  // namespace

const char* sqliteFileLayerName() {
  static const char* const name = registerVfs();
  return name;
}

}  // namespace ndossa
