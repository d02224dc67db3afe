#include "tools/dossa/dossa_salvage.h"

#include <cstdint>
#include <set>
#include <string_view>

#include "docstore/zo_dossa_layout.h"
#include "docstore/zo_message_names.h"
#include "docstore/zo_stored_forms.h"
#include "ndossa/dossa_admin.h"
#include "tools/dossa/dossa_dump.h"
#include "tools/dossa/dossa_note.h"

namespace {

// Ids read at a time.
constexpr std::uint32_t kBatch = 512;
// The largest note id.
constexpr std::uint64_t kMaxNoteId = 0x7FFFFFFF;

// Statuses of a damaged file, past which a salvage goes on; any other stops it.
bool damage(DossaStatus s) { return s == DOSSA_ERR_DATABASE_CORRUPT || s == DOSSA_ERR_DISK || s == DOSSA_ERR_NOT_DATABASE; }

// The ids of every stored document, read from the documents themselves.
// Where a damaged file breaks the list off, the list goes on after ever
// larger gaps, and the gap is named in `leftOut`.
DossaStatus listAll(DossaDbHandle db, std::vector<DossaNoteId>& all, std::vector<std::string>& leftOut) {
  std::vector<DossaNoteId> ids;
  DossaNoteId after = 0;
  for (;;) {
    const DossaStatus s = DossaNoteList(db, nullptr, after, kBatch, ids);
    if (!s) {
      all.insert(all.end(), ids.begin(), ids.end());
      if (ids.size() < kBatch) return DOSSA_NOERROR;
      after = ids.back();
      continue;
    }
    if (!damage(s)) return s;
    std::uint64_t from = 0;
    for (std::uint64_t step = 1; after + step < kMaxNoteId && !from; step *= 2) {
      if (DossaNoteList(db, nullptr, static_cast<DossaNoteId>(after + step), 1, ids) == DOSSA_NOERROR)
        from = after + step;
    }
    leftOut.push_back("documents after " + std::to_string(after) +
                      (from ? " up to " + std::to_string(from) : std::string()) + ": " + dossaStatusText(s) +
                      " (they cannot be listed)");
    if (!from) return DOSSA_NOERROR;
    after = static_cast<DossaNoteId>(from);
  }
}

// A document that reads back whole, and the message a built one belongs to.
struct Whole {
  DossaNoteId id;
  bool built;
  std::string message;
};

}  // namespace

DossaSalvageResult dossaSalvage(DossaDbHandle db, std::FILE* out) {
  DossaSalvageResult result;
  if ((result.failed = DossaDbBeginSnapshot(db))) return result;
  std::vector<DossaNoteId> ids;
  result.failed = listAll(db, ids, result.leftOut);

  // First the documents that read back whole, and the messages they hold.
  std::vector<Whole> whole;
  std::set<std::string> messages;
  for (std::size_t i = 0; i < ids.size() && !result.failed; ++i) {
    const std::string name = "document " + std::to_string(ids[i]) + ": ";
    ZoOpenNote note;
    const DossaStatus s = DossaNoteOpen(db, ids[i], 0, note.out());
    if (s == DOSSA_ERR_DATABASE_CORRUPT) {
      result.leftOut.push_back(name + "its stored form fails its checksum or does not decode");
      continue;
    }
    if (s && !damage(s)) result.failed = s;
    if (s) {
      if (!result.failed) result.leftOut.push_back(name + dossaStatusText(s));
      continue;
    }
    std::string line, problem;
    if (!dossaDumpLine(ids[i], note.get(), line, problem)) {
      result.leftOut.push_back(name + problem);
      continue;
    }
    const zodossa::MessageDocumentForm* form = zodossa::zoMessageDocumentForm(zoNameText(note.get(), zodossa::FORM_ITEM));
    const std::string message = form ? zoNameText(note.get(), form->nameItem) : std::string();
    if (form && std::string_view(form->form) == zodossa::MESSAGE_FORM) messages.insert(message);
    const bool built = form && std::string_view(form->form) == zodossa::BUILT_FORM;
    whole.push_back({ids[i], built, built ? message : std::string()});
  }

  // Then their lines, but for built documents whose message is gone: reads
  // would build the message from them, and a check refuses them.
  for (std::size_t i = 0; i < whole.size() && !result.failed; ++i) {
    const Whole& w = whole[i];
    const std::string name = "document " + std::to_string(w.id) + ": ";
    if (w.built && !messages.contains(w.message)) {
      result.leftOut.push_back(name + "the built form of message \"" + w.message + "\", whose Message document is left out or missing");
      continue;
    }
    ZoOpenNote note;
    std::string line, problem;
    if (DossaStatus s = DossaNoteOpen(db, w.id, 0, note.out())) {
      result.failed = s;
      break;
    }
    if (!dossaDumpLine(w.id, note.get(), line, problem)) {
      result.leftOut.push_back(name + problem);
      continue;
    }
    std::fwrite(line.data(), 1, line.size(), out);
    ++result.written;
  }
  const DossaStatus ended = DossaDbEndSnapshot(db);
  if (!result.failed) result.failed = ended;
  return result;
}
