#include "tools/dossa/dossa_messages.h"

#include <set>
#include <string_view>

#include "docstore/zo_dossa_layout.h"
#include "docstore/zo_message_names.h"
#include "docstore/zo_stored_forms.h"
#include "ndossa/dossa_admin.h"
#include "tools/dossa/dossa_note.h"

namespace {

using zodossa::MessageDocumentForm;

// Every document of one form of a message's documents, with the message it names.
DossaStatus documentsOf(DossaDbHandle db, const MessageDocumentForm& form, std::vector<DossaMessageDocument>& out) {
  std::vector<ZoNamedDocument> named;
  const DossaStatus s = zoNamedDocuments(db, form, named);
  for (ZoNamedDocument& d : named) out.push_back({d.id, form.form, std::move(d.name)});
  return s;
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

DossaStatus dossaFindOrphans(DossaDbHandle db, std::vector<DossaMessageDocument>& orphans) {
  std::vector<std::string> names;
  if (DossaStatus s = zoMessageNames(db, names)) return s;
  const std::set<std::string> messages(names.begin(), names.end());
  std::vector<DossaMessageDocument> all;
  for (const MessageDocumentForm& form : zodossa::zoMessageDocumentForms()) {
    if (std::string_view(form.form) == zodossa::MESSAGE_FORM) continue;
    if (DossaStatus s = documentsOf(db, form, all)) return s;
  }
  for (DossaMessageDocument& d : all) {
    if (!messages.contains(d.message)) orphans.push_back(std::move(d));
  }
  return DOSSA_NOERROR;
}

DossaStatus dossaDeleteMessage(DossaDbHandle db, const std::string& message, std::size_t& deleted) {
  deleted = 0;
  std::vector<DossaMessageDocument> all, mine;
  for (const MessageDocumentForm& form : zodossa::zoMessageDocumentForms()) {
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
