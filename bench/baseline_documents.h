#pragma once
// The sources and documents of the import benchmarks and their baselines: what an import of
// generated maps writes (per map its message, its field documents and its
// built message, with the same items), each as its form, two keys and its
// items as one stored value.

#include <time.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace vexobench {

// Processor time of this process so far, in seconds.
inline double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The items of a document as one stored value: name, tab, value, newline.
inline void add(std::string& body, const char* name, const std::string& value) {
  body += name;
  body += '\t';
  body += value;
  body += '\n';
}

// A source of `maps` maps ("M0000000", ...) of `fields` fields ("FLD01", ...),
// in the fixed columns of the map source: the maps the documents below describe.
inline void writeMapSource(const std::string& path, int maps, int fields) {
  std::ofstream out(path);
  char line[128];
  for (int m = 0; m < maps; ++m) {
    std::snprintf(line, sizeof line, "M%07d PXMMAP SIZE=(24,80)\n", m);
    out << line;
    for (int f = 0; f < fields; ++f) {
      std::snprintf(line, sizeof line, "FLD%02d    PXMFLD POS=(%d,%d),LENGTH=%d,ATTRB=UNPROT\n", f + 1,
                    f % 24 + 1, (f / 24) * 40 + 2, f % 30 + 1);
      out << line;
    }
  }
}

// Calls write(form, key1, key2, body) for each document of `maps` maps of
// `fields` fields, in the import's order; stops when write returns false.
template <class Write>
bool forEachBaselineDocument(int maps, int fields, Write write) {
  char text[32];
  for (int m = 0; m < maps; ++m) {
    std::snprintf(text, sizeof text, "M%07d", m);
    const std::string message = text;
    std::string body;
    std::string built;  // the built message's field list: 12 entries per field
    add(body, "FORM", "Message");
    add(body, "MessageName", message);
    add(body, "MessageDescription", "");
    add(body, "MessageFormat", "NONE");
    add(body, "Built", "0");
    if (!write("Message", message, "", body)) return false;
    for (int f = 0; f < fields; ++f) {
      std::snprintf(text, sizeof text, "FLD%02d", f + 1);
      const std::string field = text;
      body.clear();
      add(body, "FORM", "Field");
      add(body, "MessageName", message);
      add(body, "MessageFieldName", field);
      add(body, "FieldDescriptionEdit", message + " field " + std::to_string(f + 1));
      add(body, "FieldName", "");
      add(body, "FieldTypeEdit", "STRING");
      add(body, "FieldType", "STRING");
      add(body, "FieldDefault", "");
      add(body, "FieldLengthEdit", std::to_string(f % 30 + 1));
      add(body, "FieldLength", std::to_string(f % 30 + 1));
      add(body, "FieldSegmentsEdit", "1");
      add(body, "FieldHasAttributesEdit", "Y");
      add(body, "FieldRow", std::to_string(f % 24 + 1));
      add(body, "FieldColumn", std::to_string((f / 24) * 40 + 2));
      add(body, "FieldPadCharacter", "S");
      add(body, "FieldAlignment", "1");
      add(body, "FieldPosition", std::to_string(f + 1));
      add(body, "Built", "0");
      if (!write("Field", message, field, body)) return false;
      for (const std::string& entry :
           {field, message + " field " + std::to_string(f + 1), std::string(), std::string("T"), std::string(),
            std::to_string(f % 30 + 1), std::string("1"), std::string("Y"), std::to_string(f % 24 + 1),
            std::to_string((f / 24) * 40 + 2), std::string("S"), std::string("1")})
        built += entry + ";";
    }
    body.clear();
    add(body, "FORM", "MsgBuild");
    add(body, "msgdef_name", message);
    add(body, "msgdef_description", "");
    add(body, "msgdef_format", "NONE");
    add(body, "msgdef_fldcnt", "12");
    add(body, "msgdef_fldlist", built);
    add(body, "msgdef_maxentrylen", "16");
    if (!write("MsgBuild", message, "", body)) return false;
  }
  return true;
}

}  // namespace vexobench
