// mktables OUTDIR: writes the code-page control file "VEXOCCS.TBL" and the
// conversion tables for a fixed set of CCSIDs into OUTDIR, taking every
// mapping from the C library's iconv converters.
//
// CCSIDs written (number, double-byte code page, single-byte code page, shift
// mode, CCSID type, lead-byte set):
//   host single-byte (type 1, shift mode 1): 37 273 277 280 284 285 297 500 1047
//   PC single-byte (type 2, shift mode 1):   437 850 819 1252
//   host mixed Japanese (type 1, shift mode 3): 930 (290 + 300), 939 (1027 + 300)
//   PC mixed Japanese (type 2, shift mode 3):   943 (1041 + 941), lead-byte set 0
// A single-byte table is written for every ordered pair of distinct
// single-byte code pages, a double-byte table for 300 -> 941 and 941 -> 300.
// Characters the target cannot hold become its substitution character.
// The Unicode tables of 943's code pages (1041 and 941) are written too: each
// code page to UTF-16 and back, without substitution (a character the other
// side does not hold is XCS_UNICODE_NONE; a code page's character is written
// to the Unicode side only when it comes back as the same bytes).
#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "common/conversion.h"
#include "common/conversion_files.h"
#include "platform/platform.h"
#include "platform/program.h"

namespace {

constexpr const char* kUsage = "usage: mktables OUTDIR\n";
constexpr const char* kHelp =
    "usage: mktables OUTDIR\n"
    "       mktables --help | --version\n"
    "Writes the code-page control file VEXOCCS.TBL and the conversion tables\n"
    "into OUTDIR, built from the C library's converters.\n";

using Bytes = std::vector<unsigned char>;

enum class Kind { kSingle, kHostMixed, kPcMixed };

struct SingleCodePage {
  int number;
  const char* converter;
  Kind kind;
  unsigned char substitution;
};

struct DoubleCodePage {
  int number;
  const char* converter;
  Kind kind;  // kHostMixed: pairs between shift codes; kPcMixed: lead-byte pairs
  unsigned char substitution[2];
};

struct Ccsid {
  int ccsid;
  int doubleByte;
  int singleByte;
  int shiftMode;
  int type;
  int leadByteSet;
};

const SingleCodePage kSingles[] = {
    {37, "IBM037", Kind::kSingle, 0x3F},     {273, "IBM273", Kind::kSingle, 0x3F},
    {277, "IBM277", Kind::kSingle, 0x3F},    {280, "IBM280", Kind::kSingle, 0x3F},
    {284, "IBM284", Kind::kSingle, 0x3F},    {285, "IBM285", Kind::kSingle, 0x3F},
    {297, "IBM297", Kind::kSingle, 0x3F},    {500, "IBM500", Kind::kSingle, 0x3F},
    {1047, "IBM1047", Kind::kSingle, 0x3F},  {437, "IBM437", Kind::kSingle, 0x7F},
    {850, "IBM850", Kind::kSingle, 0x7F},    {819, "ISO-8859-1", Kind::kSingle, 0x1A},
    {1252, "CP1252", Kind::kSingle, 0x1A},   {290, "IBM930", Kind::kHostMixed, 0x3F},
    {1027, "IBM939", Kind::kHostMixed, 0x3F}, {1041, "IBM943", Kind::kPcMixed, 0x7F},
};

const DoubleCodePage kDoubles[] = {
    {300, "IBM930", Kind::kHostMixed, {0xFE, 0xFE}},
    {941, "IBM943", Kind::kPcMixed, {0xFC, 0xFC}},
};

const Ccsid kCcsids[] = {
    {37, 0, 37, 1, 1, 0},       {273, 0, 273, 1, 1, 0},   {277, 0, 277, 1, 1, 0},
    {280, 0, 280, 1, 1, 0},     {284, 0, 284, 1, 1, 0},   {285, 0, 285, 1, 1, 0},
    {297, 0, 297, 1, 1, 0},     {500, 0, 500, 1, 1, 0},   {1047, 0, 1047, 1, 1, 0},
    {437, 0, 437, 1, 2, 0},     {850, 0, 850, 1, 2, 0},   {819, 0, 819, 1, 2, 0},
    {1252, 0, 1252, 1, 2, 0},   {930, 300, 290, 3, 1, 0}, {939, 300, 1027, 3, 1, 0},
    {943, 941, 1041, 3, 2, 0},
};

// One iconv descriptor, reset before every use.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `in` and flushes the shift state; nothing when any byte fails.
  std::optional<Bytes> run(const Bytes& in) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    Bytes out(64);
    char* inPtr = const_cast<char*>(reinterpret_cast<const char*>(in.data()));
    std::size_t inLeft = in.size();
    char* outPtr = reinterpret_cast<char*>(out.data());
    std::size_t outLeft = out.size();
    if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
      return std::nullopt;
    if (iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

Bytes utf32(char32_t c) {
  return {static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8),
          static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 24)};
}

