#pragma once
// The library's text type, its character-class checks, the growable list of
// texts and the counted byte string.
//
// All texts are 8-bit characters terminated by a zero byte; these classes know
// nothing of code pages. They are plain values: they own their buffers, copy on
// construction and assignment and free on destruction. They report no error
// codes; allocation failure ends the program (std::bad_alloc is not caught).

#include <cstddef>
#include <memory>
#include <vector>

#include "../common/vexo_export.h"
#include "../common/zo_types.h"

// Character classes of the 256 byte values (index = byte taken as unsigned).
enum ZoCharClass : ZO_BYTE {
  ZOCC_NOT_ALLOWED = 0,  // controls, blank, most punctuation, 0x7F, 0x80-0xFF
  ZOCC_SPECIAL = 1,      // ! # $ % & * - ? @
  ZOCC_LETTER = 2,       // A-Z a-z
  ZOCC_DIGIT = 3,        // 0-9
  ZOCC_UNDERSCORE = 4,   // _
};

// Class of one byte.
VEXO_API ZoCharClass zoCharClass(char c);

// Threads: a value without shared state or lock: different objects may be
// used in different threads at once, one object by one thread at a time
// unless the caller locks it.
class VEXO_API ZoString {
 public:
  // Every buffer has room for at least this many characters plus the terminator,
  // so short names are assigned and appended without a new allocation.
  static constexpr ZO_LONG MIN_CAPACITY = 16;
  // A failing check dumps at most this many bytes of the string to the trace.
  static constexpr ZO_LONG MAX_TRACE_DUMP = 1024;

  ZoString();
  // A null pointer is taken as the empty text.
  ZoString(const char* text);  // NOLINT: implicit on purpose, texts pass as ZoString
  ZoString(const ZoString& other);
  ~ZoString() = default;

  // Self-assignment does nothing. A text of at most MIN_CAPACITY characters is
  // copied into the present buffer, a longer one gets a buffer of exactly its size.
  ZoString& operator=(const ZoString& other);
  ZoString& operator=(const char* text);

  // Appends in place when the result fits MIN_CAPACITY, otherwise into a new
  // buffer of exactly the combined size. Appending a string to itself is allowed.
  ZoString& operator+=(const ZoString& other);
  ZoString& operator+=(const char* text);

  friend ZoString operator+(const ZoString& a, const ZoString& b);
  friend ZoString operator+(const ZoString& a, const char* b);
  friend ZoString operator+(const char* a, const ZoString& b);

  // Byte-wise comparison by unsigned byte value; a text that is the beginning
  // of a longer one orders first. Result negative, 0 or positive.
  ZO_LONG compare(const ZoString& other) const;
  ZO_LONG compare(const char* text) const;
  // As compare, with letters taken as their lower-case forms.
  ZO_LONG compareNoCase(const ZoString& other) const;
  ZO_LONG compareNoCase(const char* text) const;

  friend bool operator==(const ZoString& a, const ZoString& b) { return a.compare(b) == 0; }
  friend bool operator==(const ZoString& a, const char* b) { return a.compare(b) == 0; }
  friend bool operator!=(const ZoString& a, const ZoString& b) { return a.compare(b) != 0; }
  friend bool operator!=(const ZoString& a, const char* b) { return a.compare(b) != 0; }
  friend bool operator<(const ZoString& a, const ZoString& b) { return a.compare(b) < 0; }
  friend bool operator<(const ZoString& a, const char* b) { return a.compare(b) < 0; }
  friend bool operator>(const ZoString& a, const ZoString& b) { return a.compare(b) > 0; }
  friend bool operator>(const ZoString& a, const char* b) { return a.compare(b) > 0; }

  // Exchanges the texts of two strings without copying them.
  void swap(ZoString& other) noexcept { buffer_.swap(other.buffer_); }

  // Number of characters before the terminator.
  ZO_LONG length() const;
  // Read-only zero-terminated view; valid until the string is next changed.
  const char* text() const { return buffer_.get(); }

  // Keeps the first `position` characters when 0 <= position < length;
  // otherwise nothing changes.
  void truncate(ZO_LONG position);
  // Removes leading and trailing blanks (0x20 only). A string of blanks only
  // stays as it is.
  void trim();
  // Splits at the first `separator`: this string keeps the text before it and
  // `rest` receives the text after it. Without the separator `rest` becomes
  // empty and this string is unchanged. `rest` may be this string itself.
  void split(char separator, ZoString& rest);
  // TRUE if `c` occurs in the text (the terminator never does).
  ZO_BOOLEAN contains(char c) const;
  // Extends a shorter text to exactly `length` characters with `fill`. A zero
  // fill cannot be part of a text and leaves the string unchanged.
  void pad(ZO_LONG length, char fill);
  // Keeps digits, drops blanks and allows one leading minus sign; any other
  // character makes it return FALSE and leave the string unchanged.
  ZO_BOOLEAN makeNumeric();

