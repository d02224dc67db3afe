// Texts of the library's statuses.

#include <cstdio>
#include <cstring>

#include "ndossa/dossa_api.h"

namespace {

struct StatusText {
  DossaStatus number;
  const char* text;
};

constexpr StatusText kTexts[] = {
    {DOSSA_NOERROR, "No error"},
    {DOSSA_ERR_NOT_INITIALIZED, "The database library is not initialized"},
    {DOSSA_ERR_BAD_HANDLE, "Invalid handle"},
    {DOSSA_ERR_NO_SUCH_DATABASE, "File does not exist"},
    {DOSSA_ERR_NOT_DATABASE, "File is not a database"},
    {DOSSA_ERR_DATABASE_CORRUPT, "Database is damaged"},
    {DOSSA_ERR_DISK, "Disk or file error"},
    {DOSSA_ERR_BUSY, "Database is in use by another process; try again later"},
    {DOSSA_ERR_INVALID_ARGUMENT, "Invalid argument"},
    {DOSSA_ERR_NO_MEMORY, "Insufficient memory"},
    {DOSSA_ERR_PATH_TOO_LONG, "Path name is too long"},
    {DOSSA_ERR_FILE_EXISTS, "File already exists"},
    {DOSSA_ERR_DATABASE_FULL, "Database has no more document numbers"},
    {DOSSA_ERR_CANNOT_OPEN, "Cannot open the database file"},
    {DOSSA_ERR_BUFFER_TOO_SMALL, "Buffer is too small"},
    {DOSSA_ERR_TOO_MANY_HANDLES, "Too many open handles"},
    {DOSSA_ERR_WRONG_VERSION, "Database was made by an unsupported version"},
    {DOSSA_ERR_NOTE_NOT_FOUND, "Document not found"},
    {DOSSA_ERR_ITEM_NOT_FOUND, "Item not found"},
    {DOSSA_ERR_ITEM_NAME, "Invalid item name"},
    {DOSSA_ERR_VALUE_TOO_LONG, "Item value is too long"},
    {DOSSA_ERR_NOTE_TOO_LARGE, "Document is too large"},
    {DOSSA_ERR_TOO_MANY_ENTRIES, "Text list has too many entries"},
    {DOSSA_ERR_ITEM_TYPE, "Item is not a text list"},
    {DOSSA_ERR_DUPLICATE_KEY, "A document with the same unique key exists"},
    {DOSSA_ERR_NOTE_NOT_SEALED, "Document is not sealed"},
    {DOSSA_ERR_FORMULA, "Formula error"},
    {DOSSA_ERR_FORMULA_TOO_LONG, "Formula is too long"},
    {DOSSA_ERR_FORMULA_NOT_INDEXED, "Formula selects by no indexed item"},
    {DOSSA_ERR_VIEW_NOT_FOUND, "View not found"},
    {DOSSA_ERR_POSITION_GONE, "Collection entry no longer exists"},
    {DOSSA_ERR_NOT_FOUND, "Entry not found in index"},
    {DOSSA_ERR_NO_USER_NAME, "User name is not known"},
    {DOSSA_ERR_NAME_TOO_LONG, "Name is too long"},
#ifdef VEXO_SERVER_ENGINE
    {DOSSA_ERR_SERVER_UNKNOWN, "Server is not known"},
#else
    {DOSSA_ERR_SERVER_UNKNOWN, "Server is not known: this build keeps local databases only"},
#endif
    {DOSSA_ERR_SERVER_NOT_RESPONDING, "Server is not responding"},
    {DOSSA_ERR_NO_ACCESS, "You are not authorized to access the database"},
    {DOSSA_ERR_NO_WRITE_ACCESS, "You are not authorized to change the database"},
};

}  // namespace

std::uint16_t DossaLoadString(const char* /*module*/, DossaStatus status, char* buffer,
                              std::uint16_t bufferSize) {
  if (!buffer || bufferSize == 0) return 0;
  DossaStatus number = DossaErrorNumber(status);
  char unknown[64];
  const char* text = nullptr;
  for (const StatusText& entry : kTexts)
    if (entry.number == number) text = entry.text;
  if (!text) {
    std::snprintf(unknown, sizeof unknown, "Unknown error %u", static_cast<unsigned>(number));
    text = unknown;
  }
  std::size_t length = std::strlen(text);
  if (length > static_cast<std::size_t>(bufferSize - 1)) length = bufferSize - 1;
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
  return static_cast<std::uint16_t>(length);
}

