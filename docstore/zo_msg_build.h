#pragma once
// The build agent of the definition database: derives the "MsgBuild"
// document of a message from its "Message" document and its "Field"
// documents, in the layout the definition database reads:
//   msgdef_name, msgdef_description, msgdef_format   from the message;
//   msgdef_fldcnt        12, the entries per field;
//   msgdef_fldlist       12 entries per field, fields in FieldPosition order
//                        (name, description, base name, type letter, initial
//                        value, length, segment, has attributes, row,
//                        column, pad letter, alignment);
//   msgdef_maxentrylen   the longest entry.
// The new document replaces any older "MsgBuild" document of the message,
// and Built is set to 1 on the documents it was derived from, all in one unit
// of work: the caller's when one is open on `db`, else one per message.
// Names are matched exactly, letter case included.
//
// The client library must be initialised and `db` open; the caller keeps both.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ndossa/dossa_api.h"

// Called after each message built, with its name and number of fields.
using ZoMsgBuildReport = std::function<void(const std::string& message, std::size_t fields)>;

// Builds the messages named in `names`, or every message when it is empty.
// Stops at the first failure: a library status, or DOSSA_ERR_NOTE_NOT_FOUND
// for a named message without a "Message" document; `problem` then says what
// went wrong. Messages built before it stay built.
DossaStatus zoBuildMessages(DossaDbHandle db, const std::vector<std::string>& names,
                            const ZoMsgBuildReport& report, std::string& problem);

// A field of a message as its build lists it: its FieldPosition and its
// entries (BUILD_GROUP_SIZE of them, in the order above).
struct ZoBuiltField {
  std::int32_t position = 0;
  std::vector<std::string> entries;
};

// Writes the "MsgBuild" document of one message from the properties and
// fields its "Message" and "Field" documents were just written with, without
// reading them back: for a writer that wrote the message and all its fields
// in the caller's open unit of work, with Built already 1 on each document.
// The document is the one zoBuildMessages derives from those documents; it
// replaces any older one of the message. Fields are listed in position order
// (those of one position in the order given).
DossaStatus zoWriteBuiltMessage(DossaDbHandle db, const std::string& name, const std::string& description,
                                const std::string& format, std::vector<ZoBuiltField> fields,
                                std::string& problem);
