#include "docstore/zo_msg_build.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "docstore/zo_dossa_layout.h"
#include "docstore/zo_message_names.h"
#include "ndossa/dossa_admin.h"

using namespace zodossa;

namespace {

// One field of a message, as its group of list entries, and its document.
struct FieldGroup : ZoBuiltField {
  DossaNoteId id = 0;
};

void sortByPosition(auto& fields) {
  std::stable_sort(fields.begin(), fields.end(),
                   [](const auto& a, const auto& b) { return a.position < b.position; });
}

class Builder {
 public:
  Builder(DossaDbHandle db, std::string& problem)
      : db_(db), problem_(problem), buffer_(DOSSA_MAX_TEXT) {}

  // Ids of the documents a formula selects, ascending.
  DossaStatus select(const std::string& formula, std::vector<DossaNoteId>& ids) {
    ids.clear();
    DossaMemHandle compiled = 0;
    DossaStatus s = DossaFormulaCompile(nullptr, 0, formula.c_str(),
                                        static_cast<std::uint32_t>(formula.size()), &compiled,
                                        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!s) {
      s = DossaSearch(db_, compiled, nullptr, 0, DOSSA_NOTE_CLASS_DOCUMENT, nullptr, &collect,
                      &ids, nullptr);
    }
    DossaMemFree(compiled);
    if (s) problem_ = "cannot search for " + formula;
    return s;
  }

  // Ids of the documents of `form` whose key item is exactly `key`.
  DossaStatus selectExact(const char* form, const char* item, const std::string& key,
                          std::vector<DossaNoteId>& ids) {
    std::string formula = zoDossaFormula(form, item, key.c_str(), "", "").text();
    DossaStatus s = select(formula, ids);
    if (s) return s;
    std::vector<DossaNoteId> exact;
    for (DossaNoteId id : ids) {
      ZoOpenNote note(db_, id);
      if (note.status()) return fail(note.status(), "cannot open a document of " + key);
      if (text(note.get(), item) == key) exact.push_back(id);
    }
    ids.swap(exact);
    return 0;
  }

  std::string text(DossaNoteHandle note, const char* item) {
    std::uint16_t n = DossaItemGetText(note, item, buffer_.data(),
                                       static_cast<std::uint16_t>(buffer_.size()));
    return std::string(buffer_.data(), n);
  }

  // The items of a document by its form's table.
  template <std::size_t N>
  void readRecord(DossaNoteHandle note, const FormItems<N>& items, StoredRecord<N>& record) {
    for (std::size_t i = 0; i < N; ++i) {
      if (items.types[i] == DOSSA_ITEM_TEXT) {
        record.texts[i] = text(note, items.names[i]);
      } else {
        record.numbers[i] = DossaItemGetLong(note, items.names[i], 0);
      }
    }
  }

  DossaStatus build(DossaNoteId messageId, const ZoMsgBuildReport& report) {
    ZoBuiltMessage message;
    {
      ZoOpenNote note(db_, messageId);
      if (note.status()) return fail(note.status(), "cannot open a Message document");
      StoredMessage stored;
      readRecord(note.get(), zoMessageItems(), stored);
      message = zoMessageBuild(stored);
    }
    const std::string& name = message.name;
    std::vector<DossaNoteId> ids;
    DossaStatus s = selectExact(FIELD_FORM, MESSAGE_NAME, name, ids);
    if (s) return s;
    std::vector<FieldGroup> fields;
    for (DossaNoteId id : ids) {
      ZoOpenNote note(db_, id);
      if (note.status()) return fail(note.status(), "cannot open a Field document of " + name);
      StoredField field;
      readRecord(note.get(), zoFieldItems(), field);
      // A display item the document lacks is the default of a new field.
      for (ZO_LONG i = 0; i < DISPLAY_ITEM_COUNT; ++i) {
        const bool present = DossaItemIsPresent(note.get(), DISPLAY_ITEMS[i], 0);
        if (!present) field.texts[F_COLOR + i] = std::to_string(DISPLAY_DEFAULTS[i]);
        field.ownDisplay = field.ownDisplay || present;
      }
      // So is a flag item it lacks: off.
      for (ZO_LONG i = 0; i < FLAG_ITEM_COUNT; ++i) {
        const bool present = DossaItemIsPresent(note.get(), FLAG_ITEMS[i], 0);
        if (!present) field.texts[F_NUMERIC + i].assign(1, '0');
        field.ownFlags = field.ownFlags || present;
      }
      fields.push_back({zoFieldBuildGroup(field), id});
    }
    sortByPosition(fields);

    // The older document goes before the new one comes (the database holds
    // one per message), in one unit of work so that the message is never
    // without one: the caller's unit when one is open, else one of its own.
    const DossaStatus begun = DossaDbBeginUnit(db_);
    if (begun && begun != DOSSA_ERR_INVALID_ARGUMENT) return fail(begun, "cannot start the build of " + name);
    s = replaceBuilt(message, fields);
    if (!s && (s = markBuilt(messageId))) fail(s, "cannot mark " + name + " as built");
    for (std::size_t i = 0; !s && i < fields.size(); ++i)
      if ((s = markBuilt(fields[i].id))) fail(s, "cannot mark a field of " + name + " as built");
    if (!begun && !s) s = DossaDbCommitUnit(db_);
    if (!begun && s) DossaDbAbortUnit(db_);
    if (s) return problem_.empty() ? fail(s, "cannot save the build of " + name) : s;
    if (report) report(name, fields.size());
    return 0;
  }

