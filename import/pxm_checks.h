#pragma once
// The findings of the check mode of the import (vexopxm /w): statements the
// import reads in a way its author may not have meant, and what of a map the
// import will not keep or will refuse. The map loop feeds every statement to
// it as it goes; the import itself does not change.

#include <cstdio>
#include <string>
#include <vector>

#include "common/zo_types.h"
#include "import/pxm_statement.h"

class PXMChecks {
 public:
  // Prints "file:line: warning: text" lines to `err`, naming the source by
  // `fileName`; both are borrowed and must outlive the object.
  // `keepAttributes` tells whether the import keeps what /a keeps.
  PXMChecks(const char* fileName, std::FILE* err, bool keepAttributes = false);

  PXMChecks(const PXMChecks&) = delete;
  PXMChecks& operator=(const PXMChecks&) = delete;

  // A statement that stands outside any map, beginning on source line `line`.
  void outsideMap(const PXMStatement& statement, ZO_LONG line);
  // The map statement of a map about to be imported.
  void mapStarted(const PXMStatement& map, ZO_LONG line);
  // A field statement of the map last started.
  void field(const PXMStatement& field, ZO_LONG line);
  // The statement that ended the field list of the map last started, or null
  // at the end of the source.
  void mapEnded(const PXMStatement* end, ZO_LONG line);
  // Prints one summary line per map: "NAME: 11 fields, 3 screen texts, 2 warnings".
  void finish();

  // Warning lines printed so far.
  ZO_LONG warningCount() const { return warnings_; }
  // Maps started so far.
  ZO_LONG mapCount() const { return static_cast<ZO_LONG>(maps_.size()); }

 private:
  struct Map {
    std::string name;
    ZO_LONG line = 0;
    ZO_LONG fields = 0;  // named fields: what becomes field definitions
    ZO_LONG texts = 0;   // unnamed fields with an initial value: the screen's own texts
    ZO_LONG warnings = 0;
    ZO_LONG rows = 0;  // the screen the fields must fit in
    ZO_LONG columns = 0;
  };
  struct Placed {
    std::string label;
    ZO_LONG sourceLine = 0;
    ZO_LONG row = 0;
    ZO_LONG first = 0;  // first and last column on the screen
    ZO_LONG last = 0;
  };
  struct Named {
    std::string label;
    ZO_LONG sourceLine = 0;
  };

  void warn(ZO_LONG line, const std::string& text);
  // Warns of a tab in the label or operation of `statement`; true when it had one.
  bool checkTabs(const PXMStatement& statement, ZO_LONG line);
  void checkKeywords(const PXMStatement& statement, ZO_LONG line, const std::string& what);
  void checkName(const PXMStatement& field, ZO_LONG line);
  void checkPlace(const PXMStatement& field, ZO_LONG line);
  void checkValues(const PXMStatement& field, ZO_LONG line);
  void checkOverlap(const PXMStatement& field, ZO_LONG line);

  const char* fileName_;
  std::FILE* err_;
  bool keepAttributes_;
  ZO_LONG warnings_ = 0;
  std::vector<Map> maps_;
  bool inMap_ = false;
  ZO_LONG mapEndLine_ = 0;     // line of the statement that ended the last map
  std::string endedBy_;         // what ended the last map's field list, for the fields after it
  std::vector<Placed> placed_;  // fields of the current map with a length
  std::vector<Named> named_;    // named fields of the current map
};
