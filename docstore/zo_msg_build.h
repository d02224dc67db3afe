#pragma once
// The build agent of the definition database: derives the "MsgBuild"
// document of a message from its "Message" document and its "Field"
// documents, in the layout the definition database reads:
//   msgdef_name, msgdef_description, msgdef_format   from the message;
//   msgdef_fldcnt        12, the entries per field (16 when a field of the
//                        message has display defaults of its own, 18 when
//                        one has an input flag on);
//   msgdef_fldlist       12 entries per field, fields in FieldPosition order
//                        (name, description, base name, type letter, initial
//                        value, length, segment, has attributes, row,
//                        column, pad letter, alignment), then, in 16-entry
//                        and 18-entry groups, color, intensity, highlight
//                        and protection, and in 18-entry groups the numeric
//                        and cursor flags;
//   msgdef_maxentrylen   the longest entry;
//   msgdef_rows, msgdef_cols  the screen size, when the message has one.
// The new document replaces any older "MsgBuild" document of the message,
// and Built is set to 1 on the documents it was derived from, all in one unit
// of work: the caller's when one is open on `db`, else one per message.
// Names are matched exactly, letter case included.
//
// The client library must be initialised and `db` open; the caller keeps both.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "docstore/zo_dossa_layout.h"
#include "docstore/zo_stored_forms.h"
#include "ndossa/dossa_api.h"

// Called after each message built, with its name and number of fields.
using ZoMsgBuildReport = std::function<void(const std::string& message, std::size_t fields)>;

// Builds the messages named in `names`, or every message when it is empty.
// Stops at the first failure: a library status, or DOSSA_ERR_NOTE_NOT_FOUND
// for a named message without a "Message" document; `problem` then says what
// went wrong. Messages built before it stay built.
DossaStatus zoBuildMessages(DossaDbHandle db, const std::vector<std::string>& names,
                            const ZoMsgBuildReport& report, std::string& problem);

// Writes the "MsgBuild" document of one message from the properties and
// fields its "Message" and "Field" documents were just written with, without
// reading them back: for a writer that wrote the message and all its fields
// in the caller's open unit of work, with Built already 1 on each document.
// The document is the one zoBuildMessages derives from those documents; it
// replaces any older one of the message. Fields are listed in position order
// (those of one position in the order given).
DossaStatus zoWriteBuiltMessage(DossaDbHandle db, ZoBuiltMessage message, std::string& problem);

// What a writer's unit of work wrote, and whether the build of each message
// written in it can be made from that (zoWriteBuiltMessage) or must be read
// back from the database (zoBuildMessages). A message's build is known when
// its fields were all written in the unit after its older ones were deleted,
// each once (the import's order); a replace, or a delete of messages or
// fields by key, makes it unknown.
//
// It also keeps the message the field writes that follow belong to, and the
// position the next of them gets, in a unit or not.
class ZoUnitWrites {
 public:
  // A message written in the unit, with what its build lists so far.
  struct Message {
    ZoBuiltMessage built;
    bool known = false;
  };

  // A unit begins, or ends (committed or aborted): nothing written in it.
  void begin();
  void end();
  bool inUnit() const { return inUnit_; }
  // An abort: the documents written are gone, so fields may not follow them.
  void abort();

  // A message write begins: no message for the fields until it succeeds.
  void messageWriting();
  // The message was written: the fields that follow are its, from position 1.
  void messageWritten(const zodossa::StoredMessage& message);
  // The message the field writes belong to; empty when none.
  const std::string& currentMessage() const { return current_; }
  // Whether field writes go into a message of the open unit (they are then built at its commit).
  bool fieldsInUnit() const;
  // The position of the next field written.
  ZO_LONG nextPosition() { return position_++; }
  // A field write is tried: a replace makes the message's build unknown.
  void fieldWriting(bool replace);
  // The field was written.
  void fieldWritten(const zodossa::StoredField& field);
  // The fields of `messageName` were deleted (or it had none).
  void fieldsDeleted(const std::string& messageName);
  // Messages or fields were deleted by key.
  void definitionsDeleted();

  std::vector<Message>& messages() { return messages_; }

 private:
  Message* unitMessage();

  bool inUnit_ = false;
  std::vector<Message> messages_;
  std::string current_;
  ZO_LONG position_ = 1;
};
