#pragma once
// Small helpers the dossa commands share.

#include <cstddef>
#include <string>

#include "ndossa/dossa_api.h"

// Room for the text of a status.
inline constexpr std::size_t DOSSA_STATUS_TEXT_SIZE = 256;

// The text of a client-library status.
inline std::string dossaStatusText(DossaStatus status) {
  char text[DOSSA_STATUS_TEXT_SIZE];
  DossaLoadString(nullptr, status, text, sizeof text);
  return text;
}

// The client library started for the length of a scope, and the database
// opened in it, closed before the library ends.
class DossaLibrary {
 public:
  DossaLibrary() : initStatus_(DossaInitExtended(0, nullptr)) {}
  ~DossaLibrary() {
    if (db_) DossaDbClose(db_);
    if (!initStatus_) DossaTerm();
  }
  DossaLibrary(const DossaLibrary&) = delete;
  DossaLibrary& operator=(const DossaLibrary&) = delete;
  // Opens `file` (once per object); the start's status when the library did not start.
  DossaStatus open(const std::string& file) { return initStatus_ ? initStatus_ : DossaDbOpen(file.c_str(), &db_); }
  DossaStatus initStatus() const { return initStatus_; }
  DossaDbHandle db() const { return db_; }

 private:
  DossaStatus initStatus_;
  DossaDbHandle db_ = 0;
};
