#include "import/pxm_message.h"

#include <algorithm>
#include <limits>
#include <new>
#include <string>

#include "common/return_codes.h"
#include "common/trace.h"
#include "defs/zo_data_types.h"
#include "docstore/zo_real_dossa_database.h"
#include "import/pxm_attributes.h"
#include "session/zo_session.h"

PXMMessage::PXMMessage(ZoSession* session, ZO_BOOLEAN replace)
    : PXMMessage(session, session != nullptr ? session->getDefinitionDB() : nullptr, replace) {}

PXMMessage::PXMMessage(ZoSession* session, ZoDatabase* database, ZO_BOOLEAN replace)
    : database_(database), session_(session), replace_(replace) {
  XTR_METHOD("PXMMessage::PXMMessage", errorCode_);
  if (database_ == nullptr) errorCode_ = ERR_PXM_UNEXPECTED_ERROR;
}

PXMMessage::PXMMessage(ZO_BOOLEAN replace) : database_(nullptr), session_(nullptr), replace_(replace) {
  XTR_METHOD("PXMMessage::PXMMessage", errorCode_);
  writeNothing_ = true;
}

PXMMessage::~PXMMessage() {
  const ZO_ULONG rc = 0;
  XTR_METHOD("PXMMessage::~PXMMessage", rc);
  discardMap();
}

void PXMMessage::clearResults() {
  errorCode_ = 0;
  errorReason_.clear();
  dbErrorCode_ = 0;
  errorText_ = "";
}

void PXMMessage::takeDatabaseError() {
  errorCode_ = database_->getErrorCode();
  dbErrorCode_ = database_->getDbErrorCode();
  errorText_ = database_->getDbErrorText();
}

void PXMMessage::discardMap() {
  mapReady_ = false;
  messageDef_.reset();
  fieldDefs_.reset();
}

void PXMMessage::newMap(const PXMStatement& statement, ZO_LONG fieldCount) {
  XTR_METHOD("PXMMessage::newMap", errorCode_);
  clearResults();
  fieldCapacity_ = fieldCount;
  fieldsAdded_ = 0;
  mapColumns_ = PXM_DEFAULT_MAP_COLUMNS;
  discardMap();
  if (database_ == nullptr && !writeNothing_) {
    errorCode_ = ERR_PXM_UNEXPECTED_ERROR;
    return;
  }

  messageDef_.reset(new (std::nothrow) ZoMessageDef(""));
  if (!messageDef_) {
    errorCode_ = ERR_PXM_NO_MEMORY;
    XTR_TEXT("No memory creating ZoMessageDef object");
  } else if (messageDef_->getErrorCode() != 0) {
    errorCode_ = messageDef_->getErrorCode();
    XTR_TEXTF("Error %d creating ZoMessageDef object", static_cast<int>(errorCode_));
  } else if (fieldCount > 0) {
    fieldDefs_.reset(new (std::nothrow) ZoFieldDef[static_cast<std::size_t>(fieldCount)]);
    if (!fieldDefs_) {
      errorCode_ = ERR_PXM_NO_MEMORY;
      XTR_TEXT("No memory creating array of ZoFieldDef objects");
    } else if (fieldDefs_[fieldCount - 1].getErrorCode() != 0) {
      errorCode_ = fieldDefs_[fieldCount - 1].getErrorCode();
      XTR_TEXTF("Error %d creating array of ZoFieldDef objects", static_cast<int>(errorCode_));
    }
  } else {
    fieldCapacity_ = 0;
    XTR_TEXT("Warning: No fields in map.");
  }
  if (errorCode_ != 0) return;

  mapName_ = statement.GetLabel();
  messageDef_->setMessageName(mapName_);
  if (messageDef_->getErrorCode() != 0) {
    errorCode_ = messageDef_->getErrorCode();
    XTR_TEXTF("Invalid message name %s", mapName_.text());
    return;
  }
  XTR_TEXTF("Composing message definition %s", mapName_.text());
  mapDescription_ = ZoString(PXM_MAP_DESCRIPTION_PREFIX) + mapName_;
  messageDef_->setDescription(mapDescription_);
  messageDef_->setFormat("");
  if (keepAttributes_) {
    const PXMMapSize size = PXMReadMapSize(statement);
    messageDef_->setRowCount(size.rows);
    messageDef_->setColumnCount(size.columns);
    mapColumns_ = size.columns > 0 ? size.columns : PXM_DEFAULT_MAP_COLUMNS;
  }
  mapReady_ = true;
}

