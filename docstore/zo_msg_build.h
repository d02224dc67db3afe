#pragma once
// The build agent of the definition database: derives the "MsgBuild"
// document of a message from its "Message" document and its "Field"
// documents, in the layout the definition database reads:
//   msgdef_name, msgdef_description, msgdef_format   from the message;
//   msgdef_fldcnt        12, the entries per field (16 when a field of the
//                        message has display defaults of its own);
//   msgdef_fldlist       12 entries per field, fields in FieldPosition order
//                        (name, description, base name, type letter, initial
//                        value, length, segment, has attributes, row,
//                        column, pad letter, alignment), then, in 16-entry
//                        groups, color, intensity, highlight and protection;
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
#include "ndossa/dossa_api.h"

// Called after each message built, with its name and number of fields.
using ZoMsgBuildReport = std::function<void(const std::string& message, std::size_t fields)>;

// Builds the messages named in `names`, or every message when it is empty.
// Stops at the first failure: a library status, or DOSSA_ERR_NOTE_NOT_FOUND
// for a named message without a "Message" document; `problem` then says what
// went wrong. Messages built before it stay built.
DossaStatus zoBuildMessages(DossaDbHandle db, const std::vector<std::string>& names,
                            const ZoMsgBuildReport& report, std::string& problem);

// A field of a message as its build lists it.
struct ZoBuiltField {
  std::int32_t position = 0;
  std::vector<std::string> entries;  // BUILD_GROUP_SIZE of them, in the order above
  // Color, intensity, highlight and protection in decimal (the defaults when
  // the document has none); listed when a field of the message has its own.
  std::array<std::string, zodossa::DISPLAY_ITEM_COUNT> display;
  bool ownDisplay = false;  // the document has display items
};

// A message as its build lists it; rows and columns 0 when it has no size.
struct ZoBuiltMessage {
  std::string name;
  std::string description;
  std::string format;
  std::int32_t rows = 0;
  std::int32_t columns = 0;
  std::vector<ZoBuiltField> fields;
};

// Writes the "MsgBuild" document of one message from the properties and
// fields its "Message" and "Field" documents were just written with, without
// reading them back: for a writer that wrote the message and all its fields
// in the caller's open unit of work, with Built already 1 on each document.
// The document is the one zoBuildMessages derives from those documents; it
// replaces any older one of the message. Fields are listed in position order
// (those of one position in the order given).
DossaStatus zoWriteBuiltMessage(DossaDbHandle db, ZoBuiltMessage message, std::string& problem);
