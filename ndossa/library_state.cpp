#include "ndossa/library_state.h"

#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace ndossa {
namespace {

// Handles in use at once, per kind: a bound that keeps a leaking caller from exhausting memory.
constexpr std::size_t kMaxHandles = 1u << 20;
constexpr std::size_t kMaxCollections = 0xFFFF;
// Separates the server from the file in a database path.
constexpr std::string_view kServerSeparator = "!!";

}  // namespace

// The state and its lock are never destroyed: a caller's own static objects may
// still release handles while the program exits.
LibraryState& LibraryState::instance() {
  static LibraryState* const state = new LibraryState();
  return *state;
}

std::recursive_mutex& LibraryState::mutex() {
  static std::recursive_mutex* const lock = new std::recursive_mutex();
  return *lock;
}

DossaStatus LibraryState::init() {
  if (initCount_ == 0)
    for (const EngineDriver* driver : engineDrivers())
      if (DossaStatus s = driver->initialize()) return s;
  ++initCount_;
  return DOSSA_NOERROR;
}

void LibraryState::term() {
  if (initCount_ == 0 || --initCount_ > 0) return;
  // Documents and collections hold their databases: release them first.
  collections_.clear();
  notes_.clear();
  memory_.clear();
  databases_.clear();
}

bool LibraryState::nextHandle(std::uint32_t& handle) {
  if (databases_.size() + notes_.size() + memory_.size() >= 3 * kMaxHandles) return false;
  do {
    ++lastHandle_;
  } while (lastHandle_ == 0 || databases_.count(lastHandle_) || notes_.count(lastHandle_) ||
           memory_.count(lastHandle_));
  handle = lastHandle_;
  return true;
}

DossaStatus LibraryState::addDatabase(std::shared_ptr<Engine> db, DossaDbHandle& handle) {
  if (databases_.size() >= kMaxHandles || !nextHandle(handle)) return DOSSA_ERR_TOO_MANY_HANDLES;
  databases_.emplace(handle, std::move(db));
  return DOSSA_NOERROR;
}

std::shared_ptr<Engine> LibraryState::database(DossaDbHandle handle) const {
  auto it = databases_.find(handle);
  return it == databases_.end() ? nullptr : it->second;
}

bool LibraryState::removeDatabase(DossaDbHandle handle) { return databases_.erase(handle) > 0; }

DossaStatus LibraryState::addNote(std::unique_ptr<NoteObject> note, DossaNoteHandle& handle) {
  if (notes_.size() >= kMaxHandles || !nextHandle(handle)) return DOSSA_ERR_TOO_MANY_HANDLES;
  notes_.emplace(handle, std::move(note));
  return DOSSA_NOERROR;
}

NoteObject* LibraryState::note(DossaNoteHandle handle) const {
  auto it = notes_.find(handle);
  return it == notes_.end() ? nullptr : it->second.get();
}

bool LibraryState::removeNote(DossaNoteHandle handle) { return notes_.erase(handle) > 0; }

DossaStatus LibraryState::addMemory(std::unique_ptr<MemoryObject> memory, DossaMemHandle& handle) {
  if (memory_.size() >= kMaxHandles || !nextHandle(handle)) return DOSSA_ERR_TOO_MANY_HANDLES;
  memory_.emplace(handle, std::move(memory));
  return DOSSA_NOERROR;
}

MemoryObject* LibraryState::memory(DossaMemHandle handle) const {
  auto it = memory_.find(handle);
  return it == memory_.end() ? nullptr : it->second.get();
}

bool LibraryState::removeMemory(DossaMemHandle handle) { return memory_.erase(handle) > 0; }

DossaStatus LibraryState::addCollection(CollectionObject collection, HCOLLECTION& handle) {
  if (collections_.size() >= kMaxCollections) return DOSSA_ERR_TOO_MANY_HANDLES;
  do {
    ++lastCollection_;
  } while (lastCollection_ == 0 || collections_.count(lastCollection_));
  handle = lastCollection_;
  collections_.emplace(handle, std::move(collection));
  return DOSSA_NOERROR;
}

CollectionObject* LibraryState::collection(HCOLLECTION handle) {
  auto it = collections_.find(handle);
  return it == collections_.end() ? nullptr : &it->second;
}

bool LibraryState::removeCollection(HCOLLECTION handle) { return collections_.erase(handle) > 0; }

DossaStatus resolveDatabasePath(const char* path, const EngineDriver*& driver, std::string& file) {
  file.clear();
  if (!path || !*path) return DOSSA_ERR_NO_SUCH_DATABASE;
  std::string_view text(path);
  std::size_t separator = text.find(kServerSeparator);
  if (separator != std::string_view::npos) {
    if (separator > 0) {
      // A database on a server goes whole to the server engine.
      driver = serverEngineDriver();
      if (!driver) return DOSSA_ERR_SERVER_UNKNOWN;
      if (separator + kServerSeparator.size() == text.size()) return DOSSA_ERR_NO_SUCH_DATABASE;
      file.assign(text);
      return DOSSA_NOERROR;
    }
    text.remove_prefix(kServerSeparator.size());
    if (text.empty()) return DOSSA_ERR_NO_SUCH_DATABASE;
  }
  const char* dir = platformGetEnv("NDOSSA_DATA");
  file.assign(text);
  if (platformIsAbsolutePath(file.c_str()) || !dir || !*dir) return DOSSA_NOERROR;
  file = platformDirWithSeparator(dir) + file;
  return DOSSA_NOERROR;
}

}  // namespace ndossa
