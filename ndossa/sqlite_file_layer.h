#pragma once

// A file layer over SQLite's default one that writes fewer, larger pieces.
// SQLite writes each log frame (the "-wal" file) with two writes, its 24-byte
// header and then the page, and a checkpoint copies the log into the database
// file a page per write. This layer keeps consecutive writes in memory and
// hands them to the file in one write: in the log when a commit frame is
// complete, before SQLite makes the frames visible to any reader; in the
// database file when the checkpoint's copying ends, before SQLite lets readers
// use the copied pages; in either whenever the file is read, synced, sized,
// truncated, locked or closed. The bytes on disk, and when they are there for
// another process, are what SQLite alone would give; only the number of
// system calls changes. Any other file (a temporary one) is SQLite's own.

namespace ndossa {

// The layer's name for sqlite3_open_v2, registered on first use; nullptr
// (SQLite's default) if it could not be registered.
const char* sqliteFileLayerName();

}  // namespace ndossa
