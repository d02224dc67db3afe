#pragma once
// Administrative operations of the client library, beyond what applications
// need: making a database, walking its documents and items, checking it.
// The rules of docstore/dossa_api.h apply (initialisation, handles, statuses).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "docstore/dossa_api.h"

// Makes a new database with its design (views "Services" and "MsgBuild", the
// key index) at path, resolved like DossaDbOpen. An existing file:
// DOSSA_ERR_FILE_EXISTS, and the file is left alone.
DossaStatus DossaDbCreate(const char* path);

// Checks the whole file, every document and the indexes. On a failure,
// problem tells what is wrong.
DossaStatus DossaDbCheck(DossaDbHandle db, std::string& problem);

// The note id of a document (0 while it was never saved).
DossaStatus DossaNoteGetId(DossaNoteHandle note, DossaNoteId* noteId);

// Note ids after `after`, ascending, at most limit: of every document, or of
// the documents of one form (form compared ignoring case) when form is not null.
DossaStatus DossaNoteList(DossaDbHandle db, const char* form, DossaNoteId after,
                          std::uint32_t limit, std::vector<DossaNoteId>& ids);

enum class DossaItemKind { Text, TextList, Number };

// One item as DossaItemScan shows it; the views are valid during the visit only.
struct DossaItemInfo {
  std::string_view name;
  DossaItemKind kind;
  std::string_view text;                  // Text
  const std::vector<std::string>* list;   // TextList
  double number;                          // Number
};

// Visits the items of a document in the order they were first set. The visit
// must not change or close that document.
DossaStatus DossaItemScan(DossaNoteHandle note,
                          const std::function<void(const DossaItemInfo&)>& visit);
