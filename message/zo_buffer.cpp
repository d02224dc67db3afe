// ZoBuffer: aligned packing and unpacking of values in a growable byte block.
#include "message/zo_buffer.h"

#include <cstring>
#include <functional>
#include <limits>
#include <new>

#include "common/outcome.h"
#include "common/return_codes.h"
#include "common/trace.h"

namespace {

// The largest storage the buffer can describe with a ZO_LONG capacity.
constexpr std::int64_t kMaxCapacity =
    (static_cast<std::int64_t>(std::numeric_limits<ZO_LONG>::max()) / ZoBuffer::kBlockSize) *
    ZoBuffer::kBlockSize;


}  // namespace

ZoBuffer::ZoBuffer() {
  XTR_METHOD("ZoBuffer :: ZoBuffer", errorCode_);
  storage_.reset(static_cast<ZO_BYTE*>(std::calloc(kBlockSize, 1)));
  if (!storage_) {
    XTR_TEXT("Error: buffer allocation failed!");
    errorCode_ = ERR_BUFF_NO_MEMORY;
    capacity_ = 0;
    return;
  }
  capacity_ = kBlockSize;
  XTR_TEXTF("%p buffer allocated (%ld bytes)", static_cast<const void*>(storage_.get()),
            static_cast<long>(capacity_));
}

ZoBuffer::~ZoBuffer() {
  XTR_METHOD("ZoBuffer :: ~ZoBuffer", errorCode_);
  if (storage_) {
    XTR_TEXTF("%p buffer deleted", static_cast<const void*>(storage_.get()));
    storage_.reset();
  } else {
    XTR_TEXT("Warning: attempt to delete NULL buffer");
  }
}

void ZoBuffer::clear() {
  XTR_METHOD("ZoBuffer :: clear", errorCode_);
  errorCode_ = 0;
  if (storage_) std::memset(storage_.get(), 0, static_cast<std::size_t>(capacity_));
  position_ = 0;
  dataLength_ = 0;
}

ZO_BOOLEAN ZoBuffer::setPos(ZO_LONG offset) {
  XTR_METHOD("ZoBuffer :: setPos", errorCode_);
  errorCode_ = 0;
  if (offset == position_) {
    XTR_TEXT("already set to requested position (position unchanged)");
    return TRUE;
  }
  if (offset < 0 || offset >= capacity_) {
    XTR_TEXT("Error: request is outside of buffer bounds (position unchanged)!");
    return zoSetOutcome(errorCode_, ERR_BUFF_BOUNDS_ERROR);
  }
  position_ = offset;
  return TRUE;
}

ZO_LONG ZoBuffer::paddingAt(std::int64_t offset, ZO_LONG alignment) {
  if (alignment == 0) return -1;
  const std::int64_t remainder = offset % alignment;  // sign of the offset
  if (remainder == 0) return 0;
  switch (alignment) {
    case 1:
      return 0;
    case 2:
    case 4:
    case 8:
      // A negative remainder gives more than the option, landing on the next
      // aligned offset above the position.
      return static_cast<ZO_LONG>(alignment - remainder);
    default:
      return -1;
  }
}

ZO_LONG ZoBuffer::padding(ZO_LONG alignment) {
  errorCode_ = 0;
  // The reference may lie beyond the position, so the offset may be negative;
  // 64-bit arithmetic keeps any pair of 32-bit offsets exact.
  const std::int64_t offset =
      static_cast<std::int64_t>(position_) - static_cast<std::int64_t>(alignmentReference_);
  const ZO_LONG pad = paddingAt(offset, alignment);
  if (pad >= 0) return pad;
  if (alignment != 0)
    XTR_TEXTF("Invalid alignment option = %ld specified", static_cast<long>(alignment));
  errorCode_ = ERR_BUFF_INVALID_ALIGNMENT;
  return 0;
}

ZO_LONG ZoBuffer::wouldOccupy(ZO_LONG length, ZO_LONG alignment) {
  XTR_METHOD("ZoBuffer :: wouldOccupy", errorCode_);
  const ZO_LONG pad = padding(alignment);
  const std::int64_t total = static_cast<std::int64_t>(length) + pad;
  return total > std::numeric_limits<ZO_LONG>::max() ? std::numeric_limits<ZO_LONG>::max()
                                                     : static_cast<ZO_LONG>(total);
}

