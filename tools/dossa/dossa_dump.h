#pragma once
// The JSON Lines form of a document database, as "dossa dump" writes it and
// "dossa load" reads it back. One line per document:
//
//   {"noteid":7,"items":{"FORM":"Field","Length":8,"Names":["A","B"]}}
//
// Items keep their order. A text (or list entry) that is valid UTF-8 is a
// JSON string; any other bytes are {"base64":"..."}. A number (always
// finite in the store) is a JSON number that reads back as the same double:
// integers below 2^53 without a fraction, -0 as -0.0, others with as many
// digits as that takes.

#include <cstddef>
#include <istream>
#include <string>

#include "ndossa/dossa_api.h"

// The dump line of the open document `note` with id `id`, with its line end.
// False (and a reason in `problem`) when the document cannot be written.
bool dossaDumpLine(DossaNoteId id, DossaNoteHandle note, std::string& line, std::string& problem);

// What a load did.
struct DossaLoadResult {
  bool ok = false;
  std::size_t documents = 0;  // documents written
  std::string problem;        // why it failed: "line N: ..." for a bad line
};

// Reads dump lines from `in` and writes their documents into `db`, which must
// hold no document, in one unit of work: on any failure (a line that is no
// dump line, a value the store refuses, a failed write) nothing is written.
// Blank lines are skipped. Documents get new ids in the order of the lines.
DossaLoadResult dossaLoad(DossaDbHandle db, std::istream& in);