void PXMMessage::addField(const PXMStatement& statement) {
  XTR_METHOD("PXMMessage::addField", errorCode_);
  clearResults();
  if (!mapReady_ || fieldsAdded_ >= fieldCapacity_ || !messageDef_ || !fieldDefs_) {
    errorCode_ = ERR_PXM_UNEXPECTED_ERROR;
    XTR_TEXT("AddField called incorrectly");
    return;
  }

  fieldName_ = statement.GetLabel();
  if (fieldName_.length() == 0) {
    addScreenText(statement);
    return;
  }

  const ZO_LONG occurs = slotsFor(statement);
  if (occurs == 1) {
    composeField(statement, statement.GetLine(), statement.GetColumn());
    return;
  }
  // Each occurrence follows the one before and its attribute byte, going on
  // at the start of the next row when the row ends; it is named by the label
  // and its number.
  const std::string label = statement.GetLabel();
  const ZO_LONG step = static_cast<ZO_LONG>(statement.GetLength()) + 1;
  const ZO_LONG start = (static_cast<ZO_LONG>(statement.GetLine()) - 1) * mapColumns_ + statement.GetColumn() - 1;
  for (ZO_LONG k = 1; k <= occurs && errorCode_ == 0; ++k) {
    const std::string name = label + std::to_string(k);
    if (fieldsAdded_ >= fieldCapacity_) {
      errorCode_ = ERR_PXM_UNEXPECTED_ERROR;
      XTR_TEXT("AddField called incorrectly");
      return;
    }
    fieldName_ = name.c_str();
    const ZO_LONG at = start + (k - 1) * step;
    composeField(statement, at / mapColumns_ + 1, at % mapColumns_ + 1);
    if (errorCode_ != 0 && errorReason_.empty()) {
      errorReason_ = "occurrence " + std::to_string(k) + " of OCCURS=" + std::to_string(occurs) +
                     " would be named " + name + ", which " +
                     (errorCode_ == ERR_MESS_DUPLICATE_FIELD ? "the map already has"
                                                             : "is no valid field name (letters and digits, "
                                                               "at most 32)");
    }
  }
}

ZO_LONG PXMMessage::slotsFor(const PXMStatement& statement) const {
  if (!keepAttributes_ || statement.GetLabel()[0] == '\0') return 1;
  return std::clamp<ZO_LONG>(PXMReadOccurs(statement), 1, PXM_MAX_OCCURS);
}

bool PXMMessage::storableNumbers(ZO_LONG row, ZO_LONG column, ZO_LONG length) {
  // The database keeps no negative number: say which one it is before it
  // refuses the map with a code that names no number.
  const struct {
    const char* what;
    ZO_LONG value;
  } numbers[] = {{"row", row}, {"column", column}, {"length", length}};
  for (const auto& number : numbers) {
    if (number.value >= 0 && number.value <= std::numeric_limits<ZO_SHORT>::max()) continue;
    errorCode_ = ERR_DB_DATA_OVERFLOW;
    errorReason_ = std::string("its ") + number.what + " reads as " + std::to_string(number.value) +
                   (number.value < 0 ? ": rows, columns and lengths are numbers of digits only, from 0 up"
                                     : ": more than a row, column or length can be");
    XTR_TEXTF("Negative %s in field %s", number.what, fieldName_.text());
    return false;
  }
  return true;
}

void PXMMessage::addScreenText(const PXMStatement& statement) {
  const PXMFieldLook look = keepAttributes_ ? PXMReadFieldLook(statement) : PXMFieldLook{};
  if (look.initial.empty()) {
    XTR_TEXT("Unnamed field - ignored");
    return;
  }
  if (!storableNumbers(statement.GetLine(), statement.GetColumn(), statement.GetLength())) return;
  ZoScreenText text;
  text.row = statement.GetLine();
  text.column = statement.GetColumn();
  text.length = statement.GetLength();
  text.text = look.initial.c_str();
  text.color = look.color;
  text.intensity = look.intensity;
  text.highLight = look.highLight;
  text.protection = look.protection;
  messageDef_->addScreenText(text);
  XTR_TEXTF("Screen text at row %d, column %d kept", static_cast<int>(text.row), static_cast<int>(text.column));
}