ZO_BOOLEAN ZoBuffer::extendBuffer(ZO_LONG sizeNeeded) {
  XTR_METHOD("ZoBuffer :: extendBuffer", errorCode_);
  XTR_TEXTF("extending buffer from %d to %d bytes", static_cast<int>(capacity_),
            static_cast<int>(sizeNeeded));
  errorCode_ = 0;
  const std::int64_t newSize =
      (static_cast<std::int64_t>(sizeNeeded) / kBlockSize) * kBlockSize + kBlockSize;
  if (capacity_ >= newSize) {
    XTR_TEXT("request not greater than current size (buffer unchanged)");
    return TRUE;
  }
  XTR_TEXTF("allocating actual block size of %ld bytes", static_cast<long>(newSize));
  // realloc keeps the old contents (and leaves the old block in place when it
  // fails); the part beyond the old capacity is zero-filled here.
  void* grown = newSize > kMaxCapacity
                    ? nullptr
                    : std::realloc(storage_.get(), static_cast<std::size_t>(newSize));
  if (!grown) {
    XTR_TEXT("Error: not enough memory to extend buffer!");
    return zoSetOutcome(errorCode_, ERR_BUFF_NO_MEMORY);
  }
  (void)storage_.release();
  storage_.reset(static_cast<ZO_BYTE*>(grown));
  std::memset(storage_.get() + capacity_, 0, static_cast<std::size_t>(newSize - capacity_));
  capacity_ = static_cast<ZO_LONG>(newSize);
  return TRUE;
}

ZO_BOOLEAN ZoBuffer::setDataLength(ZO_LONG length) {
  XTR_METHOD("ZoBuffer :: setDataLength", errorCode_);
  errorCode_ = 0;
  XTR_TEXTF("change data length from %ld to %ld bytes", static_cast<long>(dataLength_),
            static_cast<long>(length));
  if (length < 0 || length > capacity_) {
    XTR_TEXT("Error: request is outside of buffer bounds (position unchanged)!");
    return zoSetOutcome(errorCode_, ERR_BUFF_BOUNDS_ERROR);
  }
  dataLength_ = length;
  return TRUE;
}

void ZoBuffer::setAlignmentReference() {
  XTR_METHOD("ZoBuffer :: setAlignmentReference( void )", errorCode_);
  errorCode_ = 0;
  alignmentReference_ = position_;
}

void ZoBuffer::setAlignmentReference(ZO_LONG offset) {
  XTR_METHOD("ZoBuffer :: setAlignmentReference( ZO_LONG )", errorCode_);
  errorCode_ = 0;
  alignmentReference_ = offset;
}

// ---------------------------------------------------------------------------
// Adds

namespace {

// The body of a short form of an add or read: traced under its own name, it
// calls the full form with alignment 1 when none is given and a count of the
// bytes occupied that it drops.
template <typename Call>
auto forwarded(const char* name, const ZO_ULONG& code, Call call) {
  XtrMethod trace(name, code);
  ZO_LONG occupied = 0;
  return call(&occupied);
}

// The end of an add of `size` bytes after `pad` bytes of padding, in 64 bits
// so that no length the caller passes can wrap it.
std::int64_t endOfAdd(ZO_LONG position, ZO_LONG pad, ZO_LONG size) {
  return static_cast<std::int64_t>(position) + pad + size;
}

}  // namespace

