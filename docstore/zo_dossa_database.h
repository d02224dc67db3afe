#pragma once
// The definition database kept in the document database.
//
// Definitions are written as documents of three forms, each with the item
// "FORM" naming its form:
//   "Message"  key MessageName: MessageName, MessageDescription, MessageFormat
//              ("NONE" for an empty format, "STRING" for "VEXOSTR "), Built 0,
//              and MessageRows, MessageColumns as numbers for a message with
//              a screen size;
//   "Field"    keys MessageName and MessageFieldName: the field definition's
//              properties as text, FieldLength, FieldPosition (1, 2, ... in
//              the order written after their message) and Built 0 as numbers;
//              FieldColor, FieldIntensity, FieldHighlight, FieldProtection
//              in decimal for a field whose display defaults are its own,
//              FieldNumeric, FieldCursor (1 or 0) for a field with an input
//              flag on, both groups on every replace;
//   "Service"  key svcdef_name: ten text items.
// Message and field definitions are read back from "MsgBuild" documents (one
// per message, derived from its "Message" and "Field" documents by the
// database's build agent, `dossa build`) through the view "MsgBuild"; a
// message read caches that document, and the field reads that follow are
// served from the cache. A message whose "Message" document exists without
// its "MsgBuild" document reads as ERR_DB_DEFN_NOT_FOUND with a database
// error text that says it is imported but not built. Services are read
// through the view "Services".
// Text items hold at most 63 characters; longer values are cut to 63, but a
// field whose text initial value is longer is refused (ERR_DB_DATA_OVERFLOW).
//
// The object borrows its session (which must outlive it) and owns its
// adapter, present exactly while the database is open.

#include <memory>

#include "common/zo_types.h"
#include "defs/zo_database.h"
#include "docstore/zo_msg_build.h"
#include "docstore/zo_real_dossa_database.h"

class ZoDossaDatabase : public ZoDatabase {
 public:
  // Items of a "MsgBuild" document held in the cache.
  static constexpr int CACHED_ITEMS = 7;
  // Items read for a message's screen texts: its name and the text list.
  static constexpr ZO_LONG kTextItemCount = 2;
  // List entries that describe one field in a "MsgBuild" document.
  static constexpr ZO_LONG FIELD_GROUP_ENTRIES = 12;

  // `arguments` are the program's, for the client library (see open).
  explicit ZoDossaDatabase(const ZoSession& session, ZoDossaArguments arguments = {});
  // Closes the database if it is open.
  ~ZoDossaDatabase() override;

  using ZoDatabase::read;
  using ZoDatabase::write;

  // Opens the database file (relative names are resolved by the client
  // library) on the server (empty: this machine) and the collections of the
  // views "Services" and "MsgBuild". Program arguments given at creation go
  // to the client library. ERR_DB_ALREADY_OPEN when open.
  ZO_BOOLEAN open(const ZoString& databaseName, const ZoString& serverName) override;
  // ERR_DB_CLOSED when not open.
  ZO_BOOLEAN close() override;

  // Reads the "MsgBuild" document of the message: description, format, the
  // screen size when it has one, and the field pairs (each field's
  // definition name as alias and name), and keeps it for the field reads
  // that follow. A document whose field groups
  // are narrower than FIELD_GROUP_ENTRIES, or that belongs to another message
  // (a name that differs in case), is refused.
  ZO_BOOLEAN read(ZoMessageDef& definition) override;
  // The screen texts the message's "Message" document keeps (vexopxm /a) into
  // `definition`, replacing any it holds; none for a message without them.
  // Read on request: building a message does not need them, so read() leaves
  // them out and costs no second look-up.
  ZO_BOOLEAN readScreenTexts(ZoMessageDef& definition);
  ZO_BOOLEAN read(ZoServiceDef& definition) override;
  // Served from the last message read: ERR_DB_NO_MSG_DEFN without one,
  // ERR_DB_DEFN_NOT_FOUND when the message has no field of that name.
  ZO_BOOLEAN read(ZoFieldDef& definition) override;

