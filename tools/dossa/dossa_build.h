#pragma once
// "dossa build FILE [MESSAGE ...]": derives the "MsgBuild" document of each
// message (all of them, or those named) from its "Message" and "Field"
// documents, so that the definition database can read the message back.

#include <string>
#include <vector>

// args[0] is "build". Prints one line per message built; returns the exit status.
int dossaBuildCommand(const std::vector<std::string>& args);
