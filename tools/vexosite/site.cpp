// vexosite: the pages of the site.
#include "tools/vexosite/site.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/return_codes.h"
#include "defs/zo_data_types.h"
#include "defs/zo_database.h"
#include "defs/zo_field_def.h"
#include "defs/zo_message_def.h"
#include "import/user_hints.h"
#include "import/user_message.h"
#include "message/zo_field.h"
#include "message/zo_message.h"
#include "message/zo_message_layout.h"
#include "platform/program.h"
#include "session/zo_session.h"
#include "tools/vexomap/map_view.h"

namespace {

constexpr const char* kUsage = "vexosite folder [messagename...]";

std::string number(long value) { return std::to_string(value); }

std::string typeName(ZO_LONG dataType) { return vexomapTypeName(dataType); }

bool isNumeric(ZO_LONG dataType) { return dataType == ZODT_LONG || dataType == ZODT_SHORT || dataType == ZODT_BYTE; }
bool isHiddenType(ZO_LONG dataType) { return dataType == ZODT_AUTHENTICATOR || dataType == ZODT_SYSTEM_AUTHENTICATOR; }
bool isDark(const ZoField& f) { return vexomapIsDark(f); }
bool isProtected(const ZoField& f) { return vexomapIsProtected(f); }

// The class names of the SGR parameters vexomapStyle gives.
std::string lookClasses(const std::string& sgr) {
  static constexpr struct {
    const char* sgr;
    const char* name;
  } kClasses[] = {{"1", "bright"},     {"31", "c-red"},   {"32", "c-green"},       {"33", "c-yellow"},
                  {"34", "c-blue"},    {"35", "c-pink"},  {"36", "c-turquoise"},   {"37", "c-neutral"},
                  {"7", "h-reverse"},  {"4", "h-underline"}, {"5", "h-blink"}};
  std::string classes;
  std::size_t at = 0;
  while (at < sgr.size()) {
    std::size_t end = sgr.find(';', at);
    if (end == std::string::npos) end = sgr.size();
    const std::string part = sgr.substr(at, end - at);
    for (const auto& c : kClasses) {
      if (part == c.sgr) classes += std::string(classes.empty() ? "" : " ") + c.name;
    }
    at = end + 1;
  }
  return classes;
}

constexpr const char* kStyle =
    "body{font-family:sans-serif;margin:1em;background:#fff;color:#111}"
    "table{border-collapse:collapse;margin:0.5em 0}td,th{border:1px solid #bbb;padding:0 0.4em;text-align:left;"
    "font-family:monospace}"
    ".screen{display:grid;font-family:monospace;font-size:16px;line-height:20px;background:#000;color:#7f7;"
    "width:max-content;padding:4px;position:relative}"
    ".line{grid-column:1/-1;white-space:pre;height:20px}"
    ".screen input{font:inherit;margin:0;padding:0;border:0;height:20px;background:#113;color:#7f7;box-sizing:"
    "border-box;width:100%;z-index:1}"
    ".screen input.protected{background:#222;color:#9cf}"
    ".screen input.dark{color:transparent;caret-color:#7f7;text-shadow:none}"
    ".screen input.overlap,.screen input.cut{outline:2px dashed #f80}"
    ".bright{font-weight:bold}.c-red{color:#f55}.c-green{color:#5f5}.c-yellow{color:#ff5}.c-blue{color:#58f}"
    ".c-pink{color:#f5f}.c-turquoise{color:#5ff}.c-neutral{color:#fff}"
    ".h-reverse{filter:invert(1)}.h-underline{text-decoration:underline}.h-blink{font-style:italic}"
    "tr.offscreen,tr.overlap,tr.cut,tr.cursor-extra{background:#fec}pre.json{background:#f4f4f4;padding:0.5em}"
    ".side{display:flex;flex-wrap:wrap;gap:2em}";

std::string pageHead(const std::string& title) {
  return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" + vexositeEscape(title) +
         "</title><style>" + kStyle + "</style></head>\n";
}

// One row of the screen as text: the cells of the screen texts, the columns
// a field covers blank, each run of a look in a span of its classes.
std::string lineHtml(const std::vector<VexomapCell>& cells, const std::vector<bool>& covered) {
  std::string out;
  std::string current;
  bool open = false;
  for (std::size_t c = 0; c < cells.size(); ++c) {
    const bool blank = covered[c];
    const std::string classes = blank ? std::string() : lookClasses(cells[c].style);
    if (classes != current || (!open && !classes.empty())) {
      if (open) out += "</span>";
      open = !classes.empty();
      if (open) out += "<span class=\"" + classes + "\">";
      current = classes;
    }
    if (blank) {
      out += ' ';
    } else {
      out += vexositeEscape(cells[c].bytes);
    }
  }
  if (open) out += "</span>";
  return out;
}

// The value a field's sample record holds: its own, or its pad character to
// its length (a number: 0).
nlohmann::ordered_json sampleValue(const ZoField& field, const ZoFieldLayout& layout) {
  switch (field.getDataType()) {
    case ZODT_LONG:
      return field.getLongValue();
    case ZODT_SHORT:
      return field.getShortValue();
    case ZODT_BYTE:
      return field.getByteValue();
    default:
      break;
  }
  std::string value = field.getValue().text();
  if (value.empty()) value.assign(static_cast<std::size_t>(std::max<ZO_LONG>(layout.length, 0)),
                                  static_cast<char>(layout.padCharacter));
  return value;
}

std::string cell(const std::string& text) { return "<td>" + vexositeEscape(text) + "</td>"; }

const char* placementNote(VexomapPlacement placement) {
  switch (placement) {
    case VexomapPlacement::kInside:
      return "";
    case VexomapPlacement::kCut:
      return "cut at the right edge";
    case VexomapPlacement::kBelow:
    case VexomapPlacement::kRight:
      return "off screen";
    case VexomapPlacement::kUnpositioned:
      return "no position";
  }
  return "";
}

}  // namespace

