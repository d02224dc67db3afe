#include "docstore/zo_message_names.h"

#include "docstore/zo_dossa_layout.h"
#include "ndossa/dossa_admin.h"

namespace {

// Ids read at a time.
constexpr std::uint32_t kBatch = 512;
// Room for a form or a name as stored (they are far shorter).
constexpr std::uint16_t kNameRoom = 256;

}  // namespace

std::string zoNameText(DossaNoteHandle note, const char* item) {
  char text[kNameRoom];
  const std::uint16_t length = DossaItemGetText(note, item, text, sizeof text);
  return std::string(text, length);
}

DossaStatus zoNamedDocuments(DossaDbHandle db, const zodossa::MessageDocumentForm& form,
                             std::vector<ZoNamedDocument>& out) {
  std::vector<DossaNoteId> ids;
  DossaNoteId after = 0;
  do {
    if (DossaStatus s = DossaNoteList(db, form.form, after, kBatch, ids)) return s;
    for (DossaNoteId id : ids) {
      const ZoOpenNote note(db, id);
      if (note.status()) return note.status();
      out.push_back({id, zoNameText(note.get(), form.nameItem)});
      after = id;
    }
  } while (ids.size() == kBatch);
  return DOSSA_NOERROR;
}

DossaStatus zoMessageNames(DossaDbHandle db, std::vector<std::string>& names) {
  names.clear();
  std::vector<ZoNamedDocument> messages;
  if (DossaStatus s = zoNamedDocuments(db, *zodossa::zoMessageDocumentForm(zodossa::MESSAGE_FORM), messages)) return s;
  names.reserve(messages.size());
  for (ZoNamedDocument& message : messages) names.push_back(std::move(message.name));
  return DOSSA_NOERROR;
}
