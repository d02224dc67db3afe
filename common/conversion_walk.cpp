// The conversion walks over buffers and in-memory tables.
#include "common/conversion_walk.h"

#include "common/conversion_files.h"

namespace {

constexpr ZO_BYTE kHostNewLine = 0x15;
constexpr ZO_BYTE kHostLineFeed = 0x25;

class Converter {
 public:
  Converter(const XcsWalkPlan& plan, const ZO_BYTE* source, std::size_t sourceLength, ZO_BYTE* target,
            std::size_t capacity)
      : src_(source), n_(sourceLength), out_(target), cap_(capacity), single_(plan.tables.single),
        double_(plan.tables.dbl), method_(plan.method), leadByteSet_(plan.leadByteSet) {}

  std::size_t written() const { return o_; }

  ZO_LONG singles() {
    while (i_ < n_) {
      if (o_ >= cap_) return XCS_RC_PAIR_PAST_TARGET;
      putSingle(src_[i_++]);
    }
    return 0;
  }

  // Source with shift-out / shift-in codes (methods 1 and 4).
  ZO_LONG shiftWalk() {
    const bool keepShifts = method_ == XCS_METHOD_SHIFT_TO_SHIFT;
    while (i_ < n_) {
      ZO_BYTE b = src_[i_];
      if (b != XCS_SHIFT_OUT || (i_ + 1 < n_ && src_[i_ + 1] == XCS_SHIFT_IN)) {
        if (o_ >= cap_) return XCS_RC_PAIR_PAST_TARGET;
        putSingle(b);
        ++i_;
        continue;
      }
      if (keepShifts) {
        if (o_ >= cap_) return XCS_RC_PAIR_PAST_TARGET;
        out_[o_++] = XCS_SHIFT_OUT;
      }
      ++i_;
      for (;;) {
        if (i_ >= n_) return XCS_RC_PAIR_PAST_SOURCE;  // run not closed
        if (src_[i_] == XCS_SHIFT_IN) break;
        // A pair needs two bytes before the shift-in; half a pair is refused.
        if (i_ + 1 >= n_ || src_[i_ + 1] == XCS_SHIFT_IN) return XCS_RC_PAIR_PAST_SOURCE;
        if (cap_ - o_ < 2) return XCS_RC_PAIR_PAST_TARGET;
        putPair(src_[i_], src_[i_ + 1]);
        i_ += 2;
      }
      if (keepShifts) {
        if (o_ >= cap_) return XCS_RC_PAIR_PAST_TARGET;
        out_[o_++] = XCS_SHIFT_IN;
      }
      ++i_;
    }
    return 0;
  }

  // Source whose double-byte characters start with a lead byte (methods 2 and 3).
  ZO_LONG leadByteWalk() {
    const bool writeShifts = method_ != XCS_METHOD_LEAD_TO_LEAD;
    const ZO_LONG leadByteSet = leadByteSet_;
    // Room for a pair plus the shift-in still to come.
    const std::size_t pairRoom = writeShifts ? 3 : 2;
    while (i_ < n_) {
      ZO_BYTE b = src_[i_];
      if (!xcsLeadByte(leadByteSet, b)) {
        if (o_ >= cap_) return XCS_RC_NO_ROOM_FOR_RUN;
        putSingle(b);
        ++i_;
        continue;
      }
      if (i_ + 1 >= n_) return XCS_RC_NO_SOURCE_LEFT;  // lead byte without its trail byte
      if (cap_ - o_ < pairRoom + (writeShifts ? 1 : 0)) return XCS_RC_NO_ROOM_FOR_RUN;
      if (writeShifts) out_[o_++] = XCS_SHIFT_OUT;
      do {
        putPair(src_[i_], src_[i_ + 1]);
        i_ += 2;
      } while (i_ + 1 < n_ && xcsLeadByte(leadByteSet, src_[i_]) && cap_ - o_ >= pairRoom);
      if (writeShifts) out_[o_++] = XCS_SHIFT_IN;
    }
    return 0;
  }

 private:
  void putSingle(ZO_BYTE b) {
    if (single_) {
      if (method_ == XCS_METHOD_SHIFT_TO_MIXED && b == kHostNewLine) b = kHostLineFeed;
      b = single_[b];
    }
    out_[o_++] = b;
  }

  void putPair(ZO_BYTE lead, ZO_BYTE trail) {
    if (double_) {
      std::size_t at = double_[lead] * XCS_DOUBLE_ROW_SIZE + trail * 2u;
      out_[o_++] = double_[at];
      out_[o_++] = double_[at + 1];
    } else {
      out_[o_++] = lead;
      out_[o_++] = trail;
    }
  }

  const ZO_BYTE* src_;
  std::size_t n_;
  ZO_BYTE* out_;
  std::size_t cap_;
  const ZO_BYTE* single_;
  const ZO_BYTE* double_;
  ZO_LONG method_;
  ZO_LONG leadByteSet_;  // lead bytes of the source (lead-byte walk)
  std::size_t i_ = 0;
  std::size_t o_ = 0;
};

}  // namespace