std::string vexositeEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string vexositePageFile(std::string_view name) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string file = "m-";
  for (const char c : name) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '_') {
      file += c;
    } else {
      file += '~';
      file += kHex[b >> 4];
      file += kHex[b & 0xF];
    }
  }
  return file + ".html";
}

std::string vexositeMessagePage(ZoMessage& message, const std::vector<ZoScreenText>& texts, VexositeEntry& entry,
                                const VexositeFieldFlags& flags) {
  const VexomapScreen screen = vexomapScreen(message, false, texts);
  const ZoMessageLayout layout(message);
  const std::string name = message.getMessageName().text();
  entry.name = name;
  entry.file = vexositePageFile(name);
  entry.recordSize = layout.getRecordSize();
  entry.fieldCount = static_cast<ZO_LONG>(screen.fields.size());
  entry.textCount = static_cast<ZO_LONG>(texts.size());
  if (layout.getErrorCode() != 0) entry.problem = "the record layout stops before a field (code " +
                                                  number(static_cast<long>(layout.getErrorCode())) + ")";

  const std::size_t count = screen.fields.size();
  // The columns each field covers, and which fields share a column.
  std::vector<std::vector<bool>> covered(screen.cells.size(), std::vector<bool>(static_cast<std::size_t>(screen.columns)));
  std::vector<bool> overlaps(count, false);
  for (std::size_t i = 0; i < count; ++i) {
    if (screen.widths[i] == 0) continue;
    const ZoField& f = *screen.fields[i];
    const auto row = static_cast<std::size_t>(f.getRow() - 1);
    const auto start = static_cast<std::size_t>(f.getColumn() - 1);
    for (std::size_t j = 0; j < i; ++j) {
      const ZoField& g = *screen.fields[j];
      if (screen.widths[j] == 0 || g.getRow() != f.getRow()) continue;
      const auto gStart = static_cast<std::size_t>(g.getColumn() - 1);
      if (start < gStart + screen.widths[j] && gStart < start + screen.widths[i]) overlaps[i] = overlaps[j] = true;
    }
    for (std::size_t c = start; c < start + screen.widths[i]; ++c) covered[row][c] = true;
  }

  // The flags of each field, and the one the cursor starts in: the first on
  // the screen with the cursor flag, or else the first that can be typed into.
  std::vector<VexositeFlags> fieldFlags(count);
  for (std::size_t i = 0; i < count; ++i) {
    const auto found = flags.find(screen.fields[i]->getName().text());
    if (found != flags.end()) fieldFlags[i] = found->second;
  }
  std::size_t focused = count;
  for (std::size_t i = 0; i < count && focused == count; ++i)
    if (screen.widths[i] != 0 && fieldFlags[i].cursor) focused = i;
  for (std::size_t i = 0; i < count && focused == count; ++i)
    if (screen.widths[i] != 0 && !isProtected(*screen.fields[i]) && !isDark(*screen.fields[i])) focused = i;

  std::string out = pageHead("Message " + name);
  out += "<body data-message=\"" + vexositeEscape(name) + "\" data-focused=\"\">\n";
  out += "<p><a href=\"index.html\">All messages</a></p>\n<h1>Message " + vexositeEscape(name) + "</h1>\n";
  out += "<p class=\"size\">" + number(screen.rows) + " rows x " + number(screen.columns) + " columns";
  if (screen.definedRows <= 0 || screen.definedColumns <= 0) out += " (size not defined, default used)";
  out += ", " + number(static_cast<long>(count)) + " fields, " + number(static_cast<long>(texts.size())) +
         " screen texts, record " + number(layout.getRecordSize()) + " bytes</p>\n";
  if (!entry.problem.empty()) out += "<p class=\"problem\">" + vexositeEscape(entry.problem) + "</p>\n";

  out += "<div class=\"screen\" id=\"screen\" data-rows=\"" + number(screen.rows) + "\" data-columns=\"" +
         number(screen.columns) + "\" style=\"grid-template-columns:repeat(" + number(screen.columns) +
         ",1ch);grid-template-rows:repeat(" + number(screen.rows) + ",20px)\">\n";
  for (std::size_t r = 0; r < screen.cells.size(); ++r) {
    out += "<div class=\"line\" data-row=\"" + number(static_cast<long>(r + 1)) + "\" style=\"grid-row:" +
           number(static_cast<long>(r + 1)) + "\">" + lineHtml(screen.cells[r], covered[r]) + "</div>\n";
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (screen.widths[i] == 0) continue;
    const ZoField& f = *screen.fields[i];
    const std::string length = number(std::max<ZO_LONG>(f.getLength(), static_cast<ZO_LONG>(screen.widths[i])));
    std::string classes = "field";
    const std::string look = f.getHasAttributes() ? lookClasses(vexomapStyle(f.getIntensity(), f.getColor(), f.getHighLight())) : std::string();
    if (!look.empty()) classes += " " + look;
    const bool numeric = isNumeric(f.getDataType()) || fieldFlags[i].numeric;
    const bool locked = isProtected(f);
    const bool dark = isDark(f);
    if (numeric) classes += " numeric";
    if (locked) classes += " protected";
    if (dark) classes += " dark";
    if (overlaps[i]) classes += " overlap";
    if (screen.placements[i] == VexomapPlacement::kCut) classes += " cut";
    out += std::string("<input type=\"") + (dark ? "password" : "text") + "\" name=\"" + vexositeEscape(f.getName().text()) + "\" class=\"" + classes +
           "\" data-row=\"" + number(f.getRow()) + "\" data-column=\"" + number(f.getColumn()) + "\" data-width=\"" +
           number(static_cast<long>(screen.widths[i])) + "\" maxlength=\"" + length + "\" size=\"" + length +
           "\" autocomplete=\"off\" spellcheck=\"false\" style=\"grid-row:" + number(f.getRow()) + ";grid-column:" +
           number(f.getColumn()) + "/span " + number(static_cast<long>(screen.widths[i])) + "\"";
    if (numeric) out += " inputmode=\"numeric\" pattern=\"[0-9]*\"";
    if (locked) out += " readonly tabindex=\"-1\"";
    if (!dark && !isHiddenType(f.getDataType()) && !isNumeric(f.getDataType()) && f.getValue().length() > 0)
      out += " value=\"" + vexositeEscape(f.getValue().text()) + "\"";
    if (i == focused) out += " autofocus";
    out += ">\n";
  }
  out += "</div>\n<div class=\"side\">\n<div><h2>Fields</h2>\n<table id=\"fields\"><tr><th>#</th><th>Name</th>"
         "<th>Row</th><th>Col</th><th>Len</th><th>Type</th><th>Seg</th><th>Look</th><th>Note</th></tr>\n";
  for (std::size_t i = 0; i < count; ++i) {
    const ZoField& f = *screen.fields[i];
    std::string note = placementNote(screen.placements[i]);
    std::string rowClass = screen.placements[i] == VexomapPlacement::kInside ? ""
                           : screen.placements[i] == VexomapPlacement::kCut ? "cut" : "offscreen";
    auto add = [](std::string& to, const char* separator, const std::string& what) {
      to += (to.empty() ? std::string() : std::string(separator)) + what;
    };
    if (overlaps[i]) {
      add(note, "; ", "overlaps another field");
      add(rowClass, " ", "overlap");
    }
    if (fieldFlags[i].cursor && i != focused) {
      add(note, "; ", screen.widths[i] == 0 ? "cursor flag on a field off the screen"
                                            : "cursor flag also on an earlier field: not focused");
      add(rowClass, " ", "cursor-extra");
    }
    std::string look;
    if (f.getHasAttributes()) {
      look = lookClasses(vexomapStyle(f.getIntensity(), f.getColor(), f.getHighLight()));
      if (isDark(f)) add(look, " ", "dark");
      if (isProtected(f)) add(look, " ", "protected");
    }
    if (fieldFlags[i].numeric) add(look, " ", "numeric");
    if (fieldFlags[i].cursor) add(look, " ", "cursor");
    out += "<tr" + (rowClass.empty() ? std::string() : " class=\"" + rowClass + "\"") + ">" +
           cell(number(static_cast<long>(i + 1))) + cell(f.getName().text()) + cell(number(f.getRow())) +
           cell(number(f.getColumn())) + cell(number(f.getLength())) + cell(typeName(f.getDataType())) +
           cell(number(f.getSegment())) + cell(look) + cell(note) + "</tr>\n";
  }
  out += "</table>\n";
  if (!texts.empty()) {
    out += "<h2>Screen texts</h2>\n<table id=\"texts\"><tr><th>#</th><th>Text</th><th>Row</th><th>Col</th>"
           "<th>Len</th><th>Note</th></tr>\n";
    for (std::size_t i = 0; i < texts.size(); ++i) {
      const std::string note = i < screen.textNotes.size() ? screen.textNotes[i] : std::string();
      out += "<tr>" + cell(number(static_cast<long>(i + 1))) + cell(texts[i].text.text()) +
             cell(number(texts[i].row)) + cell(number(texts[i].column)) + cell(number(texts[i].length)) +
             cell(note.empty() ? note : note.substr(2, note.size() - 3)) + "</tr>\n";
    }
    out += "</table>\n";
  }
  out += "</div>\n<div><h2>Record layout</h2>\n<table id=\"layout\"><tr><th>Name</th><th>Offset</th><th>Length</th>"
         "<th>Type</th><th>Padding before</th></tr>\n";
  nlohmann::ordered_json sample = nlohmann::ordered_json::object();
  for (std::size_t i = 0; i < layout.fields().size(); ++i) {
    const ZoFieldLayout& place = layout.fields()[i];
    out += "<tr>" + cell(place.name.text()) + cell(number(place.offset)) + cell(number(place.length)) +
           cell(typeName(place.dataType)) + cell(number(place.padding)) + "</tr>\n";
    if (i < count) sample[place.name.text()] = sampleValue(*screen.fields[i], place);
  }
  out += "</table>\n<p>Record size " + number(layout.getRecordSize()) + " bytes, padding " +
         number(layout.getPaddingBytes()) + " bytes.</p>\n<h2>Sample record</h2>\n<pre class=\"json\" id=\"sample\">" +
         vexositeEscape(sample.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)) +
         "</pre>\n</div>\n</div>\n";
  // Numeric fields refuse other characters typed, and drop them from what
  // is pasted or dropped; the body names the focused field.
  out += "<script>\n"
         "document.querySelectorAll('input.numeric').forEach(function(i){"
         "i.addEventListener('beforeinput',function(e){if(e.data&&/[^0-9]/.test(e.data))e.preventDefault();});"
         "i.addEventListener('input',function(){"
         "var v=i.value.replace(/[^0-9]/g,'');if(v!==i.value)i.value=v;});});\n"
         "function noteFocus(){var a=document.activeElement;document.body.dataset.focused="
         "(a&&a.tagName==='INPUT')?a.name:'';}\n"
         "var first=document.querySelector('input[autofocus]');if(first)first.focus();noteFocus();\n"
         "document.addEventListener('focusin',noteFocus);\n"
         "</script>\n</body></html>\n";
  return out;
}

