#pragma once
// Open documents, the documents of a form with the name they carry, and the names of the
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

// A document open for the length of a scope: opened by the constructor that
// takes its id (the status in status()), or by the caller's own open or
// create call through out(). Closed at the end of the scope.
class ZoOpenNote {
 public:
  ZoOpenNote() = default;
  ZoOpenNote(DossaDbHandle db, DossaNoteId id) : status_(DossaNoteOpen(db, id, 0, &note_)) {}
  ~ZoOpenNote() {
    if (note_) DossaNoteClose(note_);
  }
  ZoOpenNote(const ZoOpenNote&) = delete;
  ZoOpenNote& operator=(const ZoOpenNote&) = delete;
  DossaStatus status() const { return status_; }
  DossaNoteHandle get() const { return note_; }
  DossaNoteHandle* out() { return &note_; }

 private:
  DossaNoteHandle note_ = 0;
  DossaStatus status_ = 0;
};

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
