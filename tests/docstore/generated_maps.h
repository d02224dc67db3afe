#pragma once
// Generated map sources for the import tests that run vexopxm as a program.

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

namespace docstoretest {

// Maps in a generated source unless the caller says otherwise.
constexpr int kGeneratedMaps = 60;

struct Field {
  std::string row, column, length;
  bool operator==(const Field&) const = default;
};
// Message name -> field name -> position and length, as texts.
using Definitions = std::map<std::string, std::map<std::string, Field>>;

// A source of `maps` maps with 4 to 28 named fields each, screen texts between
// them and some statements continued on a second line. A variant source has
// other fields (counts, positions) in the same maps.
inline std::string makeSource(Definitions& expected, int variant = 0, int maps = kGeneratedMaps,
                              const char* prefix = "MAP") {
  std::ostringstream out;
  out << "* Generated maps for the crash test.\n";
  for (int m = 0; m < maps; ++m) {
    char map[32];
    std::snprintf(map, sizeof map, "%s%03d", prefix, m);
    out << map << std::string(9 - std::string(map).size(), ' ') << "PXMMAP SIZE=(24,80)\n";
    auto& fields = expected[map];
    const int count = 4 + (m * 7 + variant * 3) % 25;
    for (int f = 0; f < count; ++f) {
      char name[32];
      std::snprintf(name, sizeof name, "F%s%03d%02d", prefix, m, f);
      const int row = 1 + f % 24;
      const int column = 2 + (f * 3) % 70;
      const int length = 1 + (m + f + variant) % 9;
      std::string operands = "POS=(" + std::to_string(row) + "," + std::to_string(column) +
                             "),LENGTH=" + std::to_string(length);
      if (f % 5 == 0) out << "         PXMFLD POS=(1,1),LENGTH=3,INITIAL='TXT'\n";
      std::string line = std::string(name) + "   PXMFLD " + operands + ",";
      if (f % 4 == 1) {
        line.resize(71, ' ');
        out << line << "X\n               ATTRB=(UNPROT,NUM)\n";
      } else {
        out << line << "ATTRB=ASKIP\n";
      }
      fields[name] = {std::to_string(row), std::to_string(column), std::to_string(length)};
    }
  }
  return out.str();
}

}  // namespace docstoretest