  // Character-class checks; an empty string passes every one. On failure they
  // write three trace lines (position, a note, a dump) and return FALSE; they
  // set no code.
  ZO_BOOLEAN isNum() const;            // digits only
  ZO_BOOLEAN isAlNum() const;          // letters, digits, underscore
  ZO_BOOLEAN isAlNumPad() const;       // as isAlNum, then trailing blanks only
  ZO_BOOLEAN isAllowedCharSet() const; // as isAlNumPad, specials allowed too

 private:
  // Replaces the text with `count` bytes at `text` (which may lie inside the
  // present buffer), keeping the capacity invariant.
  void assign(const char* text, std::size_t count);
  void append(const char* text, std::size_t count);
  std::size_t size() const;

  std::unique_ptr<char[]> buffer_;
};

// The joins, declared again here for the export mark (a friend declaration
// carries none).
VEXO_API ZoString operator+(const ZoString& a, const ZoString& b);
VEXO_API ZoString operator+(const ZoString& a, const char* b);
VEXO_API ZoString operator+(const char* a, const ZoString& b);

// Growable list of strings; strings are only ever added.
// Threads: a value without shared state or lock: different objects may be
// used in different threads at once, one object by one thread at a time
// unless the caller locks it.
class VEXO_API ZoStringArray {
 public:
  static constexpr ZO_LONG DEFAULT_CAPACITY = 40;
  static constexpr ZO_LONG DEFAULT_GROWTH = 20;

  ZoStringArray();
  // A negative capacity is taken as 0, a growth below 1 as 1, so that add
  // always finds room.
  ZoStringArray(ZO_LONG capacity, ZO_LONG growth);
  ZoStringArray(const ZoStringArray& other);
  ~ZoStringArray();

  // Takes the other array's growth and capacity and copies its strings.
  // Self-assignment does nothing.
  ZoStringArray& operator=(const ZoStringArray& other);

  // Appends a copy of `s`, growing the storage by `growth` slots when full.
  void add(const ZoString& s);
  void add(const char* s);
  // Copy of the string at `index`; an index outside 0..count-1 gives "".
  ZoString get(ZO_LONG index) const;

  ZO_LONG count() const { return count_; }
  ZO_LONG capacity() const { return capacity_; }
  ZO_LONG growth() const { return growth_; }
  // Number of slots still free before the next growth.
  ZO_LONG freeSlots() const { return free_; }

 private:
  void allocate(const char* traceLine);
  void grow();

  ZO_LONG growth_;
  ZO_LONG capacity_;
  ZO_LONG count_;
  ZO_LONG free_;
  // The strings added so far (size == count_). The logical capacity above is
  // what callers see; the storage behind it grows geometrically so that a
  // long run of adds costs amortised constant time.
  std::vector<ZoString> slots_;
};

// Counted byte string; the bytes may contain zeros. The buffer always holds one
// extra zero byte after the data, not counted in length.
//
// Operations given a null pointer with a non-zero count or a negative count,
// or whose result would exceed the largest ZO_LONG, change nothing and return
// FALSE (constructors yield an empty value instead).
// Threads: a value without shared state or lock: different objects may be
// used in different threads at once, one object by one thread at a time
// unless the caller locks it.
class VEXO_API ZoBinary {
 public:
  ZoBinary();
  ZoBinary(const void* bytes, ZO_LONG count);
  explicit ZoBinary(ZO_BYTE value);
  explicit ZoBinary(ZO_SHORT value);  // two bytes, native order
  explicit ZoBinary(ZO_LONG value);   // four bytes, native order
  explicit ZoBinary(const ZoString& s);
  ZoBinary(const ZoBinary& other);
  ~ZoBinary() = default;

  ZoBinary& operator=(const ZoBinary& other);

  void clear();
  ZO_BOOLEAN set(const void* bytes, ZO_LONG count);
  void set(ZO_BYTE value);
  void set(ZO_SHORT value);
  void set(ZO_LONG value);

  // TRUE when the lengths are the same and every byte is the same. A character
  // array's length is its length before the terminator; a null one is empty.
  ZO_BOOLEAN compare(const ZoBinary& other) const;
  ZO_BOOLEAN compare(const char* text) const;
  ZO_BOOLEAN compare(const void* bytes, ZO_LONG count) const;
  friend bool operator==(const ZoBinary& a, const ZoBinary& b) { return a.compare(b) == ZO_TRUE; }
  friend bool operator!=(const ZoBinary& a, const ZoBinary& b) { return a.compare(b) != ZO_TRUE; }

  // Extends a shorter value to exactly `count` bytes of `fill`.
  ZO_BOOLEAN pad(ZO_LONG count, ZO_BYTE fill);

  ZO_BOOLEAN append(ZO_BYTE value);
  ZO_BOOLEAN append(ZO_SHORT value);
  ZO_BOOLEAN append(ZO_LONG value);
  ZO_BOOLEAN append(const void* bytes, ZO_LONG count);
  ZO_BOOLEAN append(const ZoBinary& other);
  ZoBinary& operator+=(const ZoBinary& other);

  ZO_LONG length() const { return length_; }
  // The bytes, followed by one zero byte; valid until the value next changes.
  const ZO_BYTE* data() const { return data_.get(); }

 private:
  ZO_LONG length_;
  std::unique_ptr<ZO_BYTE[]> data_;
};
