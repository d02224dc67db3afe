#pragma once

// A file layer over SQLite's default one that writes the log (the "-wal"
// file) a transaction at a time. SQLite writes each log frame with two
// writes (its 24-byte header, then the page); this layer keeps consecutive
// writes in memory and hands them to the file in one write when the commit
// frame is complete, before SQLite makes the frames visible to any reader,
// and whenever the file is read, synced, sized, truncated or closed. The
// bytes on disk, and when they are there for another process, are what
// SQLite alone would give; only the number of system calls changes.
// Every other file (the database, its shared memory) is SQLite's own.

namespace ndossa {

// The layer's name for sqlite3_open_v2, registered on first use; nullptr
// (SQLite's default) if it could not be registered.
const char* sqliteWalVfsName();

}  // namespace ndossa
