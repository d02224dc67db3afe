#include "ndossa/sqlite_wal_vfs.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

namespace ndossa {

namespace {

constexpr const char* kVfsName = "vexo-wal";
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
  sqlite3_int64 commitPageAt = -1;  // where the page of a held commit frame's header goes
};

// A log file: ours first (SQLite sees a sqlite3_file), then what is held,
// then the default layer's own file. SQLite allocates szOsFile bytes for it.
struct WalFile {
  sqlite3_file base;
  sqlite3_file* real;
  Held* held;
};

constexpr std::size_t alignUp(std::size_t n) {
  return (n + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) * alignof(std::max_align_t);
}
constexpr std::size_t kHeldOffset = alignUp(sizeof(WalFile));
constexpr std::size_t kRealOffset = kHeldOffset + alignUp(sizeof(Held));

WalFile* walFile(sqlite3_file* file) { return reinterpret_cast<WalFile*>(file); }

int flush(WalFile* w) {
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

int walClose(sqlite3_file* file) {
  WalFile* w = walFile(file);
  int rc = flush(w);
  w->held->~Held();
  const int closed = w->real->pMethods->xClose(w->real);
  return rc != SQLITE_OK ? rc : closed;
}

int walRead(sqlite3_file* file, void* out, int amount, sqlite3_int64 offset) {
  WalFile* w = walFile(file);
  if (int rc = flush(w)) return rc;
  return w->real->pMethods->xRead(w->real, out, amount, offset);
}

int walWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
  WalFile* w = walFile(file);
  Held& held = *w->held;
  if (!held.bytes.empty() && offset != held.start + static_cast<sqlite3_int64>(held.bytes.size()))
    if (int rc = flush(w)) return rc;
  if (held.bytes.empty()) held.start = offset;
  const auto* bytes = static_cast<const unsigned char*>(data);
  held.bytes.insert(held.bytes.end(), bytes, bytes + amount);
  if (amount == kFrameHeaderSize && offset >= kLogHeaderSize) {
    const bool commit = std::any_of(bytes + 4, bytes + 8, [](unsigned char b) { return b != 0; });
    held.commitPageAt = commit ? offset + kFrameHeaderSize : -1;
    return SQLITE_OK;
  }
  // A commit is on disk before SQLite publishes it to readers.
  if (offset == held.commitPageAt || held.bytes.size() >= kMaxHeld) return flush(w);
  return SQLITE_OK;
}

int walTruncate(sqlite3_file* file, sqlite3_int64 size) {
  WalFile* w = walFile(file);
  if (int rc = flush(w)) return rc;
  return w->real->pMethods->xTruncate(w->real, size);
}

int walSync(sqlite3_file* file, int flags) {
  WalFile* w = walFile(file);
  if (int rc = flush(w)) return rc;
  return w->real->pMethods->xSync(w->real, flags);
}

int walFileSize(sqlite3_file* file, sqlite3_int64* size) {
  WalFile* w = walFile(file);
  if (int rc = flush(w)) return rc;
  return w->real->pMethods->xFileSize(w->real, size);
}

int walLock(sqlite3_file* file, int lock) {
  sqlite3_file* real = walFile(file)->real;
  return real->pMethods->xLock(real, lock);
}

int walUnlock(sqlite3_file* file, int lock) {
  sqlite3_file* real = walFile(file)->real;
  return real->pMethods->xUnlock(real, lock);
}

int walCheckReservedLock(sqlite3_file* file, int* out) {
  sqlite3_file* real = walFile(file)->real;
  return real->pMethods->xCheckReservedLock(real, out);
}

int walFileControl(sqlite3_file* file, int op, void* arg) {
  WalFile* w = walFile(file);
  if (int rc = flush(w)) return rc;
  return w->real->pMethods->xFileControl(w->real, op, arg);
}

int walSectorSize(sqlite3_file* file) {
  sqlite3_file* real = walFile(file)->real;
  return real->pMethods->xSectorSize(real);
}

int walDeviceCharacteristics(sqlite3_file* file) {
  sqlite3_file* real = walFile(file)->real;
  return real->pMethods->xDeviceCharacteristics(real);
}

// The rest of a log file's methods are the default layer's (SQLite keeps
// shared memory and mappings on the database file, not on its log).
int walShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** out) {
  sqlite3_file* real = walFile(file)->real;
  return real->pMethods->xShmMap(real, region, size, extend, out);
}
int walShmLock(sqlite3_file* file, int offset, int n, int flags) {
  sqlite3_file* real = walFile(file)->real;
  return real->pMethods->xShmLock(real, offset, n, flags);
}
void walShmBarrier(sqlite3_file* file) {
  sqlite3_file* real = walFile(file)->real;
  real->pMethods->xShmBarrier(real);
}
int walShmUnmap(sqlite3_file* file, int deleteFlag) {
  sqlite3_file* real = walFile(file)->real;
  return real->pMethods->xShmUnmap(real, deleteFlag);
}
int walFetch(sqlite3_file* file, sqlite3_int64 offset, int amount, void** out) {
  WalFile* w = walFile(file);
  if (int rc = flush(w)) return rc;
  return w->real->pMethods->xFetch(w->real, offset, amount, out);
}
int walUnfetch(sqlite3_file* file, sqlite3_int64 offset, void* page) {
  sqlite3_file* real = walFile(file)->real;
  return real->pMethods->xUnfetch(real, offset, page);
}

const sqlite3_io_methods kWalMethods = {
    3,
    walClose,
    walRead,
    walWrite,
    walTruncate,
    walSync,
    walFileSize,
    walLock,
    walUnlock,
    walCheckReservedLock,
    walFileControl,
    walSectorSize,
    walDeviceCharacteristics,
    walShmMap,
    walShmLock,
    walShmBarrier,
    walShmUnmap,
    walFetch,
    walUnfetch,
};

int vfsOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  // Any file but a log is the default layer's own, in the same memory.
  if (!(flags & SQLITE_OPEN_WAL)) return g_base->xOpen(g_base, name, file, flags, outFlags);
  WalFile* w = walFile(file);
  w->base.pMethods = nullptr;
  auto* real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + kRealOffset);
  real->pMethods = nullptr;
  const int rc = g_base->xOpen(g_base, name, real, flags, outFlags);
  if (rc != SQLITE_OK) {
    if (real->pMethods) real->pMethods->xClose(real);
    return rc;
  }
  if (real->pMethods->iVersion < kWalMethods.iVersion) {
    // A layer with fewer methods than ours keeps its log unwrapped.
    real->pMethods->xClose(real);
    return g_base->xOpen(g_base, name, file, flags, outFlags);
  }
  w->real = real;
  w->held = new (reinterpret_cast<char*>(file) + kHeldOffset) Held();
  w->base.pMethods = &kWalMethods;
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

const char* sqliteWalVfsName() {
  static const char* const name = registerVfs();
  return name;
}

}  // namespace ndossa