ZO_BOOLEAN ZoBuffer::addBytes(const void* bytes, ZO_LONG size, ZO_LONG alignment, ZO_LONG* occupied,
                              const char* traceLine, long shown) {
  errorCode_ = 0;
  if (occupied) *occupied = 0;
  const ZO_LONG pad = padding(alignment);
  if (errorCode_ != 0) return FALSE;
  const std::int64_t needed = endOfAdd(position_, pad, size);
  XTR_TEXTF(traceLine, shown, static_cast<long>(alignment), static_cast<long>(needed));
  // Bytes taken from this buffer's own storage are found again by their
  // offset after growth moves the storage.
  const auto* source = static_cast<const ZO_BYTE*>(bytes);
  const ZO_BYTE* base = storage_.get();
  const std::less<const ZO_BYTE*> before;
  const bool inside = size > 0 && base != nullptr && !before(source, base) &&
                      before(source, base + capacity_);
  const std::ptrdiff_t sourceOffset = inside ? source - base : 0;
  if (capacity_ < needed) {
    // A size the capacity cannot describe is as unobtainable as memory that
    // is not there.
    if (needed > kMaxCapacity || !extendBuffer(static_cast<ZO_LONG>(needed))) {
      return zoSetOutcome(errorCode_, ERR_BUFF_NO_MEMORY);
    }
  }
  if (inside) source = storage_.get() + sourceOffset;
  position_ += pad;
  // The ranges overlap when a buffer's own bytes are added again.
  if (size > 0) std::memmove(storage_.get() + position_, source, static_cast<std::size_t>(size));
  position_ += size;
  if (occupied) *occupied = pad + size;
  if (dataLength_ < needed) dataLength_ = static_cast<ZO_LONG>(needed);
  return TRUE;
}

ZO_BOOLEAN ZoBuffer::add(const ZO_BYTE* bytes, ZO_LONG length) {
  return forwarded("ZoBuffer :: add (ZO_BYTE *, ZO_LONG)", errorCode_,
                   [&](ZO_LONG* occupied) { return add(bytes, length, 1, occupied); });
}

ZO_BOOLEAN ZoBuffer::add(const ZO_BYTE* bytes, ZO_LONG length, ZO_LONG alignment) {
  return forwarded("ZoBuffer :: add (ZO_BYTE *, ZO_LONG, ZO_LONG)", errorCode_,
                   [&](ZO_LONG* occupied) { return add(bytes, length, alignment, occupied); });
}

ZO_BOOLEAN ZoBuffer::add(const ZO_BYTE* bytes, ZO_LONG length, ZO_LONG alignment, ZO_LONG* occupied) {
  XTR_METHOD("ZoBuffer :: add (ZO_BYTE *, ZO_LONG, ZO_LONG, ZO_LONG *)", errorCode_);
  errorCode_ = 0;
  if (occupied) *occupied = 0;
  if (length < 0 || (length > 0 && bytes == nullptr)) {
    XTR_TEXTF("Error: invalid data (address %p, length %ld)!", static_cast<const void*>(bytes),
              static_cast<long>(length));
    return zoSetOutcome(errorCode_, ERR_BUFF_BOUNDS_ERROR);
  }
  return addBytes(bytes, length, alignment, occupied,
                  "Data length: %ld; Alignment: %ld; Buffer needed: %ld",
                  static_cast<long>(length));
}

ZO_BOOLEAN ZoBuffer::add(ZO_LONG value) {
  return forwarded("ZoBuffer :: add (ZO_LONG)", errorCode_,
                   [&](ZO_LONG* occupied) { return add(value, 1, occupied); });
}

ZO_BOOLEAN ZoBuffer::add(ZO_LONG value, ZO_LONG alignment) {
  return forwarded("ZoBuffer :: add (ZO_LONG, ZO_LONG)", errorCode_,
                   [&](ZO_LONG* occupied) { return add(value, alignment, occupied); });
}

ZO_BOOLEAN ZoBuffer::add(ZO_LONG value, ZO_LONG alignment, ZO_LONG* occupied) {
  XTR_METHOD("ZoBuffer :: add (ZO_LONG, ZO_LONG, ZO_LONG *)", errorCode_);
  return addBytes(&value, sizeof value, alignment, occupied,
                  "Value: %ld; Alignment: %ld; Buffer needed: %ld",
                  static_cast<long>(value));
}

ZO_BOOLEAN ZoBuffer::add(ZO_SHORT value) {
  return forwarded("ZoBuffer :: add (ZO_SHORT)", errorCode_,
                   [&](ZO_LONG* occupied) { return add(value, 1, occupied); });
}

ZO_BOOLEAN ZoBuffer::add(ZO_SHORT value, ZO_LONG alignment) {
  return forwarded("ZoBuffer :: add (ZO_SHORT, ZO_LONG)", errorCode_,
                   [&](ZO_LONG* occupied) { return add(value, alignment, occupied); });
}