// The single code point `bytes` decode to, if exactly one.
std::optional<char32_t> decodeOne(Converter& toUnicode, const Bytes& bytes) {
  auto out = toUnicode.run(bytes);
  if (!out || out->size() != 4) return std::nullopt;
  const Bytes& b = *out;
  return static_cast<char32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<char32_t>(b[3]) << 24);
}

std::optional<char32_t> decodeSingle(Converter& toUnicode, Kind kind, unsigned char byte) {
  if (kind == Kind::kHostMixed && (byte == XCS_SHIFT_OUT || byte == XCS_SHIFT_IN)) return byte;
  return decodeOne(toUnicode, {byte});
}

std::optional<unsigned char> encodeSingle(Converter& fromUnicode, Kind kind, char32_t c) {
  if (kind == Kind::kHostMixed && (c == XCS_SHIFT_OUT || c == XCS_SHIFT_IN)) return static_cast<unsigned char>(c);
  auto out = fromUnicode.run(utf32(c));
  if (!out || out->size() != 1) return std::nullopt;
  return (*out)[0];
}

std::vector<unsigned char> leadBytes(Kind kind) {
  std::vector<unsigned char> leads;
  if (kind == Kind::kHostMixed) {
    for (int b = 0x40; b <= 0xFE; ++b) leads.push_back(static_cast<unsigned char>(b));
  } else {
    for (int b = 0x81; b <= 0x9F; ++b) leads.push_back(static_cast<unsigned char>(b));
    for (int b = 0xE0; b <= 0xFC; ++b) leads.push_back(static_cast<unsigned char>(b));
  }
  return leads;
}

std::optional<char32_t> decodePair(Converter& toUnicode, Kind kind, unsigned char lead, unsigned char trail) {
  if (kind == Kind::kHostMixed) return decodeOne(toUnicode, {XCS_SHIFT_OUT, lead, trail, XCS_SHIFT_IN});
  return decodeOne(toUnicode, {lead, trail});
}

std::optional<Bytes> encodePair(Converter& fromUnicode, Kind kind, char32_t c) {
  auto out = fromUnicode.run(utf32(c));
  if (!out) return std::nullopt;
  if (kind == Kind::kHostMixed) {
    if (out->size() != 4 || (*out)[0] != XCS_SHIFT_OUT || (*out)[3] != XCS_SHIFT_IN) return std::nullopt;
    return Bytes{(*out)[1], (*out)[2]};
  }
  if (out->size() != 2) return std::nullopt;
  return out;
}

// The code pages whose Unicode tables are written.
const SingleCodePage kUnicodeSingles[] = {{1041, "IBM943", Kind::kPcMixed, 0}};
const DoubleCodePage kUnicodeDoubles[] = {{941, "IBM943", Kind::kPcMixed, {0, 0}}};

std::string tableName(int from, int to) {
  char name[32];
  std::snprintf(name, sizeof name, "%04x%04x", static_cast<unsigned>(from), static_cast<unsigned>(to));
  return name;
}

