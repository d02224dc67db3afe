#include "import/pxm_map_loop.h"

#include <cstring>
#include <limits>
#include <string>

#include "common/return_codes.h"
#include "import/user_hints.h"

namespace {

bool isOperation(const PXMStatement* statement, const char* operation) {
  return std::strcmp(statement->GetOperation(), operation) == 0;
}

}  // namespace

namespace {

// One pass over the statements of a source; see PXMImportMaps.
class MapLoop {
 public:
  MapLoop(PXMFile& reader, PXMMessage& composer, UserMessage& message, PXMChecks* checks, ZO_LONG* maps)
      : reader_(reader), composer_(composer), message_(message), checks_(checks), maps_(maps) {}

  bool run() {
    while ((statement_ = reader_.GetStatement()) != nullptr) {
      reader_.MarkStatement();
      if (!isOperation(statement_, PXM_OP_MAP)) {  // anything outside a map is passed over
        if (checks_ != nullptr) checks_->outsideMap(*statement_, reader_.GetLineNumber());
        continue;
      }
      if (!importMap()) return false;
    }
    return readerOk();
  }

 private:
  // Imports the map whose "PXMMAP" statement was just read and marked.
  bool importMap() {
    message_.issue(USERMSG_PROGRESS, 0, 0, statement_->GetLabel());
    mapName_ = statement_->GetLabel();

    // Counting pass: the map's field statements.
    ZO_LONG count = 0;
    while ((statement_ = reader_.GetStatement()) != nullptr) {
      if (isOperation(statement_, PXM_OP_FIELD)) {
        const ZO_LONG slots = composer_.slotsFor(*statement_);
        count = count < std::numeric_limits<ZO_LONG>::max() - slots ? count + slots
                                                                     : std::numeric_limits<ZO_LONG>::max();
      } else if (!isOperation(statement_, PXM_OP_SPACE)) {
        break;
      }
    }
    if (!readerOk()) return false;

    reader_.ReturnToMark();
    statement_ = reader_.GetStatement();
    if (statement_ == nullptr) return readerOk();  // the map statement could not be read again

    if (checks_ != nullptr) checks_->mapStarted(*statement_, reader_.GetLineNumber());
    composer_.newMap(*statement_, count);
    if (!composerOk()) return false;

    while ((statement_ = reader_.GetStatement()) != nullptr) {
      if (isOperation(statement_, PXM_OP_FIELD)) {
        if (checks_ != nullptr) checks_->field(*statement_, reader_.GetLineNumber());
        composer_.addField(*statement_);
        if (!composerOk(statement_->GetLabel(), reader_.GetLineNumber())) return false;
      } else if (!isOperation(statement_, PXM_OP_SPACE)) {
        break;
      }
    }
    if (!readerOk()) return false;
    if (checks_ != nullptr) checks_->mapEnded(statement_, reader_.GetLineNumber());

    composer_.endMap();
    if (!composerOk(composer_.getFailedField())) return false;
    if (maps_ != nullptr) ++*maps_;

    // The statement that ended the fields is read again by the main loop.
    statement_ = nullptr;
    reader_.ReturnToStatement();
    return true;
  }

  // Prints the composer's error if it has one, naming the map and the field
  // it is about (null: none) with the line of its statement (0: unknown).
  bool composerOk(const char* field = nullptr, ZO_LONG line = 0) {
    if (composer_.getErrorCode() == 0) return true;
    message_.issue(USERMSG_ERROR, composer_.getErrorCode(), composer_.getDbErrorCode(),
                   composer_.getDbErrorText().text());
    message_.hints(PXMMapHints(composer_.getErrorCode(), mapName_.c_str(), field, line,
                               composer_.getErrorReason()));
    return false;
  }

  // Prints the open error if the source stopped being readable.
  bool readerOk() {
    if (reader_.GetStatus() != PXM_STATUS_READ_ERROR) return true;
    message_.issue(USERMSG_ERROR, ERR_PXM_OPEN_ERROR, 0, "");
    return false;
  }

  PXMFile& reader_;
  PXMMessage& composer_;
  UserMessage& message_;
  std::string mapName_;                // label of the map being imported
  PXMChecks* checks_;                  // null unless the check mode is on
  ZO_LONG* maps_;                      // maps written, when the caller counts them
  PXMStatement* statement_ = nullptr;  // the statement last read; owned by the reader
};

}  // namespace

bool PXMImportMaps(PXMFile& reader, PXMMessage& composer, UserMessage& message, PXMChecks* checks,
                   ZO_LONG* maps) {
  return MapLoop(reader, composer, message, checks, maps).run();
}