XcsWalkResult xcsWalk(const XcsWalkPlan& plan, const ZO_BYTE* source, std::size_t sourceLength, ZO_BYTE* target,
                      std::size_t capacity) {
  Converter converter(plan, source, sourceLength, target, capacity);
  XcsWalkResult result;
  if (plan.walk == XCS_WALK_SHIFT)
    result.code = converter.shiftWalk();
  else if (plan.walk == XCS_WALK_LEAD)
    result.code = converter.leadByteWalk();
  else
    result.code = converter.singles();
  result.written = converter.written();
  return result;
}

ZO_LONG xcsWalkFor(ZO_LONG method, bool doubleByteData) {
  if (!doubleByteData) return XCS_WALK_BYTES;
  if (method == XCS_METHOD_SHIFT_TO_MIXED || method == XCS_METHOD_SHIFT_TO_SHIFT) return XCS_WALK_SHIFT;
  return XCS_WALK_LEAD;
}

ZO_LONG xcsMethodFor(ZO_LONG sourceType, ZO_LONG targetType) {
  auto pc = [](ZO_LONG type) { return type == 2 || type == 3; };
  if (pc(targetType) && sourceType == 1) return XCS_METHOD_SHIFT_TO_MIXED;
  if (pc(targetType) && pc(sourceType)) return XCS_METHOD_LEAD_TO_LEAD;
  if (targetType == 1 && pc(sourceType)) return XCS_METHOD_LEAD_TO_SHIFT;
  if (targetType == 1 && sourceType == 1) return XCS_METHOD_SHIFT_TO_SHIFT;
  return 0;
}

// The lead-byte ranges of double-byte data without shift codes.
bool xcsLeadByte(ZO_LONG leadByteSet, ZO_BYTE b) {
  switch (leadByteSet) {
    case 2: return b >= 0x8F && b <= 0xFE;
    case 3: return b >= 0x81 && b <= 0xFC;
    case 5: return b >= 0x81 && b <= 0xFE;
    case 6: return b >= 0x8C && b <= 0xFE;
    default: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFE);
  }
}

namespace {

// The code point starting at source[i] of well-formed UTF-8; advances i.
char32_t nextCodePoint(const ZO_BYTE* s, std::size_t length, std::size_t& i) {
  const ZO_BYTE b = s[i++];
  if (b < 0x80) return b;
  const std::size_t more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
  char32_t c = b & (0x3F >> more);
  for (std::size_t k = 0; k < more && i < length; ++k) c = (c << 6) | (s[i++] & 0x3F);
  return c;
}

void appendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

bool xcsUtf8ToPage(const XcsUnicodeWalk& walk, const ZO_BYTE* source, std::size_t length, std::vector<ZO_BYTE>& out,
                   std::size_t& failedAt) {
  std::size_t i = 0;
  while (i < length) {
    const std::size_t at = i;
    const char32_t c = nextCodePoint(source, length, i);
    char16_t code = XCS_UNICODE_NONE;
    if (c < XCS_UNICODE_NONE && walk.single != nullptr) code = walk.single->fromUnicode[c];
    if (code != XCS_UNICODE_NONE) {
      out.push_back(static_cast<ZO_BYTE>(code));
      continue;
    }
    if (c < XCS_UNICODE_NONE && walk.dbl != nullptr) code = walk.dbl->fromUnicode[c];
    if (code == XCS_UNICODE_NONE || code < 0x100) {
      failedAt = at;
      return false;
    }
    out.push_back(static_cast<ZO_BYTE>(code >> 8));
    out.push_back(static_cast<ZO_BYTE>(code & 0xFF));
  }
  return true;
}

bool xcsPageToUtf8(const XcsUnicodeWalk& walk, const ZO_BYTE* source, std::size_t length, std::string& out,
                   std::size_t& failedAt) {
  std::size_t i = 0;
  while (i < length) {
    const XcsUnicodePage* page = walk.single;
    std::size_t code = source[i];
    std::size_t width = 1;
    if (walk.dbl != nullptr && xcsLeadByte(walk.leadByteSet, source[i])) {
      page = walk.dbl;
      width = 2;
      code = i + 1 < length ? code * 256 + source[i + 1] : XCS_UNICODE_ENTRIES;
    }
    const char16_t c = page != nullptr && code < page->toUnicode.size() ? page->toUnicode[code] : XCS_UNICODE_NONE;
    // A character both code pages hold is written single-byte: its pair
    // would not come back.
    if (c == XCS_UNICODE_NONE || page->fromUnicode[c] != code ||
        (width == 2 && walk.single != nullptr && walk.single->fromUnicode[c] != XCS_UNICODE_NONE)) {
      failedAt = i;
      return false;
    }
    appendUtf8(c, out);
    i += width;
  }
  return true;
}
