#pragma once
// The documents of a form with the name they carry, and the names of the
// messages a document database holds: the MessageName item of every
// "Message" document, in note-id order (the order they were first written;
// the unique key of the form keeps each name once). Used by the definition
// database and by `dossa`, on a database they have open.
//
// The client library must be initialised and `db` open; the caller keeps both.

#include <string>
#include <vector>

#include "docstore/zo_stored_forms.h"
#include "ndossa/dossa_api.h"

// One document and the text of its name item.
struct ZoNamedDocument {
  DossaNoteId id;
  std::string name;
};

// The text of a short item (a form or a name) of an open document, up to 255
// bytes; empty when the document has no such item.
std::string zoNameText(DossaNoteHandle note, const char* item);

// Appends every document of `form`, in note-id order, with the text of the
// item that names its message (empty when it has none) to `out`. A library
// status on failure, with what was appended before it left in `out`.
DossaStatus zoNamedDocuments(DossaDbHandle db, const zodossa::MessageDocumentForm& form,
                             std::vector<ZoNamedDocument>& out);

// Fills `names` (replacing what it held); on failure a library status, with
// `names` empty.
DossaStatus zoMessageNames(DossaDbHandle db, std::vector<std::string>& names);