  // Deletes the older "MsgBuild" documents of the message and writes the new
  // one, with `fields` (the message's own are not looked at).
  template <class Field>
  DossaStatus replaceBuilt(const ZoBuiltMessage& message, const std::vector<Field>& fields) {
    const std::string& name = message.name;
    std::vector<DossaNoteId> older;
    DossaStatus s = selectExact(BUILT_FORM, BUILT_NAME, name, older);
    if (s) return s;
    for (DossaNoteId id : older) {
      if ((s = DossaNoteDelete(db_, id, 0))) return fail(s, "cannot delete the old build of " + name);
    }
    return writeBuilt(message, fields);
  }

  DossaStatus fail(DossaStatus s, const std::string& what) {
    problem_ = what;
    return s;
  }

 private:
  static DossaStatus collect(void* context, const DossaSearchMatch* match, const void*) {
    static_cast<std::vector<DossaNoteId>*>(context)->push_back(match->noteId);
    return 0;
  }

  template <class Field>
  DossaStatus writeBuilt(const ZoBuiltMessage& message, const std::vector<Field>& fields) {
    const std::string& name = message.name;
    ZoOpenNote open;
    DossaStatus s = DossaNoteCreate(db_, open.out());
    if (s) return fail(s, "cannot create the build of " + name);
    const DossaNoteHandle note = open.get();
    auto setText = [&](const char* item, const std::string& value) {
      if (!s) s = DossaItemSetText(note, item, value.c_str(), DOSSA_TERMINATED);
    };
    auto setNumber = [&](const char* item, double value) {
      if (!s) s = DossaItemSetNumber(note, item, &value);
    };
    setText(FORM_ITEM, BUILT_FORM);
    setText(BUILT_NAME, name);
    setText(BUILT_DESCRIPTION, message.description);
    setText(BUILT_FORMAT, message.format);
    // The display defaults widen every group, only when a field has its own;
    // the input flags widen it further (after the display defaults), only
    // when a field has them.
    const bool widest = std::any_of(fields.begin(), fields.end(), [](const Field& f) { return f.ownFlags; });
    const bool wide = widest || std::any_of(fields.begin(), fields.end(), [](const Field& f) { return f.ownDisplay; });
    setNumber(BUILT_FIELD_COUNT, widest ? BUILD_FLAG_GROUP_SIZE : wide ? BUILD_DISPLAY_GROUP_SIZE : BUILD_GROUP_SIZE);
    std::vector<std::string> list;
    for (const ZoBuiltField& f : fields) {
      list.insert(list.end(), f.entries.begin(), f.entries.end());
      if (wide) list.insert(list.end(), f.display.begin(), f.display.end());
      if (widest) list.insert(list.end(), f.flags.begin(), f.flags.end());
    }
    std::size_t longest = 0;
    for (const std::string& entry : list) longest = std::max(longest, entry.size());
    // A message without fields still has its (empty) list: one empty entry,
    // less than one group.
    if (list.empty()) {
      setText(BUILT_FIELD_LIST, "");
    } else if (!s) {
      s = DossaItemSetTextList(note, BUILT_FIELD_LIST, list);
    }
    setNumber(BUILT_MAX_ENTRY, static_cast<double>(longest));
    if (message.rows != 0 || message.columns != 0) {
      setNumber(BUILT_ROWS, message.rows);
      setNumber(BUILT_COLUMNS, message.columns);
    }
    if (!s) s = DossaNoteUpdate(note, 0);
    return s ? fail(s, "cannot save the build of " + name) : 0;
  }