bool writeFile(const std::string& path, const void* data, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    std::fprintf(stderr, "mktables: cannot write %s\n", path.c_str());
    return false;
  }
  bool ok = std::fwrite(data, 1, size, file) == size;
  ok = std::fclose(file) == 0 && ok;
  if (!ok) std::fprintf(stderr, "mktables: error writing %s\n", path.c_str());
  return ok;
}

bool writeSingleTables(const std::string& dir) {
  // Every byte of every code page decoded once.
  std::vector<std::vector<std::optional<char32_t>>> decoded;
  for (const SingleCodePage& cp : kSingles) {
    Converter toUnicode("UTF-32LE", cp.converter);
    if (!toUnicode.ok()) {
      std::fprintf(stderr, "mktables: the C library has no converter %s\n", cp.converter);
      return false;
    }
    std::vector<std::optional<char32_t>> row(256);
    for (int b = 0; b < 256; ++b) row[b] = decodeSingle(toUnicode, cp.kind, static_cast<unsigned char>(b));
    decoded.push_back(std::move(row));
  }
  for (const SingleCodePage& to : kSingles) {
    Converter fromUnicode(to.converter, "UTF-32LE");
    if (!fromUnicode.ok()) return false;
    for (std::size_t s = 0; s < std::size(kSingles); ++s) {
      const SingleCodePage& from = kSingles[s];
      if (from.number == to.number) continue;
      unsigned char table[XCS_SINGLE_TABLE_SIZE];
      for (int b = 0; b < 256; ++b) {
        std::optional<unsigned char> out;
        if (decoded[s][b]) out = encodeSingle(fromUnicode, to.kind, *decoded[s][b]);
        table[b] = out ? *out : to.substitution;
      }
      if (!writeFile(dir + tableName(from.number, to.number) + XCS_TABLE_SUFFIX, table, sizeof table)) return false;
    }
  }
  return true;
}

bool writeDoubleTable(const std::string& dir, const DoubleCodePage& from, const DoubleCodePage& to) {
  Converter toUnicode("UTF-32LE", from.converter);
  Converter fromUnicode(to.converter, "UTF-32LE");
  if (!toUnicode.ok() || !fromUnicode.ok()) return false;
  // Row 0 holds the row numbers, row 1 the substitution for bytes that lead nothing.
  std::vector<unsigned char> leads = leadBytes(from.kind);
  Bytes table((2 + leads.size()) * XCS_DOUBLE_ROW_SIZE);
  for (std::size_t b = 0; b < XCS_ROW_TABLE_SIZE; ++b) table[b] = 1;
  for (std::size_t t = 0; t < 256; ++t) {
    table[XCS_DOUBLE_ROW_SIZE + 2 * t] = to.substitution[0];
    table[XCS_DOUBLE_ROW_SIZE + 2 * t + 1] = to.substitution[1];
  }
  for (std::size_t r = 0; r < leads.size(); ++r) {
    unsigned char lead = leads[r];
    std::size_t row = r + 2;
    table[lead] = static_cast<unsigned char>(row);
    for (int trail = 0; trail < 256; ++trail) {
      std::optional<Bytes> out;
      if (auto c = decodePair(toUnicode, from.kind, lead, static_cast<unsigned char>(trail)))
        out = encodePair(fromUnicode, to.kind, *c);
      unsigned char* at = &table[row * XCS_DOUBLE_ROW_SIZE + 2 * static_cast<std::size_t>(trail)];
      at[0] = out ? (*out)[0] : to.substitution[0];
      at[1] = out ? (*out)[1] : to.substitution[1];
    }
  }
  return writeFile(dir + tableName(from.number, to.number) + XCS_TABLE_SUFFIX, table.data(), table.size());
}