ZO_BOOLEAN ZoBuffer::add(ZO_SHORT value, ZO_LONG alignment, ZO_LONG* occupied) {
  XTR_METHOD("ZoBuffer :: add (ZO_SHORT, ZO_LONG)", errorCode_);
  return addBytes(&value, sizeof value, alignment, occupied,
                  "Value: %ld; Alignment: %ld; Buffer needed: %ld",
                  static_cast<long>(value));
}

ZO_BOOLEAN ZoBuffer::add(ZO_BYTE value) {
  return forwarded("ZoBuffer :: add (byte)", errorCode_,
                   [&](ZO_LONG* occupied) { return add(value, 1, occupied); });
}

ZO_BOOLEAN ZoBuffer::add(ZO_BYTE value, ZO_LONG alignment) {
  return forwarded("ZoBuffer :: add (ZO_BYTE, ZO_LONG)", errorCode_,
                   [&](ZO_LONG* occupied) { return add(value, alignment, occupied); });
}

ZO_BOOLEAN ZoBuffer::add(ZO_BYTE value, ZO_LONG alignment, ZO_LONG* occupied) {
  XTR_METHOD("ZoBuffer :: add (ZO_BYTE, ZO_LONG)", errorCode_);
  // A byte shows in hexadecimal; the value is not negative, so %lx prints it as is.
  return addBytes(&value, sizeof value, alignment, occupied,
                  "Value: 0x%lx; Alignment: %ld; Buffer needed: %ld",
                  static_cast<long>(value));
}

// ---------------------------------------------------------------------------
// Reads

ZO_BOOLEAN ZoBuffer::readBytes(void* out, ZO_LONG size, ZO_LONG alignment, ZO_LONG* occupied) {
  errorCode_ = 0;
  if (occupied) *occupied = 0;
  const ZO_LONG pad = padding(alignment);
  if (errorCode_ != 0) return FALSE;
  if (endOfAdd(position_, pad, size) > dataLength_) {
    XTR_TEXT("Error: attempt to read past end of data!");
    errorCode_ = ERR_BUFF_BOUNDS_ERROR;
    std::memset(out, 0, static_cast<std::size_t>(size));
    return FALSE;
  }
  std::memcpy(out, storage_.get() + position_ + pad, static_cast<std::size_t>(size));
  position_ += pad + size;
  if (occupied) *occupied = pad + size;
  return TRUE;
}

ZO_LONG ZoBuffer::readLong() {
  return forwarded("ZoBuffer :: readLong", errorCode_,
                   [&](ZO_LONG* occupied) { return readLong(1, occupied); });
}

ZO_LONG ZoBuffer::readLong(ZO_LONG alignment) {
  return forwarded("ZoBuffer :: readLong(ZO_LONG)", errorCode_,
                   [&](ZO_LONG* occupied) { return readLong(alignment, occupied); });
}

ZO_LONG ZoBuffer::readLong(ZO_LONG alignment, ZO_LONG* occupied) {
  XTR_METHOD("ZoBuffer :: readLong(ZO_LONG, ZO_LONG *)", errorCode_);
  ZO_LONG value = 0;
  if (readBytes(&value, sizeof value, alignment, occupied) || errorCode_ == ERR_BUFF_BOUNDS_ERROR)
    lastLong_ = value;
  XTR_TEXTF("Field length: %ld; Alignment: %ld; Value: %ld", static_cast<long>(sizeof value),
            static_cast<long>(alignment), static_cast<long>(lastLong_));
  return errorCode_ == 0 ? lastLong_ : 0;
}

ZO_SHORT ZoBuffer::readShort() {
  return forwarded("ZoBuffer :: readShort", errorCode_,
                   [&](ZO_LONG* occupied) { return readShort(1, occupied); });
}

ZO_SHORT ZoBuffer::readShort(ZO_LONG alignment) {
  return forwarded("ZoBuffer :: readShort(ZO_LONG)", errorCode_,
                   [&](ZO_LONG* occupied) { return readShort(alignment, occupied); });
}