  DossaStatus markBuilt(DossaNoteId id) {
    const ZoOpenNote note(db_, id);
    if (note.status()) return note.status();
    const double one = 1;
    DossaStatus s = DossaItemSetNumber(note.get(), BUILT, &one);
    if (!s) s = DossaNoteUpdate(note.get(), 0);
    return s;
  }

  DossaDbHandle db_;
  std::string& problem_;
  std::vector<char> buffer_;
};

}  // namespace

DossaStatus zoBuildMessages(DossaDbHandle db, const std::vector<std::string>& names,
                            const ZoMsgBuildReport& report, std::string& problem) {
  problem.clear();
  Builder builder(db, problem);
  std::vector<DossaNoteId> messages;
  DossaStatus s = 0;
  if (names.empty()) {
    s = builder.select(zoDossaFormula(MESSAGE_FORM, "", "", "", "").text(), messages);
    if (s) return s;
  } else {
    for (const std::string& name : names) {
      std::vector<DossaNoteId> ids;
      if ((s = builder.selectExact(MESSAGE_FORM, MESSAGE_NAME, name, ids))) return s;
      if (ids.empty()) return builder.fail(DOSSA_ERR_NOTE_NOT_FOUND, "no message named " + name);
      messages.insert(messages.end(), ids.begin(), ids.end());
    }
  }
  for (DossaNoteId id : messages)
    if ((s = builder.build(id, report))) return s;
  return 0;
}

DossaStatus zoWriteBuiltMessage(DossaDbHandle db, ZoBuiltMessage message, std::string& problem) {
  problem.clear();
  Builder builder(db, problem);
  sortByPosition(message.fields);
  DossaStatus s = builder.replaceBuilt(message, message.fields);
  return s && problem.empty() ? builder.fail(s, "cannot save the build of " + message.name) : s;
}

void ZoUnitWrites::begin() {
  messages_.clear();
  inUnit_ = true;
}

void ZoUnitWrites::end() {
  inUnit_ = false;
  messages_.clear();
}

void ZoUnitWrites::abort() {
  end();
  current_.clear();
}

void ZoUnitWrites::messageWriting() {
  position_ = 1;
  current_.clear();
}

void ZoUnitWrites::messageWritten(const StoredMessage& message) {
  current_ = message.texts[M_NAME];
  if (inUnit_) messages_.push_back({zoMessageBuild(message), false});
}

bool ZoUnitWrites::fieldsInUnit() const {
  return inUnit_ && !messages_.empty() && !current_.empty() && messages_.back().built.name == current_;
}

ZoUnitWrites::Message* ZoUnitWrites::unitMessage() { return fieldsInUnit() ? &messages_.back() : nullptr; }

void ZoUnitWrites::fieldWriting(bool replace) {
  // A replaced field is one document, not two entries.
  if (Message* message = unitMessage(); message && replace) message->known = false;
}

void ZoUnitWrites::fieldWritten(const StoredField& field) {
  if (Message* message = unitMessage(); message && message->known)
    message->built.fields.push_back(zoFieldBuildGroup(field));
}

void ZoUnitWrites::fieldsDeleted(const std::string& messageName) {
  // The message has no field left but those written from now on in the unit.
  if (Message* message = unitMessage(); message && message->built.name == messageName) {
    message->known = true;
    message->built.fields.clear();
  }
}

void ZoUnitWrites::definitionsDeleted() {
  // What a unit's messages were written with may no longer be what they hold.
  for (Message& message : messages_) message.known = false;
}