// The 16-bit entries of a Unicode table, high byte first.
Bytes bigEndian(const std::vector<char16_t>& entries) {
  Bytes out;
  out.reserve(2 * entries.size());
  for (char16_t e : entries) {
    out.push_back(static_cast<unsigned char>(e >> 8));
    out.push_back(static_cast<unsigned char>(e & 0xFF));
  }
  return out;
}

// The two Unicode tables of a code page: every character (a byte, or a
// lead-byte pair) that decodes to one code point of the Basic Multilingual
// Plane and encodes back to the same bytes.
bool writeUnicodeTables(const std::string& dir, int number, const char* converter, bool doubleByte, Kind kind) {
  Converter toUnicode("UTF-32LE", converter);
  Converter fromUnicode(converter, "UTF-32LE");
  if (!toUnicode.ok() || !fromUnicode.ok()) {
    std::fprintf(stderr, "mktables: the C library has no converter %s\n", converter);
    return false;
  }
  std::vector<char16_t> to(doubleByte ? XCS_UNICODE_ENTRIES : XCS_SINGLE_TABLE_SIZE, XCS_UNICODE_NONE);
  std::vector<char16_t> from(XCS_UNICODE_ENTRIES, XCS_UNICODE_NONE);
  auto take = [&](const Bytes& bytes, unsigned code) {
    std::optional<char32_t> c = decodeOne(toUnicode, bytes);
    if (!c || *c >= XCS_UNICODE_NONE || (*c >= 0xD800 && *c <= 0xDFFF)) return;
    std::optional<Bytes> back = fromUnicode.run(utf32(*c));
    if (!back || *back != bytes) return;
    to[code] = static_cast<char16_t>(*c);
    from[*c] = static_cast<char16_t>(code);
  };
  if (doubleByte) {
    for (unsigned char lead : leadBytes(kind))
      for (unsigned trail = 0; trail < 256; ++trail) take({lead, static_cast<unsigned char>(trail)}, lead * 256u + trail);
  } else {
    for (unsigned b = 0; b < 256; ++b) take({static_cast<unsigned char>(b)}, b);
  }
  const Bytes toBytes = bigEndian(to), fromBytes = bigEndian(from);
  return writeFile(dir + tableName(number, XCS_UNICODE_CODE_PAGE) + XCS_UNICODE_TABLE_SUFFIX, toBytes.data(),
                   toBytes.size()) &&
         writeFile(dir + tableName(XCS_UNICODE_CODE_PAGE, number) + XCS_UNICODE_TABLE_SUFFIX, fromBytes.data(),
                   fromBytes.size());
}

bool writeControlFile(const std::string& dir) {
  std::string text =
      "# Code-page control file written by mktables from the C library's converters.\n"
      "# CCSID  double-byte  single-byte  shift-mode  type  lead-byte-set\n";
  for (const Ccsid& c : kCcsids) {
    char line[128];
    std::snprintf(line, sizeof line, "%d %d %d %d %d %d\n", c.ccsid, c.doubleByte, c.singleByte, c.shiftMode,
                  c.type, c.leadByteSet);
    text += line;
  }
  return writeFile(dir + XCS_CONTROL_FILE_NAME, text.data(), text.size());
}

int makeTables(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "%s", kUsage);
    return PROGRAM_EXIT_USAGE;
  }
  const std::string dir = platformDirWithSeparator(argv[1]);
  bool ok = writeSingleTables(dir);
  ok = ok && writeDoubleTable(dir, kDoubles[0], kDoubles[1]);
  ok = ok && writeDoubleTable(dir, kDoubles[1], kDoubles[0]);
  for (const SingleCodePage& cp : kUnicodeSingles)
    ok = ok && writeUnicodeTables(dir, cp.number, cp.converter, false, cp.kind);
  for (const DoubleCodePage& cp : kUnicodeDoubles)
    ok = ok && writeUnicodeTables(dir, cp.number, cp.converter, true, cp.kind);
  // The control file comes last: its date tells the build that every table is there.
  ok = ok && writeControlFile(dir);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) { return programRunTool("mktables", kHelp, argc, argv, makeTables); }
