#pragma once
// Test double of ZoDatabase: records every call as a line of text and keeps
// the definitions written to it in memory, so that tests of the callers can
// check what was asked and read back what was written.
//
//   RecordingDatabase db(session);
//   db.failNext("write(ZoMessageDef)", ERR_DB_SYS_ERROR, 42, "disk full");
//
// Calls are recorded as "open(<db>,<server>)", "close()",
// "read(ZoMessageDef <name>)", "read(ZoServiceDef <name>)",
// "read(ZoFieldDef <name>)", "write(ZoMessageDef <name>,<replace>)",
// "write(ZoServiceDef <name>,<replace>)", "write(ZoFieldDef <name>,<replace>)",
// "deleteSvc(<name>)", "deleteMsg(<name>)", "deleteMsgFlds(<name>)",
// "deleteBuiltMsg(<name>)". The one-argument writes are not overridden, so
// they show up as the two-argument form with replace 0.
//
// Behaviour: open twice gives ERR_DB_ALREADY_OPEN, anything but open on a
// closed store ERR_DB_CLOSED; writing an existing definition without replace
// gives ERR_DB_DEFN_ALREADY_EXISTS; reading a missing one ERR_DB_DEFN_NOT_FOUND;
// field definitions live under the message last read or written
// (ERR_DB_NO_MSG_DEFN before one). A failure armed with failNext for an
// operation (the text before the first blank or "(" of its record, e.g.
// "write(ZoMessageDef)" or "deleteMsg") is returned by the next such call.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/return_codes.h"
#include "defs/zo_database.h"

class RecordingDatabase : public ZoDatabase {
 public:
  explicit RecordingDatabase(const ZoSession& session) : ZoDatabase(session) {}
  // Lets a test build one without a session; the store never looks at it.
  RecordingDatabase() : ZoDatabase(*reinterpret_cast<const ZoSession*>(sessionStandIn_)) {}

  using ZoDatabase::read;
  using ZoDatabase::write;

  ZO_BOOLEAN open(const ZoString& databaseName, const ZoString& serverName) override {
    begin("open", "open(" + str(databaseName) + "," + str(serverName) + ")");
    if (armed()) return succeeded();
    if (open_) return fail(ERR_DB_ALREADY_OPEN);
    open_ = true;
    return succeeded();
  }

  ZO_BOOLEAN close() override {
    begin("close", "close()");
    if (armed()) return succeeded();
    if (!open_) return fail(ERR_DB_CLOSED);
    open_ = false;
    return succeeded();
  }

  ZO_BOOLEAN read(ZoMessageDef& d) override {
    if (!start("read(ZoMessageDef)", "read(ZoMessageDef " + str(d.getMessageName()) + ")")) return FALSE;
    auto it = messages_.find(str(d.getMessageName()));
    if (it == messages_.end()) return fail(ERR_DB_DEFN_NOT_FOUND);
    d = it->second;
    currentMessage_ = it->first;
    return succeeded();
  }

  ZO_BOOLEAN read(ZoServiceDef& d) override {
    if (!start("read(ZoServiceDef)", "read(ZoServiceDef " + str(d.getServiceName()) + ")")) return FALSE;
    auto it = services_.find(str(d.getServiceName()));
    if (it == services_.end()) return fail(ERR_DB_DEFN_NOT_FOUND);
    d = it->second;
    return succeeded();
  }

  ZO_BOOLEAN read(ZoFieldDef& d) override {
    if (!start("read(ZoFieldDef)", "read(ZoFieldDef " + str(d.getName()) + ")")) return FALSE;
    if (!currentMessage_) return fail(ERR_DB_NO_MSG_DEFN);
    auto it = fields_.find({*currentMessage_, str(d.getName())});
    if (it == fields_.end()) return fail(ERR_DB_DEFN_NOT_FOUND);
    d = it->second;
    return succeeded();
  }

  ZO_BOOLEAN write(ZoMessageDef& d, ZO_BOOLEAN replace) override {
    const std::string name = str(d.getMessageName());
    if (!start("write(ZoMessageDef)", "write(ZoMessageDef " + name + "," + flag(replace) + ")")) return FALSE;
    if (!replace && messages_.count(name) != 0) return fail(ERR_DB_DEFN_ALREADY_EXISTS);
    messages_.insert_or_assign(name, d);
    currentMessage_ = name;
    return succeeded();
  }

