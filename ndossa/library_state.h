#pragma once
// The process state of the client library: whether it is initialised, and
// the objects behind every handle it gave out.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "ndossa/dossa_api.h"
#include "ndossa/engine.h"
#include "ndossa/formula.h"
#include "ndossa/note_items.h"

namespace ndossa {

// A document in memory; it keeps its database alive after the database handle is closed.
struct NoteObject {
  std::shared_ptr<Engine> db;
  DossaNoteId id = 0;  // 0 until first saved
  DossaNoteId restoreAs = 0;  // the id its first save must take (DossaNoteCreateWithId)
  NoteItems items;
};

// A memory handle: a compiled formula or an entry buffer.
struct MemoryObject {
  std::vector<std::uint8_t> bytes;
  std::unique_ptr<Formula> formula;  // set for formulas
};

struct CollectionObject {
  std::shared_ptr<Engine> db;
  std::uint32_t viewId = 0;
};

class LibraryState {
 public:
  // The state, locked for the calling thread (reentrant: a search callback may call the library).
  static LibraryState& instance();
  static std::recursive_mutex& mutex();

  bool initialized() const { return initCount_ > 0; }
  // The engine that makes and opens databases; it outlives DossaTerm.
  const EngineDriver& engine() const { return *engine_; }
  void useEngine(const EngineDriver& engine) { engine_ = &engine; }
  DossaStatus init();
  void term();

  DossaStatus addDatabase(std::shared_ptr<Engine> db, DossaDbHandle& handle);
  std::shared_ptr<Engine> database(DossaDbHandle handle) const;
  bool removeDatabase(DossaDbHandle handle);

  DossaStatus addNote(std::unique_ptr<NoteObject> note, DossaNoteHandle& handle);
  NoteObject* note(DossaNoteHandle handle) const;
  bool removeNote(DossaNoteHandle handle);

  DossaStatus addMemory(std::unique_ptr<MemoryObject> memory, DossaMemHandle& handle);
  MemoryObject* memory(DossaMemHandle handle) const;
  bool removeMemory(DossaMemHandle handle);

  DossaStatus addCollection(CollectionObject collection, HCOLLECTION& handle);
  CollectionObject* collection(HCOLLECTION handle);
  bool removeCollection(HCOLLECTION handle);

 private:
  // A 32-bit handle not in use (databases, documents and memory share one numbering).
  bool nextHandle(std::uint32_t& handle);

  int initCount_ = 0;
  const EngineDriver* engine_ = engineDrivers().front();
  std::uint32_t lastHandle_ = 0;
  std::uint16_t lastCollection_ = 0;
  std::unordered_map<std::uint32_t, std::shared_ptr<Engine>> databases_;
  std::unordered_map<std::uint32_t, std::unique_ptr<NoteObject>> notes_;
  std::unordered_map<std::uint32_t, std::unique_ptr<MemoryObject>> memory_;
  std::unordered_map<std::uint16_t, CollectionObject> collections_;
};

// The prologue of every entry point: it holds the library lock for the whole
// call and looks at the state through it.
struct Call {
  std::lock_guard<std::recursive_mutex> lock{LibraryState::mutex()};
  LibraryState& state = LibraryState::instance();
  bool ready() const { return state.initialized(); }
};

// Resolves a database path and the engine that keeps it (driver: set to the
// server engine for "server!!name", else left as given). A server path in a
// build without a server engine gives DOSSA_ERR_SERVER_UNKNOWN; a relative
// file is taken in the NDOSSA_DATA directory.
DossaStatus resolveDatabasePath(const char* path, const EngineDriver*& driver, std::string& file);

}  // namespace ndossa
