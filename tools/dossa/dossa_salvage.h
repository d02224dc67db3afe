#pragma once
// The rescue of a damaged database: a dump of every document that still
// reads back whole, and a list of those it had to leave out.

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "ndossa/dossa_api.h"

// What a salvage did.
struct DossaSalvageResult {
  std::size_t written = 0;            // dump lines written
  std::vector<std::string> leftOut;   // one line per document (or range) left out: its note id and why
  DossaStatus failed = DOSSA_NOERROR;  // a failure that stopped the salvage part-way
};

// Writes to `out` the dump line (see dossa_dump.h) of every document of `db`
// whose stored form passes its checksum and decodes, in one read snapshot.
// It goes by the documents themselves, never by the indexes, so damaged index
// rows cost nothing. Left out, and named: each document that fails, each
// built document whose message has no Message document among those written
// (a load of the output must pass "dossa check"), and the documents a
// damaged file gives no list of. The output loads with "dossa load".
DossaSalvageResult dossaSalvage(DossaDbHandle db, std::FILE* out);
