#include "tools/dossa/dossa_build.h"

#include <cstdio>

#include "docstore/zo_msg_build.h"
#include "ndossa/dossa_api.h"
#include "tools/dossa/dossa_messages.h"
#include "tools/dossa/dossa_note.h"

namespace {

int failBuild(const std::string& message) {
  std::fprintf(stderr, "dossa: %s\n", message.c_str());
  return 1;
}

}  // namespace

int dossaBuildCommand(const std::vector<std::string>& args) {
  if (args.size() < 2) {
    std::fprintf(stderr, "dossa: build takes FILE [MESSAGE ...]\nusage: dossa build FILE [MESSAGE ...]\n");
    return 1;
  }
  const std::string& file = args[1];
  DossaLibrary library;
  if (DossaStatus s = library.initStatus()) return failBuild("library: " + dossaStatusText(s));
  if (DossaStatus s = library.open(file)) return failBuild(file + ": " + dossaStatusText(s));
  const std::vector<std::string> names(args.begin() + 2, args.end());
  std::string problem;
  DossaStatus s = zoBuildMessages(library.db(), names,
                                  [](const std::string& message, std::size_t fields) {
                                    std::printf("built %s (%zu field%s)\n", message.c_str(), fields,
                                                fields == 1 ? "" : "s");
                                  },
                                  problem);
  if (s) return failBuild(file + ": " + problem + ": " + dossaStatusText(s));
  // A build of the whole database also drops the built documents of messages that are gone.
  std::vector<std::string> removed;
  int status = 0;
  if (names.empty() && (s = dossaRemoveOrphanedBuilds(library.db(), removed)))
    status = failBuild(file + ": removing built documents of deleted messages: " + dossaStatusText(s));
  for (const std::string& message : removed) std::printf("removed built %s (its message is gone)\n", message.c_str());
  return status;
}
