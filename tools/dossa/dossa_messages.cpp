#include "tools/dossa/dossa_messages.h"

#include <set>

#include "docstore/zo_dossa_layout.h"
#include "ndossa/dossa_admin.h"
#include "tools/dossa/dossa_note.h"

namespace {

// Ids read at a time while listing a form.
constexpr std::uint32_t kBatch = 512;
// Room for a message name as stored (names are far shorter).
constexpr std::uint16_t kNameRoom = 256;

// The forms of a message's documents and the item that names their message.
struct MessageForm {
  const char* form;
  const char* nameItem;
};
constexpr MessageForm kMessageForms[] = {
    {zodossa::MESSAGE_FORM, zodossa::MESSAGE_NAME},
    {zodossa::FIELD_FORM, zodossa::MESSAGE_NAME},
    {zodossa::BUILT_FORM, zodossa::BUILT_NAME},
};

// Every document of one form of kMessageForms, with the message it names.
DossaStatus documentsOf(DossaDbHandle db, const MessageForm& form, std::vector<DossaMessageDocument>& out) {
  std::vector<DossaNoteId> ids;
  DossaNoteId after = 0;
  do {
    if (DossaStatus s = DossaNoteList(db, form.form, after, kBatch, ids)) return s;
    for (DossaNoteId id : ids) {
      DossaOpenNote note;
      if (DossaStatus s = DossaNoteOpen(db, id, 0, note.out())) return s;
      char name[kNameRoom];
      const std::uint16_t length = DossaItemGetText(note.get(), form.nameItem, name, sizeof name);
      out.push_back({id, form.form, std::string(name, length)});
      after = id;
    }
  } while (ids.size() == kBatch);
  return DOSSA_NOERROR;
}

// Deletes the documents in one unit of work.
DossaStatus deleteTogether(DossaDbHandle db, const std::vector<DossaMessageDocument>& documents) {
  if (DossaStatus s = DossaDbBeginUnit(db)) return s;
  DossaStatus s = DOSSA_NOERROR;
  for (const DossaMessageDocument& d : documents) {
    if ((s = DossaNoteDelete(db, d.id, 0))) break;
  }
  if (!s) s = DossaDbCommitUnit(db);
  if (s) DossaDbAbortUnit(db);
  return s;
}

}  // namespace

DossaStatus dossaMessageNames(DossaDbHandle db, std::vector<std::string>& names) {
  std::vector<DossaMessageDocument> messages;
  if (DossaStatus s = documentsOf(db, kMessageForms[0], messages)) return s;
  std::set<std::string> sorted;
  for (DossaMessageDocument& d : messages) sorted.insert(std::move(d.message));
  names.assign(sorted.begin(), sorted.end());
  return DOSSA_NOERROR;
}

DossaStatus dossaFindOrphans(DossaDbHandle db, std::vector<DossaMessageDocument>& orphans) {
  std::vector<DossaMessageDocument> all;
  for (const MessageForm& form : kMessageForms) {
    if (DossaStatus s = documentsOf(db, form, all)) return s;
  }
  std::set<std::string> messages;
  for (const DossaMessageDocument& d : all) {
    if (d.form == zodossa::MESSAGE_FORM) messages.insert(d.message);
  }
  for (DossaMessageDocument& d : all) {
    if (d.form != zodossa::MESSAGE_FORM && !messages.contains(d.message)) orphans.push_back(std::move(d));
  }
  return DOSSA_NOERROR;
}

DossaStatus dossaDeleteMessage(DossaDbHandle db, const std::string& message, std::size_t& deleted) {
  deleted = 0;
  std::vector<DossaMessageDocument> all, mine;
  for (const MessageForm& form : kMessageForms) {
    if (DossaStatus s = documentsOf(db, form, all)) return s;
  }
  for (DossaMessageDocument& d : all) {
    if (d.message == message) mine.push_back(std::move(d));
  }
  if (mine.empty()) return DOSSA_ERR_NOTE_NOT_FOUND;
  if (DossaStatus s = deleteTogether(db, mine)) return s;
  deleted = mine.size();
  return DOSSA_NOERROR;
}

DossaStatus dossaRemoveOrphanedBuilds(DossaDbHandle db, std::vector<std::string>& removed) {
  std::vector<DossaMessageDocument> orphans, built;
  if (DossaStatus s = dossaFindOrphans(db, orphans)) return s;
  for (DossaMessageDocument& d : orphans) {
    if (d.form == zodossa::BUILT_FORM) built.push_back(std::move(d));
  }
  if (built.empty()) return DOSSA_NOERROR;
  if (DossaStatus s = deleteTogether(db, built)) return s;
  for (const DossaMessageDocument& d : built) removed.push_back(d.message);
  return DOSSA_NOERROR;
}
