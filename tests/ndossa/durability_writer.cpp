// The writer process of the durability tests.
//
//   ndossa_durability_writer crash ENGINE PATH
//     creates documents and rewrites earlier ones until it is killed; after
//     each save that returned success it prints "ID VERSION" on a line.
//   ndossa_durability_writer write ENGINE PATH OWNER COUNT
//     creates COUNT documents of OWNER, rewriting every third one's half-way
//     partner once; exits 0 when every save succeeded.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/ndossa/durability_documents.h"

namespace {

using dossatest::writeDocument;

struct Saved {
  DossaNoteId id;
  std::uint32_t version;
};

int crashWriter(DossaDbHandle db) {
  std::vector<Saved> mine;
  for (std::uint32_t round = 0;; ++round) {
    Saved saved{0, 0};
    if (round % 4 == 3 && !mine.empty()) {
      saved = mine[round % mine.size()];
      ++saved.version;
    }
    if (writeDocument(db, saved.id, saved.version, "crash")) return 3;
    if (saved.version == 0) {
      mine.push_back(saved);
    } else {
      mine[round % mine.size()] = saved;
    }
    if (std::printf("%lu %lu\n", static_cast<unsigned long>(saved.id), static_cast<unsigned long>(saved.version)) < 0 ||
        std::fflush(stdout) != 0) {
      return 4;
    }
  }
}

int concurrentWriter(DossaDbHandle db, const std::string& owner, int count) {
  std::vector<DossaNoteId> mine;
  for (int i = 0; i < count; ++i) {
    DossaNoteId id = 0;
    if (writeDocument(db, id, 0, owner)) return 3;
    mine.push_back(id);
    if (i % 3 == 2) {
      DossaNoteId again = mine[static_cast<std::size_t>(i) / 2];
      if (writeDocument(db, again, 1, owner)) return 4;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  const bool crash = mode == "crash" && argc == 4;
  const bool write = mode == "write" && argc == 6;
  if (!crash && !write) {
    std::fprintf(stderr, "usage: %s crash ENGINE PATH | write ENGINE PATH OWNER COUNT\n", argv[0]);
    return 1;
  }
  DossaDbHandle db = 0;
  if (DossaUseEngine(argv[2]) || DossaInitExtended(0, nullptr) || DossaDbOpen(argv[3], &db)) return 2;
  const int status = crash ? crashWriter(db) : concurrentWriter(db, argv[4], std::atoi(argv[5]));
  DossaDbClose(db);
  DossaTerm();
  return status;
}