std::string vexositeIndexPage(const std::vector<VexositeEntry>& entries) {
  std::string out = pageHead("Messages");
  out += "<body data-shown=\"" + number(static_cast<long>(entries.size())) + "\">\n<h1>Messages</h1>\n"
         "<p><input type=\"search\" id=\"filter\" placeholder=\"Filter by name\" autocomplete=\"off\"></p>\n"
         "<table id=\"messages\"><tr><th>Message</th><th>Record bytes</th><th>Fields</th><th>Screen texts</th>"
         "<th>Note</th></tr>\n";
  for (const VexositeEntry& e : entries) {
    const std::string shownName = e.file.empty() ? vexositeEscape(e.name)
                                                 : "<a href=\"" + vexositeEscape(e.file) + "\">" + vexositeEscape(e.name) + "</a>";
    out += "<tr class=\"message\" data-name=\"" + vexositeEscape(e.name) + "\"><td>" + shownName + "</td>" +
           cell(number(e.recordSize)) + cell(number(e.fieldCount)) + cell(number(e.textCount)) + cell(e.problem) +
           "</tr>\n";
  }
  out += "</table>\n<script>\n"
         "var box=document.getElementById('filter');\n"
         "function narrow(){var q=box.value.toLowerCase(),n=0;"
         "document.querySelectorAll('tr.message').forEach(function(r){"
         "var show=r.dataset.name.toLowerCase().indexOf(q)>=0;r.hidden=!show;if(show)n++;});"
         "document.body.dataset.shown=String(n);}\n"
         "box.addEventListener('input',narrow);\n"
         "var q=new URLSearchParams(location.search).get('q');if(q!==null){box.value=q;}narrow();\n"
         "</script>\n</body></html>\n";
  return out;
}

