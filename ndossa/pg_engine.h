#pragma once
// The server engine: databases kept by a PostgreSQL server. A path names a
// connection service and a database on it, "service!!name" (no service: the
// one libpq takes by default, PGSERVICE). Each database is one schema of the
// server's database, found by its name in a catalog, so that databases of any
// name live side by side. Every change is one transaction; a unit of work
// holds the database's write lock from begin to commit.

#include "ndossa/engine.h"

namespace ndossa {

const EngineDriver& pgEngineDriver();

}  // namespace ndossa
