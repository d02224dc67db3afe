#pragma once
// The SQLite engine: one database file holds the documents (one row each,
// their items in one stored value), the key index and the view entries. Every
// change is one transaction; the file runs in write-ahead-log mode so that a
// crash of the process never loses a saved document.

#include "ndossa/engine.h"

namespace ndossa {

const EngineDriver& sqliteEngineDriver();

}  // namespace ndossa