void PXMMessage::composeField(const PXMStatement& statement, ZO_LONG row, ZO_LONG column) {
  for (ZO_LONG index = 0; index < fieldsAdded_; ++index) {
    if (fieldDefs_[index].getName() == fieldName_) {
      errorCode_ = ERR_MESS_DUPLICATE_FIELD;
      XTR_TEXTF("Field name %s given twice", fieldName_.text());
      return;
    }
  }

  // The number is written in full however many fields a map has.
  const std::string number = std::to_string(fieldsAdded_ + 1);
  fieldDescription_ = mapName_ + PXM_FIELD_DESCRIPTION_INFIX + number.c_str();

  messageDef_->addFieldNames(fieldName_, fieldName_);
  if (messageDef_->getErrorCode() != 0) {
    errorCode_ = messageDef_->getErrorCode();
    XTR_TEXTF("Invalid field name %s", fieldName_.text());
    return;
  }

  if (!storableNumbers(row, column, statement.GetLength())) return;

  XTR_TEXTF("Composing field definition %s", fieldName_.text());
  ZoFieldDef& field = fieldDefs_[fieldsAdded_];
  field.setName(fieldName_);
  field.setDescription(fieldDescription_);
  field.setSegment(ZoFieldDef::DEFAULT_SEGMENT);
  field.setDataType(ZODT_STRING);
  field.setHasAttributes(TRUE);
  field.setPadCharacter(ZO_PAD_BLANK);
  if (keepAttributes_) {
    const PXMFieldLook look = PXMReadFieldLook(statement);
    field.setColor(look.color);
    field.setIntensity(look.intensity);
    field.setHighLight(look.highLight);
    field.setProtection(look.protection);
    field.setNumeric(look.numeric != 0 ? TRUE : FALSE);
    field.setCursor(look.cursor != 0 ? TRUE : FALSE);
    field.setValue(look.initial.c_str());
  } else {
    field.setValue("");
  }
  field.setRow(static_cast<ZO_SHORT>(row));
  if (field.getErrorCode() == 0) field.setColumn(static_cast<ZO_SHORT>(column));
  if (field.getErrorCode() == 0) field.setLength(statement.GetLength());

  if (field.getErrorCode() != 0) {
    errorCode_ = field.getErrorCode();
    XTR_TEXTF("Error %d composing field definition %s", static_cast<int>(errorCode_), fieldName_.text());
    return;
  }
  ++fieldsAdded_;
}

void PXMMessage::endMap() {
  XTR_METHOD("PXMMessage::endMap", errorCode_);
  clearResults();
  failedField_ = "";
  if (!mapReady_ || !messageDef_) {
    errorCode_ = ERR_PXM_UNEXPECTED_ERROR;
    XTR_TEXT("EndMap called without a map");
    return;
  }
  if (writeNothing_) {
    // What the document database would refuse, the check refuses too.
    for (ZO_LONG index = 0; index < fieldsAdded_; ++index) {
      if (fieldDefs_[index].getStringValue().length() > static_cast<ZO_LONG>(DOSSA_ITEM_TEXT_MAX)) {
        errorCode_ = ERR_DB_DATA_OVERFLOW;
        failedField_ = fieldDefs_[index].getName();
        return;
      }
    }
    return;
  }

  // The whole map is one unit of work: its old definitions go and its new
  // ones (with the built form the database derives) come in one commit.
  if (!database_->beginUnit()) {
    takeDatabaseError();
    XTR_TEXTF("Error starting the write of message definition %s", mapName_.text());
    return;
  }
  if (!writeMap() || !database_->commitUnit()) {
    if (errorCode_ == 0) {
      takeDatabaseError();
      XTR_TEXTF("Error committing message definition %s", mapName_.text());
    }
    // The map's error stays the one reported; the abort only drops its writes.
    database_->abortUnit();
    return;
  }
}

bool PXMMessage::writeMap() {
  database_->write(*messageDef_, replace_);
  const ZO_ULONG written = database_->getErrorCode();
  if (written == 0) {
    XTR_TEXTF("Message definition %s successfully written", messageDef_->getMessageName().text());
  } else if (written == ERR_DB_DEFN_ALREADY_EXISTS) {
    errorCode_ = ERR_PXM_DEFN_ALREADY_EXISTS;
    XTR_TEXTF("Error: message definition %s already exists, replace not specified",
              messageDef_->getMessageName().text());
    return false;
  } else {
    takeDatabaseError();
    XTR_TEXTF("Error writing message definition %s", messageDef_->getMessageName().text());
    XTR_TEXTF("Error code %d, database code %d", static_cast<int>(errorCode_),
              static_cast<int>(dbErrorCode_));
    return false;
  }

  // Nothing to delete is fine; a failing store is not (the map would keep old fields).
  database_->deleteMsgFlds(mapName_);
  if (database_->getErrorCode() != ERR_DB_SYS_ERROR) database_->deleteBuiltMsg(mapName_);
  if (database_->getErrorCode() == ERR_DB_SYS_ERROR) {
    takeDatabaseError();
    XTR_TEXTF("Error removing the old definitions of %s", mapName_.text());
    return false;
  }

  for (ZO_LONG index = 0; index < fieldsAdded_; ++index) {
    ZoFieldDef& field = fieldDefs_[index];
    database_->write(field, FALSE);
    if (database_->getErrorCode() != 0) {
      takeDatabaseError();
      failedField_ = field.getName();
      XTR_TEXTF("Error writing field definition %s (number %d)", field.getName().text(),
                static_cast<int>(index + 1));
      XTR_TEXTF("Error code %d, database code %d", static_cast<int>(errorCode_),
                static_cast<int>(dbErrorCode_));
      return false;
    }
    XTR_TEXTF("Field definition %s successfully written", field.getName().text());
  }
  return true;
}