  ZO_BOOLEAN write(ZoServiceDef& d, ZO_BOOLEAN replace) override {
    const std::string name = str(d.getServiceName());
    if (!start("write(ZoServiceDef)", "write(ZoServiceDef " + name + "," + flag(replace) + ")")) return FALSE;
    if (!replace && services_.count(name) != 0) return fail(ERR_DB_DEFN_ALREADY_EXISTS);
    services_.insert_or_assign(name, d);
    return succeeded();
  }

  ZO_BOOLEAN write(ZoFieldDef& d, ZO_BOOLEAN replace) override {
    const std::string name = str(d.getName());
    if (!start("write(ZoFieldDef)", "write(ZoFieldDef " + name + "," + flag(replace) + ")")) return FALSE;
    if (!currentMessage_) return fail(ERR_DB_NO_MSG_DEFN);
    const std::pair<std::string, std::string> key{*currentMessage_, name};
    if (!replace && fields_.count(key) != 0) return fail(ERR_DB_DEFN_ALREADY_EXISTS);
    fields_.insert_or_assign(key, d);
    return succeeded();
  }

  ZO_BOOLEAN deleteSvc(const ZoString& name) override {
    if (!start("deleteSvc", "deleteSvc(" + str(name) + ")")) return FALSE;
    if (services_.erase(str(name)) == 0) return fail(ERR_DB_DEFN_NOT_FOUND);
    return succeeded();
  }

  ZO_BOOLEAN deleteMsg(const ZoString& name) override {
    if (!start("deleteMsg", "deleteMsg(" + str(name) + ")")) return FALSE;
    if (messages_.erase(str(name)) == 0) return fail(ERR_DB_DEFN_NOT_FOUND);
    return succeeded();
  }

  ZO_BOOLEAN deleteMsgFlds(const ZoString& name) override {
    if (!start("deleteMsgFlds", "deleteMsgFlds(" + str(name) + ")")) return FALSE;
    for (auto it = fields_.begin(); it != fields_.end();) {
      if (it->first.first == str(name))
        it = fields_.erase(it);
      else
        ++it;
    }
    return succeeded();
  }

  ZO_BOOLEAN deleteBuiltMsg(const ZoString& name) override {
    if (!start("deleteBuiltMsg", "deleteBuiltMsg(" + str(name) + ")")) return FALSE;
    return succeeded();
  }

  // Makes the next call of `operation` fail with these codes (database code
  // and text are used with ERR_DB_SYS_ERROR).
  void failNext(const std::string& operation, ZO_ULONG errorCode, ZO_LONG dbCode = 0, const char* dbText = "") {
    armed_[operation] = Failure{errorCode, dbCode, dbText};
  }
  // Opens without recording, for tests that do not care about open.
  void openQuietly() { open_ = true; }

  const std::vector<std::string>& calls() const { return calls_; }
  bool isOpen() const { return open_; }
  const std::map<std::string, ZoMessageDef>& messages() const { return messages_; }
  const std::map<std::string, ZoServiceDef>& services() const { return services_; }
  // Field definitions keyed by (message name, field name).
  const std::map<std::pair<std::string, std::string>, ZoFieldDef>& fields() const { return fields_; }

 private:
  struct Failure {
    ZO_ULONG errorCode;
    ZO_LONG dbCode;
    std::string dbText;
  };

  static std::string str(const ZoString& s) { return s.text(); }
  static std::string flag(ZO_BOOLEAN b) { return b ? "1" : "0"; }

  void begin(const std::string& operation, const std::string& record) {
    clearCodes();
    calls_.push_back(record);
    pending_ = operation;
  }

  // Applies an armed failure of the pending operation; true when one fired.
  bool armed() {
    auto it = armed_.find(pending_);
    if (it == armed_.end()) return false;
    const Failure failure = it->second;
    armed_.erase(it);
    if (failure.errorCode == ERR_DB_SYS_ERROR)
      failSystem(failure.dbCode, failure.dbText.c_str());
    else
      fail(failure.errorCode);
    return true;
  }

  // Common start of reads, writes and deletes: record, armed failure, open check.
  bool start(const std::string& operation, const std::string& record) {
    begin(operation, record);
    if (armed()) return false;
    if (!open_) {
      fail(ERR_DB_CLOSED);
      return false;
    }
    return true;
  }

  alignas(std::max_align_t) inline static const unsigned char sessionStandIn_[64] = {};
  bool open_ = false;
  std::optional<std::string> currentMessage_;
  std::string pending_;
  std::map<std::string, Failure> armed_;
  std::vector<std::string> calls_;
  std::map<std::string, ZoMessageDef> messages_;
  std::map<std::string, ZoServiceDef> services_;
  std::map<std::pair<std::string, std::string>, ZoFieldDef> fields_;
};
