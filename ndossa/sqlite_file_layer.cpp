#include "ndossa/sqlite_file_layer.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

// Why a held write is never lost and never seen before it is in the file.
//
// What is held: bytes of the log's transaction in progress, consecutive, from
// `start`. The database file is never held: a checkpoint's copy of the log
// goes straight to it, so that each page's write error reaches SQLite while it
// can still keep the log (SQLite ignores what its checkpoint-start and
// checkpoint-done file controls return, so nothing may be written there).
//
// The moments the layer writes what it holds, and where a failure goes:
// - xWrite of the page of a commit frame (its header has a nonzero "database
//   size after commit"): the result of that write. SQLite fails the commit on
//   any frame write's error and publishes a commit to readers (in the
//   shared-memory index) only after every frame of it is written.
// - xWrite at another place than right after the held bytes (a frame of the
//   same transaction written again, frames after a savepoint's rollback), or
//   when 1 MiB is held (a large transaction spills its frames early): the
//   result of that write; SQLite ends the statement or transaction on it.
// - xRead, xFileSize, xSync and xTruncate of the log: the result of that call,
//   which SQLite checks.
// A write that fails keeps every byte it did not write, in order: it goes out
// before anything else of the file, or fails again, and so does every commit
// after it. Nothing is ever skipped.
//
// Who could see a held byte: other connections, in this process or another,
// learn of frames only from the shared-memory index, which names a
// transaction's frames only once its commit is published (above); a recovery
// that reads the whole log first takes the lock a writer holds for its whole
// transaction. The connection that holds the bytes reads its own frames
// through xRead, which writes them first.
//
// What is dropped: bytes still held when the log is closed. They belong to no
// commit (a commit's bytes leave at its commit frame, or the commit fails),
// so they are bytes of a transaction SQLite has rolled back.

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

// Writes of the log not yet handed to the file: consecutive bytes from `start`.
struct Held {
  std::vector<unsigned char> bytes;
  sqlite3_int64 start = 0;
  sqlite3_int64 commitPageAt = -1;  // where the page of a held commit frame's header goes
  bool unheld = false;              // memory ran out once: every write goes straight to the file
};

// A log: ours first (SQLite sees a sqlite3_file), then what is held, then the
// default layer's own file. SQLite allocates szOsFile bytes for it.
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

// Writes what is held. On a failure the bytes not written stay held, from
// the first of them.
int flush(HeldFile* w) {
  Held& held = *w->held;
  std::size_t done = 0;
  int rc = SQLITE_OK;
  while (done < held.bytes.size()) {
    const std::size_t size = std::min(kMaxWrite, held.bytes.size() - done);
    rc = w->real->pMethods->xWrite(w->real, held.bytes.data() + done, static_cast<int>(size),
                                   held.start + static_cast<sqlite3_int64>(done));
    if (rc != SQLITE_OK) break;
    done += size;
  }
  held.bytes.erase(held.bytes.begin(), held.bytes.begin() + static_cast<std::ptrdiff_t>(done));
  held.start += static_cast<sqlite3_int64>(done);
  if (rc == SQLITE_OK) held.commitPageAt = -1;
  return rc;
}

int fileClose(sqlite3_file* file) {
  HeldFile* w = heldFile(file);
  w->held->~Held();
  return w->real->pMethods->xClose(w->real);
}

int fileWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
  HeldFile* w = heldFile(file);
  Held& held = *w->held;
  if (held.unheld) {
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
  if (amount == kFrameHeaderSize && offset >= kLogHeaderSize) {
    const bool commit = std::any_of(bytes + 4, bytes + 8, [](unsigned char b) { return b != 0; });
    held.commitPageAt = commit ? offset + kFrameHeaderSize : -1;
    return SQLITE_OK;
  }
  // A commit is in the file before SQLite publishes it to readers.
  if (offset == held.commitPageAt || held.bytes.size() >= kMaxHeld) return flush(w);
  return SQLITE_OK;
}

// What is held is written before the log is read, sized, synced or truncated.
template <auto Method, class... Args>
int flushThen(sqlite3_file* file, Args... args) {
  HeldFile* w = heldFile(file);
  if (int rc = flush(w)) return rc;
  return (w->real->pMethods->*Method)(w->real, args...);
}

// The rest are the default layer's: none of them writes or reads the log's bytes.
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
    forward<&Methods::xLock>,
    forward<&Methods::xUnlock>,
    forward<&Methods::xCheckReservedLock>,
    forward<&Methods::xFileControl>,
    forward<&Methods::xSectorSize>,
    forward<&Methods::xDeviceCharacteristics>,
    forward<&Methods::xShmMap>,
    forward<&Methods::xShmLock>,
    forward<&Methods::xShmBarrier>,
    forward<&Methods::xShmUnmap>,
    flushThen<&Methods::xFetch>,
    forward<&Methods::xUnfetch>,
};

int vfsOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  // Any file but a log is the default layer's own, in the same memory.
  if (!(flags & SQLITE_OPEN_WAL))
    return g_base->xOpen(g_base, name, file, flags, outFlags);
  // SQLite opens a log to write, making it, even for a database it opened to
  // read only ("mode=ro"): such a reader opens the log another process made,
  // read-only, and never makes one.
  const char* mode = sqlite3_uri_parameter(name, "mode");
  if (mode && std::strcmp(mode, "ro") == 0)
    flags = (flags & ~(SQLITE_OPEN_CREATE | SQLITE_OPEN_READWRITE)) | SQLITE_OPEN_READONLY;
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