namespace {

// Writes `text` beside `path` and then puts it in its place, so that a page
// is whole or, when the write fails (a full disk), the one there before is
// kept and no piece of the new one is left.
bool writeFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::path part = path;
  part += ".part";
  std::ofstream file(part, std::ios::binary | std::ios::trunc);
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.close();
  std::error_code failed;
  if (file) std::filesystem::rename(part, path, failed);
  if (!file || failed) {
    std::filesystem::remove(part, failed);
    return false;
  }
  return true;
}

}  // namespace

int vexositeRun(int argc, char* argv[], std::FILE* out, std::FILE* err) {
  UserMessage messages(out, err);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  // The folder may be an absolute path; a name never starts with an option's mark.
  const bool usable = !args.empty() && !args[0].empty() && args[0][0] != '-' &&
                      std::none_of(args.begin() + 1, args.end(), [](const std::string& a) {
                        return a.empty() || a[0] == '-' || a[0] == '/';
                      });
  if (!usable) {
    UserMessage(err, err).issue(USERMSG_USAGE, 0, 0, kUsage);
    return PROGRAM_EXIT_USAGE;
  }
  const std::filesystem::path folder = args[0];
  // Sorted and each once: the same names give the same site.
  std::set<std::string> names(args.begin() + 1, args.end());

  ZoSession session(argc, argv);
  if (session.getErrorCode() != 0) {
    messages.issue(USERMSG_ERROR, session.getErrorCode(), session.getReasonCode(), session.getErrorText().text());
    messages.hints(PXMSessionHints(session));
    return PROGRAM_EXIT_FAILURE;
  }
  if (names.empty()) {
    ZoDatabase* db = session.getDefinitionDB();
    std::vector<ZoString> held;
    if (db == nullptr || !db->listMessageNames(held)) {
      std::fprintf(err, "vexosite: the messages of the definition database cannot be listed (code %ld)%s\n",
                   db == nullptr ? 0L : static_cast<long>(db->getErrorCode()),
                   db == nullptr ? ": no database" : "");
      return PROGRAM_EXIT_FAILURE;
    }
    for (const ZoString& name : held) names.insert(name.text());
  }
  std::error_code made;
  std::filesystem::create_directories(folder, made);
  if (made) {
    std::fprintf(err, "vexosite: the folder %s cannot be made: %s\n", folder.string().c_str(), made.message().c_str());
    return PROGRAM_EXIT_FAILURE;
  }
  int status = 0;
  std::vector<VexositeEntry> entries;
  for (const std::string& name : names) {
    VexositeEntry entry;
    entry.name = name;
    ZoMessage message(name.c_str(), session);
    if (!vexomapReportBuild(message, name.c_str(), session, messages)) {
      entry.problem = "the message cannot be built (code " + number(static_cast<long>(message.getErrorCode())) + ")";
      entries.push_back(std::move(entry));
      status = PROGRAM_EXIT_FAILURE;
      continue;
    }
    std::vector<ZoScreenText> texts;
    if (!vexomapScreenTexts(session, name.c_str(), texts)) {
      std::fprintf(err, "  the screen texts of %s could not be read: its page is drawn without them\n", name.c_str());
    }
    const std::string page = vexositeMessagePage(message, texts, entry, vexomapInputFlags(session, name.c_str()));
    if (!writeFile(folder / entry.file, page)) {
      std::fprintf(err, "vexosite: %s cannot be written\n", (folder / entry.file).string().c_str());
      return PROGRAM_EXIT_FAILURE;
    }
    entries.push_back(std::move(entry));
  }
  if (!writeFile(folder / "index.html", vexositeIndexPage(entries))) {
    std::fprintf(err, "vexosite: %s cannot be written\n", (folder / "index.html").string().c_str());
    return PROGRAM_EXIT_FAILURE;
  }
  std::fprintf(out, "vexosite: %zu pages written to %s\n",
               static_cast<std::size_t>(std::count_if(entries.begin(), entries.end(),
                                                      [](const VexositeEntry& e) { return !e.file.empty(); })),
               folder.string().c_str());
  return status;
}
