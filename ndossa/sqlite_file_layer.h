#pragma once

// A file layer over SQLite's default one that writes a database's log (the
// "-wal" file) in fewer, larger pieces. SQLite writes each log frame with two
// writes, its 24-byte header and then the page; this layer keeps the frames of
// the transaction in progress in memory and hands them to the file in one
// write when the page of its commit frame is written. The database file, the
// shared-memory index and every other file are SQLite's own, untouched.
// sqlite_file_layer.cpp says, for each moment the layer writes at, why a
// failure there reaches SQLite and why no reader sees what is not in the file.

namespace ndossa {

// The layer's name for sqlite3_open_v2, registered on first use; nullptr
// (SQLite's default) if it could not be registered.
const char* sqliteFileLayerName();

}  // namespace ndossa
