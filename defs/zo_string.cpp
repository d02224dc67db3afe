#include "defs/zo_string.h"

#include <array>
#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstring>
#include <limits>

#include "common/trace.h"

namespace {

constexpr std::array<ZO_BYTE, 256> makeClassTable() {
  std::array<ZO_BYTE, 256> table{};  // everything not listed is not allowed
  for (const char* p = "!#$%&*-?@"; *p != '\0'; ++p) table[static_cast<unsigned char>(*p)] = ZOCC_SPECIAL;
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = ZOCC_LETTER;
  for (int c = 'a'; c <= 'z'; ++c) table[c] = ZOCC_LETTER;
  for (int c = '0'; c <= '9'; ++c) table[c] = ZOCC_DIGIT;
  table[static_cast<unsigned char>('_')] = ZOCC_UNDERSCORE;
  return table;
}

constexpr std::array<ZO_BYTE, 256> kClassTable = makeClassTable();

constexpr char kBlank = ' ';
constexpr std::size_t kMinBuffer = static_cast<std::size_t>(ZoString::MIN_CAPACITY) + 1;

std::size_t safeLength(const char* text) { return text == nullptr ? 0 : std::strlen(text); }

int lowerByte(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

// Byte-wise comparison of two zero-terminated texts by unsigned value.
ZO_LONG compareTexts(const char* a, const char* b, bool noCase) {
  const auto* pa = reinterpret_cast<const unsigned char*>(a);
  const auto* pb = reinterpret_cast<const unsigned char*>(b == nullptr ? "" : b);
  for (;; ++pa, ++pb) {
    const int ca = noCase ? lowerByte(*pa) : *pa;
    const int cb = noCase ? lowerByte(*pb) : *pb;
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

std::unique_ptr<char[]> newBuffer(std::size_t size) {
  return std::make_unique<char[]>(size < kMinBuffer ? kMinBuffer : size);  // zero-filled
}

// Rule of one check: which classes pass, and whether trailing blanks may follow.
struct CheckRule {
  const char* failLine;
  bool special;
  bool letters;
  bool blanks;
};

ZO_BOOLEAN runCheck(const char* text, ZO_LONG length, const CheckRule& rule) {
  bool trailingBlanks = false;
  for (ZO_LONG i = 0; i < length; ++i) {
    const char c = text[i];
    bool allowed;
    if (rule.blanks && c == kBlank) {
      trailingBlanks = true;
      allowed = true;
    } else if (trailingBlanks) {
      allowed = false;
    } else {
      switch (zoCharClass(c)) {
        case ZOCC_DIGIT: allowed = true; break;
        case ZOCC_LETTER:
        case ZOCC_UNDERSCORE: allowed = rule.letters; break;
        case ZOCC_SPECIAL: allowed = rule.special; break;
        default: allowed = false; break;
      }
    }
    if (!allowed) {
      XTR_TEXTF(rule.failLine, static_cast<int>(i));
      XTR_TEXT("string containing unallowed character");
      XTR_DATA(text, length < ZoString::MAX_TRACE_DUMP ? length : ZoString::MAX_TRACE_DUMP);
      return FALSE;
    }
  }
  return TRUE;
}

}  // namespace

ZoCharClass zoCharClass(char c) { return static_cast<ZoCharClass>(kClassTable[static_cast<unsigned char>(c)]); }

// ---------------------------------------------------------------- ZoString

ZoString::ZoString() : buffer_(newBuffer(kMinBuffer)) {}

ZoString::ZoString(const char* text) {
  const std::size_t n = safeLength(text);
  buffer_ = newBuffer(n + 1);
  if (n > 0) std::memcpy(buffer_.get(), text, n);
}

ZoString::ZoString(const ZoString& other) : ZoString(other.text()) {}

ZoString& ZoString::operator=(const ZoString& other) {
  if (this != &other) assign(other.text(), other.size());
  return *this;
}

ZoString& ZoString::operator=(const char* text) {
  if (text != buffer_.get()) assign(text, safeLength(text));
  return *this;
}

ZoString& ZoString::operator+=(const ZoString& other) {
  append(other.text(), other.size());
  return *this;
}

ZoString& ZoString::operator+=(const char* text) {
  append(text, safeLength(text));
  return *this;
}

ZoString operator+(const ZoString& a, const ZoString& b) {
  ZoString result(a);
  result += b;
  return result;
}

ZoString operator+(const ZoString& a, const char* b) {
  ZoString result(a);
  result += b;
  return result;
}

ZoString operator+(const char* a, const ZoString& b) {
  ZoString result(a);
  result += b;
  return result;
}

std::size_t ZoString::size() const { return std::strlen(buffer_.get()); }

void ZoString::assign(const char* text, std::size_t count) {
  if (count <= static_cast<std::size_t>(MIN_CAPACITY)) {
    // The text may lie inside this buffer (a tail of this string): memmove.
    if (count > 0) std::memmove(buffer_.get(), text, count);
    buffer_[count] = '\0';
    return;
  }
  auto fresh = std::make_unique<char[]>(count + 1);
  std::memcpy(fresh.get(), text, count);
  fresh[count] = '\0';
  buffer_ = std::move(fresh);
}

void ZoString::append(const char* text, std::size_t count) {
  if (count == 0) return;
  const std::size_t own = size();
  if (own + count <= static_cast<std::size_t>(MIN_CAPACITY)) {
    std::memmove(buffer_.get() + own, text, count);
    buffer_[own + count] = '\0';
    return;
  }
  auto fresh = std::make_unique<char[]>(own + count + 1);
  std::memcpy(fresh.get(), buffer_.get(), own);
  std::memcpy(fresh.get() + own, text, count);  // text may be our own: still intact
  fresh[own + count] = '\0';
  buffer_ = std::move(fresh);
}

ZO_LONG ZoString::compare(const ZoString& other) const { return compareTexts(text(), other.text(), false); }
ZO_LONG ZoString::compare(const char* t) const { return compareTexts(text(), t, false); }
ZO_LONG ZoString::compareNoCase(const ZoString& other) const { return compareTexts(text(), other.text(), true); }
ZO_LONG ZoString::compareNoCase(const char* t) const { return compareTexts(text(), t, true); }

ZO_LONG ZoString::length() const {
  const std::size_t n = size();
  return n > static_cast<std::size_t>(std::numeric_limits<ZO_LONG>::max()) ? std::numeric_limits<ZO_LONG>::max()
                                                                             : static_cast<ZO_LONG>(n);
}

void ZoString::truncate(ZO_LONG position) {
  if (position >= 0 && position < length()) buffer_[position] = '\0';
}

void ZoString::trim() {
  const std::size_t n = size();
  std::size_t first = 0;
  while (first < n && buffer_[first] == kBlank) ++first;
  if (first == n) return;  // empty, or blanks only
  std::size_t last = n - 1;
  while (buffer_[last] == kBlank) --last;
  const std::size_t kept = last - first + 1;
  if (first > 0) std::memmove(buffer_.get(), buffer_.get() + first, kept);
  buffer_[kept] = '\0';
}

void ZoString::split(char separator, ZoString& rest) {
  const char* found = separator == '\0' ? nullptr : std::strchr(buffer_.get(), separator);
  if (found == nullptr) {
    if (&rest != this) rest = "";
    return;
  }
  const std::size_t head = static_cast<std::size_t>(found - buffer_.get());
  if (&rest == this) {
    assign(found + 1, std::strlen(found + 1));
    return;
  }
  rest = found + 1;
  buffer_[head] = '\0';
}

ZO_BOOLEAN ZoString::contains(char c) const {
  return (c != '\0' && std::strchr(buffer_.get(), c) != nullptr) ? TRUE : FALSE;
}

void ZoString::pad(ZO_LONG length, char fill) {
  const ZO_LONG own = this->length();
  if (length <= own) return;
  const std::size_t count = static_cast<std::size_t>(length - own);
  // A zero fill would end the text early: the padded text would not be `length` long.
  if (fill == '\0') return;
  std::unique_ptr<char[]> filler = std::make_unique<char[]>(count + 1);
  std::memset(filler.get(), fill, count);
  append(filler.get(), count);
}

ZO_BOOLEAN ZoString::makeNumeric() {
  const std::size_t n = size();
  auto digits = std::make_unique<char[]>(n + 1);
  std::size_t out = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const char c = buffer_[i];
    if (c >= '0' && c <= '9') {
      digits[out++] = c;
    } else if (c == '-' && out == 0) {
      digits[out++] = c;
    } else if (c != kBlank) {
      return FALSE;
    }
  }
  assign(digits.get(), out);
  return TRUE;
}

ZO_BOOLEAN ZoString::isNum() const {
  static constexpr CheckRule rule{"ZoString::isNum - unallowed character at position %d", false, false, false};
  return runCheck(text(), length(), rule);
}

ZO_BOOLEAN ZoString::isAlNum() const {
  static constexpr CheckRule rule{"ZoString::isAlNum - unallowed character at position %d", false, true, false};
  return runCheck(text(), length(), rule);
}

ZO_BOOLEAN ZoString::isAlNumPad() const {
  static constexpr CheckRule rule{"ZoString::isAlNumPad - unallowed character at position %d", false, true, true};
  return runCheck(text(), length(), rule);
}

ZO_BOOLEAN ZoString::isAllowedCharSet() const {
  static constexpr CheckRule rule{"ZoString::isAllowedCharSet - unallowed character at position %d", true, true,
                                  true};
  return runCheck(text(), length(), rule);
}

// ----------------------------------------------------------- ZoStringArray

namespace {
std::uintptr_t addressOf(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }
}  // namespace

ZoStringArray::ZoStringArray()
    : growth_(DEFAULT_GROWTH), capacity_(DEFAULT_CAPACITY), count_(0), free_(DEFAULT_CAPACITY) {
  allocate("STRING ARRAY(void): >>> MEM >>> new: 0x%" PRIxPTR);
}

ZoStringArray::ZoStringArray(ZO_LONG capacity, ZO_LONG growth)
    : growth_(growth < 1 ? 1 : growth), capacity_(capacity < 0 ? 0 : capacity), count_(0), free_(capacity_) {
  allocate("STRING ARRAY(ZO_LONG): >>> MEM >>> new: 0x%" PRIxPTR);
}

ZoStringArray::ZoStringArray(const ZoStringArray& other)
    : growth_(other.growth_), capacity_(other.capacity_), count_(0), free_(other.capacity_) {
  allocate("STRING ARRAY(ZO_LONG): >>> MEM >>> new: 0x%" PRIxPTR);
  for (ZO_LONG i = 0; i < other.count_; ++i) add(other.slots_[i]);
}

ZoStringArray::~ZoStringArray() {
  XTR_TEXTF("STRING ARRAY(void): >>> MEM >>> delete: 0x%" PRIxPTR, addressOf(slots_.data()));
}

void ZoStringArray::allocate(const char* traceLine) {
  slots_ = std::vector<ZoString>();
  slots_.reserve(static_cast<std::size_t>(capacity_));
  XTR_TEXTF(traceLine, addressOf(slots_.data()));
}

ZoStringArray& ZoStringArray::operator=(const ZoStringArray& other) {
  if (this == &other) return *this;
  XTR_TEXTF("STRING ARRAY(=): >>> MEM >>> delete: 0x%" PRIxPTR, addressOf(slots_.data()));
  growth_ = other.growth_;
  capacity_ = other.capacity_;
  count_ = 0;
  free_ = capacity_;
  allocate("STRING ARRAY(=): >>> MEM >>> new: 0x%" PRIxPTR);
  for (ZO_LONG i = 0; i < other.count_; ++i) add(other.slots_[i]);
  return *this;
}

void ZoStringArray::add(const ZoString& s) {
  if (free_ == 0) {
    const ZoString kept(s);  // `s` may be one of the slots moved below
    grow();
    slots_.push_back(kept);
  } else {
    slots_.push_back(s);
  }
  ++count_;
  --free_;
}

void ZoStringArray::grow() {
  const ZO_LONG room = std::numeric_limits<ZO_LONG>::max() - capacity_;
  const ZO_LONG step = growth_ < room ? growth_ : room;
  const ZO_LONG grown = capacity_ + step;
  XTR_TEXTF("STRING ARRAY(add): >>> MEM >>> delete: 0x%" PRIxPTR, addressOf(slots_.data()));
  if (slots_.capacity() < static_cast<std::size_t>(grown)) {
    slots_.reserve(std::max(static_cast<std::size_t>(grown), 2 * slots_.capacity()));
  }
  capacity_ = grown;
  free_ = step;
}

void ZoStringArray::add(const char* s) { add(ZoString(s)); }

ZoString ZoStringArray::get(ZO_LONG index) const {
  if (index < 0 || index >= count_) return ZoString();
  return slots_[index];
}

// ---------------------------------------------------------------- ZoBinary

namespace {
constexpr ZO_LONG kMaxBinary = std::numeric_limits<ZO_LONG>::max() - 1;  // leaves room for the zero byte

std::unique_ptr<ZO_BYTE[]> newBytes(ZO_LONG length) {
  return std::make_unique<ZO_BYTE[]>(static_cast<std::size_t>(length) + 1);  // zero-filled
}

bool validRun(const void* bytes, ZO_LONG count) { return count >= 0 && (count == 0 || bytes != nullptr); }
}  // namespace

ZoBinary::ZoBinary() : length_(0), data_(newBytes(0)) {}

ZoBinary::ZoBinary(const void* bytes, ZO_LONG count) : ZoBinary() { set(bytes, count); }
ZoBinary::ZoBinary(ZO_BYTE value) : ZoBinary() { set(value); }
ZoBinary::ZoBinary(ZO_SHORT value) : ZoBinary() { set(value); }
ZoBinary::ZoBinary(ZO_LONG value) : ZoBinary() { set(value); }
ZoBinary::ZoBinary(const ZoString& s) : ZoBinary() { set(s.text(), s.length()); }
ZoBinary::ZoBinary(const ZoBinary& other) : ZoBinary() { set(other.data(), other.length()); }

ZoBinary& ZoBinary::operator=(const ZoBinary& other) {
  if (this != &other) set(other.data(), other.length());
  return *this;
}

void ZoBinary::clear() {
  data_ = newBytes(0);
  length_ = 0;
}

ZO_BOOLEAN ZoBinary::set(const void* bytes, ZO_LONG count) {
  if (!validRun(bytes, count) || count > kMaxBinary) return FALSE;
  auto fresh = newBytes(count);
  if (count > 0) std::memcpy(fresh.get(), bytes, static_cast<std::size_t>(count));
  data_ = std::move(fresh);
  length_ = count;
  return TRUE;
}

void ZoBinary::set(ZO_BYTE value) { set(&value, sizeof value); }
void ZoBinary::set(ZO_SHORT value) { set(&value, sizeof value); }
void ZoBinary::set(ZO_LONG value) { set(&value, sizeof value); }

ZO_BOOLEAN ZoBinary::compare(const void* bytes, ZO_LONG count) const {
  if (!validRun(bytes, count) || count != length_) return FALSE;
  return (count == 0 || std::memcmp(data_.get(), bytes, static_cast<std::size_t>(count)) == 0) ? TRUE : FALSE;
}

ZO_BOOLEAN ZoBinary::compare(const ZoBinary& other) const { return compare(other.data(), other.length()); }

ZO_BOOLEAN ZoBinary::compare(const char* text) const {
  const std::size_t n = safeLength(text);
  if (n != static_cast<std::size_t>(length_)) return FALSE;
  return compare(text, length_);
}

ZO_BOOLEAN ZoBinary::pad(ZO_LONG count, ZO_BYTE fill) {
  if (count <= length_) return TRUE;
  if (count > kMaxBinary) return FALSE;
  auto fresh = newBytes(count);
  std::memcpy(fresh.get(), data_.get(), static_cast<std::size_t>(length_));
  std::memset(fresh.get() + length_, fill, static_cast<std::size_t>(count - length_));
  data_ = std::move(fresh);
  length_ = count;
  return TRUE;
}

ZO_BOOLEAN ZoBinary::append(const void* bytes, ZO_LONG count) {
  if (!validRun(bytes, count) || count > kMaxBinary - length_) return FALSE;
  auto fresh = newBytes(length_ + count);
  std::memcpy(fresh.get(), data_.get(), static_cast<std::size_t>(length_));
  // `bytes` may point into our own data, which stays alive until the swap below.
  if (count > 0) std::memcpy(fresh.get() + length_, bytes, static_cast<std::size_t>(count));
  data_ = std::move(fresh);
  length_ += count;
  return TRUE;
}

ZO_BOOLEAN ZoBinary::append(ZO_BYTE value) { return append(&value, sizeof value); }
ZO_BOOLEAN ZoBinary::append(ZO_SHORT value) { return append(&value, sizeof value); }
ZO_BOOLEAN ZoBinary::append(ZO_LONG value) { return append(&value, sizeof value); }
ZO_BOOLEAN ZoBinary::append(const ZoBinary& other) { return append(other.data(), other.length()); }

ZoBinary& ZoBinary::operator+=(const ZoBinary& other) {
  append(other);
  return *this;
}
