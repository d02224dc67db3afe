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

// An open document, closed at the end of its scope.
class DossaOpenNote {
 public:
  DossaOpenNote() = default;
  ~DossaOpenNote() {
    if (handle_) DossaNoteClose(handle_);
  }
  DossaOpenNote(const DossaOpenNote&) = delete;
  DossaOpenNote& operator=(const DossaOpenNote&) = delete;
  DossaNoteHandle* out() { return &handle_; }
  DossaNoteHandle get() const { return handle_; }

 private:
  DossaNoteHandle handle_ = 0;
};