ZO_SHORT ZoBuffer::readShort(ZO_LONG alignment, ZO_LONG* occupied) {
  XTR_METHOD("ZoBuffer :: readShort(ZO_LONG, ZO_LONG *)", errorCode_);
  ZO_SHORT value = 0;
  if (readBytes(&value, sizeof value, alignment, occupied) || errorCode_ == ERR_BUFF_BOUNDS_ERROR)
    lastShort_ = value;
  XTR_TEXTF("Field length: %ld; Alignment: %ld; Value: %d", static_cast<long>(sizeof value),
            static_cast<long>(alignment), static_cast<int>(lastShort_));
  return errorCode_ == 0 ? lastShort_ : static_cast<ZO_SHORT>(0);
}

ZO_BYTE ZoBuffer::readByte() {
  return forwarded("ZoBuffer :: readByte", errorCode_,
                   [&](ZO_LONG* occupied) { return readByte(1, occupied); });
}

ZO_BYTE ZoBuffer::readByte(ZO_LONG alignment) {
  return forwarded("ZoBuffer :: readByte(ZO_LONG)", errorCode_,
                   [&](ZO_LONG* occupied) { return readByte(alignment, occupied); });
}

ZO_BYTE ZoBuffer::readByte(ZO_LONG alignment, ZO_LONG* occupied) {
  XTR_METHOD("ZoBuffer :: readByte(ZO_LONG)", errorCode_);
  ZO_BYTE value = 0;
  if (readBytes(&value, sizeof value, alignment, occupied) || errorCode_ == ERR_BUFF_BOUNDS_ERROR)
    lastByte_ = value;
  XTR_TEXTF("Field length: %ld; Alignment: %ld; Value: 0x%x", static_cast<long>(sizeof value),
            static_cast<long>(alignment), static_cast<unsigned>(lastByte_));
  return errorCode_ == 0 ? lastByte_ : static_cast<ZO_BYTE>(0);
}

ZoString ZoBuffer::readString(ZO_LONG length) {
  return forwarded("ZoBuffer :: readString(ZO_LONG)", errorCode_,
                   [&](ZO_LONG* occupied) { return readString(length, 1, occupied); });
}

ZoString ZoBuffer::readString(ZO_LONG length, ZO_LONG alignment) {
  return forwarded("ZoBuffer :: readString(ZO_LONG, ZO_LONG)", errorCode_,
                   [&](ZO_LONG* occupied) { return readString(length, alignment, occupied); });
}

ZoString ZoBuffer::readString(ZO_LONG length, ZO_LONG alignment, ZO_LONG* occupied) {
  XTR_METHOD("ZoBuffer :: readString(ZO_LONG, ZO_LONG, ZO_LONG *)", errorCode_);
  errorCode_ = 0;
  if (occupied) *occupied = 0;
  const ZO_LONG pad = padding(alignment);
  if (errorCode_ != 0) return lastString_;
  XTR_TEXTF("Field length: %ld; Alignment: %ld", static_cast<long>(length),
            static_cast<long>(alignment));

  const std::int64_t start = static_cast<std::int64_t>(position_) + pad;
  std::int64_t count = length;
  if (length < 0) {
    // A negative length asks for nothing that exists.
    XTR_TEXTF("Error: invalid length %ld requested!", static_cast<long>(length));
    errorCode_ = ERR_BUFF_BOUNDS_ERROR;
    count = 0;
  } else if (start + length > dataLength_) {
    count = start < dataLength_ ? dataLength_ - start : 0;
    XTR_TEXTF("Error: attempt to read past end of data (%d bytes requested, returning %ld)!",
              static_cast<int>(length), static_cast<long>(count));
    errorCode_ = ERR_BUFF_BOUNDS_ERROR;
  }

  std::unique_ptr<char[]> text(new (std::nothrow) char[static_cast<std::size_t>(count) + 1]);
  if (!text) {
    XTR_TEXT("Error: failed to allocate temporary string buffer!");
    errorCode_ = ERR_BUFF_NO_MEMORY;
    return lastString_;
  }
  if (count > 0) std::memcpy(text.get(), storage_.get() + start, static_cast<std::size_t>(count));
  text[static_cast<std::size_t>(count)] = '\0';
  lastString_ = text.get();
  // A start beyond the data (or a negative length) leaves the position where
  // it was, so the position never passes the end of the storage.
  if (length >= 0 && start <= dataLength_) {
    position_ = static_cast<ZO_LONG>(start + count);
    if (occupied) *occupied = static_cast<ZO_LONG>(pad + count);
  }
  return lastString_;
}
