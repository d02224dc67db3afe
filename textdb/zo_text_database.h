#pragma once
// The read-only definition database kept in a sectioned keyword file.
//
// Every definition is one section, named by the definition's name; its
// properties are the keywords of that section:
//
//   [ORDERSVC]                      service definition
//   ServiceType = ZOST_KOVA_XPC_DIRECT
//   Encoding = Zentra
//   [ORDERMSG]                      message definition
//   Format = ORDFMT
//   FieldList = CUSTNO, ITEM.ITEMCODE, QTY
//   [CUSTNO]                        field definition
//   DataType = STRING
//   Length = 8
//
// Service, message and field definitions can be read; every write and delete
// fails with ERR_DB_NOT_SUPPORTED. A definition missing from the file is
// reported as ERR_DB_KEYWORD_NOT_FOUND. The database code holds the file
// reader's code behind a failure (or a copy of the error code).

#include "common/zo_types.h"
#include "defs/zo_database.h"
#include "session/zo_config.h"

class ZoTextDatabase : public ZoDatabase {
 public:
  // `session` is borrowed and must outlive the database.
  explicit ZoTextDatabase(const ZoSession& session);
  // Closes the file if it is still open.
  ~ZoTextDatabase() override;

  using ZoDatabase::read;
  using ZoDatabase::write;

  // `databaseName` is the path of the file; the server name is ignored.
  // Fails with ERR_DB_OPEN_DB_FAILED (also when already open).
  ZO_BOOLEAN open(const ZoString& databaseName, const ZoString& serverName) override;
  // Fails with ERR_DB_CLOSE_DB_FAILED when no file is open.
  ZO_BOOLEAN close() override;

  // Read the section named by the definition's name. A read that fails
  // leaves the properties read before the failure in the definition. A
  // FieldList with an empty token before its last one, or a token that is no
  // valid pair of field names ("A.", ".B"), fails with ERR_DB_READ_DB_FAILED.
  ZO_BOOLEAN read(ZoMessageDef& definition) override;
  ZO_BOOLEAN read(ZoServiceDef& definition) override;
  ZO_BOOLEAN read(ZoFieldDef& definition) override;

  // Not supported: each fails with ERR_DB_NOT_SUPPORTED and leaves the file alone.
  ZO_BOOLEAN write(ZoMessageDef& definition, ZO_BOOLEAN replace) override;
  ZO_BOOLEAN write(ZoMessageDef& definition) override;
  ZO_BOOLEAN write(ZoServiceDef& definition, ZO_BOOLEAN replace) override;
  ZO_BOOLEAN write(ZoServiceDef& definition) override;
  ZO_BOOLEAN write(ZoFieldDef& definition, ZO_BOOLEAN replace) override;
  ZO_BOOLEAN write(ZoFieldDef& definition) override;
  ZO_BOOLEAN deleteSvc(const ZoString& serviceName) override;
  ZO_BOOLEAN deleteMsg(const ZoString& messageName) override;
  ZO_BOOLEAN deleteMsgFlds(const ZoString& messageName) override;
  ZO_BOOLEAN deleteBuiltMsg(const ZoString& messageName) override;
  // The sections, in file order, that hold a keyword only a message
  // definition has (Format, FieldList, RowCount, ColumnCount); a section with
  // none of them reads as an empty message but is not listed. A file that
  // cannot be read fails with ERR_DB_READ_DB_FAILED.
  ZO_BOOLEAN listMessageNames(std::vector<ZoString>& names) override;

  // Judges the outcome of reading one keyword. A failed read (`readCode` not
  // 0) gives ERR_DB_KEYWORD_NOT_FOUND when the section is missing, else
  // ERR_DB_READ_DB_FAILED, with the read code as database code. A value read
  // for a numeric type (ZODT_SHORT, ZODT_LONG, ZODT_BYTE) must be a number
  // within its bounds (see checkNumericBounds); the text types need no check;
  // a type outside ZODT_STRING..ZODT_SYSTEM_AUTHENTICATOR gives
  // ERR_DB_INVALID_DATATYPE. An error code set earlier in the same read stays
  // set. TRUE when the error code is 0.
  ZO_BOOLEAN checkRead(ZoString& value, ZO_LONG dataType, const char* keyword, ZO_ULONG readCode);

  // Checks the text of a number against the bounds of a numeric type, without
  // converting it. Blanks are removed from `value` in place; a "-" may come
  // first and at least one digit must follow. Not a number:
  // ERR_DB_DATA_MISMATCH; beyond the bounds: ERR_DB_DATA_OVERFLOW (leading
  // zeros count, so "00127" is too long for a byte); not a numeric type:
  // ERR_DB_INVALID_DATATYPE. TRUE when the value is accepted.
  ZO_BOOLEAN checkNumericBounds(ZoString& value, ZO_LONG dataType, const char* keyword);

 private:
  // How the value of an optional keyword came out.
  enum class Keyword { ABSENT, PRESENT, FAILED };
  // Reads an optional keyword of `section` and judges it with checkRead
  // against `checkType`.
  Keyword readOptional(const ZoString& section, const char* keyword, ZO_LONG checkType,
                       ZoString& value);
  // Adds the section's ScreenText1, ScreenText2, ... to the definition; false
  // (ERR_DB_READ_DB_FAILED) for one that is not in the stored form.
  bool readScreenTexts(const ZoString& section, ZoMessageDef& definition);
  // Reads a numeric keyword into `number`, within the bounds of ZODT_LONG.
  Keyword readNumber(const ZoString& section, const char* keyword, ZO_LONG& number);
  // Records an unknown keyword value: ERR_DB_DATA_MISMATCH and its trace line.
  void unknownValue(const ZoString& value, const char* keyword);
  // Common end of every write and delete.
  ZO_BOOLEAN notSupported();

  ZoConfig config_;
};