  // Writes the "Message" document; the field writes that follow belong to
  // it. An empty message name writes nothing and succeeds.
  ZO_BOOLEAN write(ZoMessageDef& definition, ZO_BOOLEAN replace) override;
  ZO_BOOLEAN write(ZoMessageDef& definition) override;
  ZO_BOOLEAN write(ZoServiceDef& definition, ZO_BOOLEAN replace) override;
  ZO_BOOLEAN write(ZoServiceDef& definition) override;
  // Writes a "Field" document of the message last written;
  // ERR_DB_NO_MSG_DEFN when no message was written.
  ZO_BOOLEAN write(ZoFieldDef& definition, ZO_BOOLEAN replace) override;
  ZO_BOOLEAN write(ZoFieldDef& definition) override;

  ZO_BOOLEAN deleteSvc(const ZoString& serviceName) override;
  ZO_BOOLEAN deleteMsg(const ZoString& messageName) override;
  ZO_BOOLEAN deleteMsgFlds(const ZoString& messageName) override;
  ZO_BOOLEAN deleteBuiltMsg(const ZoString& messageName) override;
  // A unit of work on the database file, taken for writing at once (other
  // writers wait for its end). commitUnit first builds the "MsgBuild"
  // document of every message written in the unit, the same as `dossa
  // build` makes, so that the commit that writes a message makes it readable
  // at once; a failed build fails the commit, and the unit must be aborted.
  ZO_BOOLEAN beginUnit() override;
  ZO_BOOLEAN commitUnit() override;
  ZO_BOOLEAN abortUnit() override;
  // The names of the "Message" documents, in the order they were first
  // written; a message imported but not built is listed, and its read fails
  // as said above.
  ZO_BOOLEAN listMessageNames(std::vector<ZoString>& names) override;

  // Deletes every document of `form` whose key item has the value.
  ZO_BOOLEAN deleteDefns(const ZoString& form, const ZoString& keyItem, const ZoString& keyValue);

 private:
  // Which operation maps an adapter code.
  enum class Mapping { Open, ReadMessage, ReadService, Write, Delete };
  // Takes the adapter's failure over, mapped for the operation.
  void mapAdapterError(Mapping mapping);
  // End of the operations that report the library's text for the database code.
  ZO_BOOLEAN finish();
  // After a message read found no "MsgBuild" document: when the message's
  // "Message" document exists, the database error text says it is not built.
  void explainUnbuilt(const ZoString& messageName);
  // Whether the "Message" document of the message holds a screen size.
  bool storedSize(const ZoString& messageName);
  // Writes the screen texts (the values of zodossa::zoScreenTextValues) to
  // the message's "Message" document, or clears the ones it holds when the
  // definition has none and `replace` is given.
  bool writeScreenTexts(const ZoString& messageName, ItemValue (&texts)[zodossa::ST_COUNT], ZO_LONG entrySize,
                        ZO_BOOLEAN replace);
  // Reads the first `count` items of `items` from the message's "Message" document.
  template <std::size_t N>
  bool readMessageDocument(const ZoString& messageName, const zodossa::FormItems<N>& items, ZO_LONG count,
                           ItemValue* values, ZO_LONG& entrySize);
  // Releases the cached list and clears the cached items.
  void clearCache();
  // Closes the collections and destroys the adapter.
  void release();

  ZoDossaArguments arguments_;
  std::unique_ptr<ZoRealDossaDatabase> adapter_;
  HCOLLECTION servicesCollection_ = 0;
  HCOLLECTION builtCollection_ = 0;
  ItemValue cache_[CACHED_ITEMS];
  ZO_LONG maxEntryLength_ = 0;
  ZoString builtMessageName_;
  ZO_LONG builtFieldCount_ = 0;
  ZO_LONG builtGroupWidth_ = 0;
  // What the open unit wrote, and the message the field writes belong to.
  ZoUnitWrites writes_;
};
