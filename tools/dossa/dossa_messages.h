#pragma once
// The documents of whole messages: the Message document, its Field documents
// and its built ("MsgBuild") document, found by the message name they hold.

#include <string>
#include <vector>

#include "ndossa/dossa_api.h"

// One document and the message it belongs to.
struct DossaMessageDocument {
  DossaNoteId id;
  std::string form;
  std::string message;
};

// Field and built documents whose message has no Message document (their
// message was deleted); fills `orphans` in note-id order of each form.
DossaStatus dossaFindOrphans(DossaDbHandle db, std::vector<DossaMessageDocument>& orphans);

// Deletes the Message, Field and built documents of `message` (its name,
// exactly) in one unit of work: all of them or none. `deleted` counts them.
DossaStatus dossaDeleteMessage(DossaDbHandle db, const std::string& message, std::size_t& deleted);

// Deletes the built documents whose message is gone, in one unit of work,
// and names each in `removed`.
DossaStatus dossaRemoveOrphanedBuilds(DossaDbHandle db, std::vector<std::string>& removed);
