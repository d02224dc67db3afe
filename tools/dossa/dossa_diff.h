#pragma once
// "dossa diff A B": what changed in the message definitions from database A
// to database B, and what that does to each message's record.
//
// A and B are each a database file, a database on the server of --server
// (or "SERVER!!NAME"), or a file of "dossa dump" lines. One line per change,
// in a fixed order: messages by name; within one, the message's own items,
// the fields removed (in A's order), added and changed (in B's order, item by
// item), then the record's size and every field whose offset moved.
// With `json`, each change is a JSON object on a line of its own.
// Exit status 0 when they are the same, 1 when they differ, 2 on error.

#include <optional>
#include <string>
#include <vector>

int dossaDiffCommand(const std::vector<std::string>& args, const std::optional<std::string>& server, bool json);
