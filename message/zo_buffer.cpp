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
  XTR_METHOD("ZoBuffer :: ZoBuffer", m_rc);
  m_storage.reset(static_cast<ZO_BYTE*>(std::calloc(kBlockSize, 1)));
  if (!m_storage) {
    XTR_TEXT("Error: buffer allocation failed!");
    m_rc = ERR_BUFF_NO_MEMORY;
    m_capacity = 0;
    return;
  }
  m_capacity = kBlockSize;
  XTR_TEXTF("%p buffer allocated (%ld bytes)", static_cast<const void*>(m_storage.get()),
            static_cast<long>(m_capacity));
}

ZoBuffer::~ZoBuffer() {
  XTR_METHOD("ZoBuffer :: ~ZoBuffer", m_rc);
  if (m_storage) {
    XTR_TEXTF("%p buffer deleted", static_cast<const void*>(m_storage.get()));
    m_storage.reset();
  } else {
    XTR_TEXT("Warning: attempt to delete NULL buffer");
  }
}

void ZoBuffer::clear() {
  XTR_METHOD("ZoBuffer :: clear", m_rc);
  m_rc = 0;
  if (m_storage) std::memset(m_storage.get(), 0, static_cast<std::size_t>(m_capacity));
  m_position = 0;
  m_dataLength = 0;
}

ZO_BOOLEAN ZoBuffer::setPos(ZO_LONG offset) {
  XTR_METHOD("ZoBuffer :: setPos", m_rc);
  m_rc = 0;
  if (offset == m_position) {
    XTR_TEXT("already set to requested position (position unchanged)");
    return TRUE;
  }
  if (offset < 0 || offset >= m_capacity) {
    XTR_TEXT("Error: request is outside of buffer bounds (position unchanged)!");
    return zoSetOutcome(m_rc, ERR_BUFF_BOUNDS_ERROR);
  }
  m_position = offset;
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
  m_rc = 0;
  // The reference may lie beyond the position, so the offset may be negative;
  // 64-bit arithmetic keeps any pair of 32-bit offsets exact.
  const std::int64_t offset =
      static_cast<std::int64_t>(m_position) - static_cast<std::int64_t>(m_alignmentReference);
  const ZO_LONG pad = paddingAt(offset, alignment);
  if (pad >= 0) return pad;
  if (alignment != 0)
    XTR_TEXTF("Invalid alignment option = %ld specified", static_cast<long>(alignment));
  m_rc = ERR_BUFF_INVALID_ALIGNMENT;
  return 0;
}

ZO_LONG ZoBuffer::wouldOccupy(ZO_LONG length, ZO_LONG alignment) {
  XTR_METHOD("ZoBuffer :: wouldOccupy", m_rc);
  const ZO_LONG pad = padding(alignment);
  const std::int64_t total = static_cast<std::int64_t>(length) + pad;
  return total > std::numeric_limits<ZO_LONG>::max() ? std::numeric_limits<ZO_LONG>::max()
                                                     : static_cast<ZO_LONG>(total);
}

ZO_BOOLEAN ZoBuffer::extendBuffer(ZO_LONG sizeNeeded) {
  XTR_METHOD("ZoBuffer :: extendBuffer", m_rc);
  XTR_TEXTF("extending buffer from %d to %d bytes", static_cast<int>(m_capacity),
            static_cast<int>(sizeNeeded));
  m_rc = 0;
  const std::int64_t newSize =
      (static_cast<std::int64_t>(sizeNeeded) / kBlockSize) * kBlockSize + kBlockSize;
  if (m_capacity >= newSize) {
    XTR_TEXT("request not greater than current size (buffer unchanged)");
    return TRUE;
  }
  XTR_TEXTF("allocating actual block size of %ld bytes", static_cast<long>(newSize));
  // realloc keeps the old contents (and leaves the old block in place when it
  // fails); the part beyond the old capacity is zero-filled here.
  void* grown = newSize > kMaxCapacity
                    ? nullptr
                    : std::realloc(m_storage.get(), static_cast<std::size_t>(newSize));
  if (!grown) {
    XTR_TEXT("Error: not enough memory to extend buffer!");
    return zoSetOutcome(m_rc, ERR_BUFF_NO_MEMORY);
  }
  (void)m_storage.release();
  m_storage.reset(static_cast<ZO_BYTE*>(grown));
  std::memset(m_storage.get() + m_capacity, 0, static_cast<std::size_t>(newSize - m_capacity));
  m_capacity = static_cast<ZO_LONG>(newSize);
  return TRUE;
}

ZO_BOOLEAN ZoBuffer::setDataLength(ZO_LONG length) {
  XTR_METHOD("ZoBuffer :: setDataLength", m_rc);
  m_rc = 0;
  XTR_TEXTF("change data length from %ld to %ld bytes", static_cast<long>(m_dataLength),
            static_cast<long>(length));
  if (length < 0 || length > m_capacity) {
    XTR_TEXT("Error: request is outside of buffer bounds (position unchanged)!");
    return zoSetOutcome(m_rc, ERR_BUFF_BOUNDS_ERROR);
  }
  m_dataLength = length;
  return TRUE;
}

void ZoBuffer::setAlignmentReference() {
  XTR_METHOD("ZoBuffer :: setAlignmentReference( void )", m_rc);
  m_rc = 0;
  m_alignmentReference = m_position;
}

void ZoBuffer::setAlignmentReference(ZO_LONG offset) {
  XTR_METHOD("ZoBuffer :: setAlignmentReference( ZO_LONG )", m_rc);
  m_rc = 0;
  m_alignmentReference = offset;
}

// ---------------------------------------------------------------------------
// Adds

namespace {

// The end of an add of `size` bytes after `pad` bytes of padding, in 64 bits
// so that no length the caller passes can wrap it.
std::int64_t endOfAdd(ZO_LONG position, ZO_LONG pad, ZO_LONG size) {
  return static_cast<std::int64_t>(position) + pad + size;
}

}  // namespace

ZO_BOOLEAN ZoBuffer::addBytes(const void* bytes, ZO_LONG size, ZO_LONG pad, ZO_LONG* occupied) {
  const std::int64_t needed = endOfAdd(m_position, pad, size);
  // Bytes taken from this buffer's own storage are found again by their
  // offset after growth moves the storage.
  const auto* source = static_cast<const ZO_BYTE*>(bytes);
  const ZO_BYTE* base = m_storage.get();
  const std::less<const ZO_BYTE*> before;
  const bool inside = size > 0 && base != nullptr && !before(source, base) &&
                      before(source, base + m_capacity);
  const std::ptrdiff_t sourceOffset = inside ? source - base : 0;
  if (m_capacity < needed) {
    // A size the capacity cannot describe is as unobtainable as memory that
    // is not there.
    if (needed > kMaxCapacity || !extendBuffer(static_cast<ZO_LONG>(needed))) {
      return zoSetOutcome(m_rc, ERR_BUFF_NO_MEMORY);
    }
  }
  if (inside) source = m_storage.get() + sourceOffset;
  m_position += pad;
  // The ranges overlap when a buffer's own bytes are added again.
  if (size > 0) std::memmove(m_storage.get() + m_position, source, static_cast<std::size_t>(size));
  m_position += size;
  if (occupied) *occupied = pad + size;
  if (m_dataLength < needed) m_dataLength = static_cast<ZO_LONG>(needed);
  return TRUE;
}

ZO_BOOLEAN ZoBuffer::add(const ZO_BYTE* bytes, ZO_LONG length) {
  XTR_METHOD("ZoBuffer :: add (ZO_BYTE *, ZO_LONG)", m_rc);
  ZO_LONG occupied = 0;
  return add(bytes, length, 1, &occupied);
}

ZO_BOOLEAN ZoBuffer::add(const ZO_BYTE* bytes, ZO_LONG length, ZO_LONG alignment) {
  XTR_METHOD("ZoBuffer :: add (ZO_BYTE *, ZO_LONG, ZO_LONG)", m_rc);
  ZO_LONG occupied = 0;
  return add(bytes, length, alignment, &occupied);
}

ZO_BOOLEAN ZoBuffer::add(const ZO_BYTE* bytes, ZO_LONG length, ZO_LONG alignment, ZO_LONG* occupied) {
  XTR_METHOD("ZoBuffer :: add (ZO_BYTE *, ZO_LONG, ZO_LONG, ZO_LONG *)", m_rc);
  m_rc = 0;
  if (occupied) *occupied = 0;
  if (length < 0 || (length > 0 && bytes == nullptr)) {
    XTR_TEXTF("Error: invalid data (address %p, length %ld)!", static_cast<const void*>(bytes),
              static_cast<long>(length));
    return zoSetOutcome(m_rc, ERR_BUFF_BOUNDS_ERROR);
  }
  const ZO_LONG pad = padding(alignment);
  if (m_rc != 0) return FALSE;
  XTR_TEXTF("Data length: %ld; Alignment: %ld; Buffer needed: %ld", static_cast<long>(length),
            static_cast<long>(alignment), static_cast<long>(endOfAdd(m_position, pad, length)));
  return addBytes(bytes, length, pad, occupied);
}

ZO_BOOLEAN ZoBuffer::add(ZO_LONG value) {
  XTR_METHOD("ZoBuffer :: add (ZO_LONG)", m_rc);
  ZO_LONG occupied = 0;
  return add(value, 1, &occupied);
}

ZO_BOOLEAN ZoBuffer::add(ZO_LONG value, ZO_LONG alignment) {
  XTR_METHOD("ZoBuffer :: add (ZO_LONG, ZO_LONG)", m_rc);
  ZO_LONG occupied = 0;
  return add(value, alignment, &occupied);
}

ZO_BOOLEAN ZoBuffer::add(ZO_LONG value, ZO_LONG alignment, ZO_LONG* occupied) {
  XTR_METHOD("ZoBuffer :: add (ZO_LONG, ZO_LONG, ZO_LONG *)", m_rc);
  m_rc = 0;
  if (occupied) *occupied = 0;
  const ZO_LONG pad = padding(alignment);
  if (m_rc != 0) return FALSE;
  XTR_TEXTF("Value: %ld; Alignment: %ld; Buffer needed: %ld", static_cast<long>(value),
            static_cast<long>(alignment),
            static_cast<long>(endOfAdd(m_position, pad, sizeof value)));
  return addBytes(&value, sizeof value, pad, occupied);
}

ZO_BOOLEAN ZoBuffer::add(ZO_SHORT value) {
  XTR_METHOD("ZoBuffer :: add (ZO_SHORT)", m_rc);
  ZO_LONG occupied = 0;
  return add(value, 1, &occupied);
}

ZO_BOOLEAN ZoBuffer::add(ZO_SHORT value, ZO_LONG alignment) {
  XTR_METHOD("ZoBuffer :: add (ZO_SHORT, ZO_LONG)", m_rc);
  ZO_LONG occupied = 0;
  return add(value, alignment, &occupied);
}

ZO_BOOLEAN ZoBuffer::add(ZO_SHORT value, ZO_LONG alignment, ZO_LONG* occupied) {
  XTR_METHOD("ZoBuffer :: add (ZO_SHORT, ZO_LONG)", m_rc);
  m_rc = 0;
  if (occupied) *occupied = 0;
  const ZO_LONG pad = padding(alignment);
  if (m_rc != 0) return FALSE;
  XTR_TEXTF("Value: %d; Alignment: %ld; Buffer needed: %ld", static_cast<int>(value),
            static_cast<long>(alignment),
            static_cast<long>(endOfAdd(m_position, pad, sizeof value)));
  return addBytes(&value, sizeof value, pad, occupied);
}

ZO_BOOLEAN ZoBuffer::add(ZO_BYTE value) {
  XTR_METHOD("ZoBuffer :: add (byte)", m_rc);
  ZO_LONG occupied = 0;
  return add(value, 1, &occupied);
}

ZO_BOOLEAN ZoBuffer::add(ZO_BYTE value, ZO_LONG alignment) {
  XTR_METHOD("ZoBuffer :: add (ZO_BYTE, ZO_LONG)", m_rc);
  ZO_LONG occupied = 0;
  return add(value, alignment, &occupied);
}

ZO_BOOLEAN ZoBuffer::add(ZO_BYTE value, ZO_LONG alignment, ZO_LONG* occupied) {
  XTR_METHOD("ZoBuffer :: add (ZO_BYTE, ZO_LONG)", m_rc);
  m_rc = 0;
  if (occupied) *occupied = 0;
  const ZO_LONG pad = padding(alignment);
  if (m_rc != 0) return FALSE;
  XTR_TEXTF("Value: 0x%x; Alignment: %ld; Buffer needed: %ld", static_cast<unsigned>(value),
            static_cast<long>(alignment),
            static_cast<long>(endOfAdd(m_position, pad, sizeof value)));
  return addBytes(&value, sizeof value, pad, occupied);
}

// ---------------------------------------------------------------------------
// Reads

ZO_BOOLEAN ZoBuffer::readBytes(void* out, ZO_LONG size, ZO_LONG alignment, ZO_LONG* occupied) {
  m_rc = 0;
  if (occupied) *occupied = 0;
  const ZO_LONG pad = padding(alignment);
  if (m_rc != 0) return FALSE;
  if (endOfAdd(m_position, pad, size) > m_dataLength) {
    XTR_TEXT("Error: attempt to read past end of data!");
    m_rc = ERR_BUFF_BOUNDS_ERROR;
    std::memset(out, 0, static_cast<std::size_t>(size));
    return FALSE;
  }
  std::memcpy(out, m_storage.get() + m_position + pad, static_cast<std::size_t>(size));
  m_position += pad + size;
  if (occupied) *occupied = pad + size;
  return TRUE;
}

ZO_LONG ZoBuffer::readLong() {
  XTR_METHOD("ZoBuffer :: readLong", m_rc);
  ZO_LONG occupied = 0;
  return readLong(1, &occupied);
}

ZO_LONG ZoBuffer::readLong(ZO_LONG alignment) {
  XTR_METHOD("ZoBuffer :: readLong(ZO_LONG)", m_rc);
  ZO_LONG occupied = 0;
  return readLong(alignment, &occupied);
}

ZO_LONG ZoBuffer::readLong(ZO_LONG alignment, ZO_LONG* occupied) {
  XTR_METHOD("ZoBuffer :: readLong(ZO_LONG, ZO_LONG *)", m_rc);
  ZO_LONG value = 0;
  if (readBytes(&value, sizeof value, alignment, occupied) || m_rc == ERR_BUFF_BOUNDS_ERROR)
    m_lastLong = value;
  XTR_TEXTF("Field length: %ld; Alignment: %ld; Value: %ld", static_cast<long>(sizeof value),
            static_cast<long>(alignment), static_cast<long>(m_lastLong));
  return m_rc == 0 ? m_lastLong : 0;
}

ZO_SHORT ZoBuffer::readShort() {
  XTR_METHOD("ZoBuffer :: readShort", m_rc);
  ZO_LONG occupied = 0;
  return readShort(1, &occupied);
}

ZO_SHORT ZoBuffer::readShort(ZO_LONG alignment) {
  XTR_METHOD("ZoBuffer :: readShort(ZO_LONG)", m_rc);
  ZO_LONG occupied = 0;
  return readShort(alignment, &occupied);
}

ZO_SHORT ZoBuffer::readShort(ZO_LONG alignment, ZO_LONG* occupied) {
  XTR_METHOD("ZoBuffer :: readShort(ZO_LONG, ZO_LONG *)", m_rc);
  ZO_SHORT value = 0;
  if (readBytes(&value, sizeof value, alignment, occupied) || m_rc == ERR_BUFF_BOUNDS_ERROR)
    m_lastShort = value;
  XTR_TEXTF("Field length: %ld; Alignment: %ld; Value: %d", static_cast<long>(sizeof value),
            static_cast<long>(alignment), static_cast<int>(m_lastShort));
  return m_rc == 0 ? m_lastShort : static_cast<ZO_SHORT>(0);
}

ZO_BYTE ZoBuffer::readByte() {
  XTR_METHOD("ZoBuffer :: readByte", m_rc);
  ZO_LONG occupied = 0;
  return readByte(1, &occupied);
}

ZO_BYTE ZoBuffer::readByte(ZO_LONG alignment) {
  XTR_METHOD("ZoBuffer :: readByte(ZO_LONG)", m_rc);
  ZO_LONG occupied = 0;
  return readByte(alignment, &occupied);
}

ZO_BYTE ZoBuffer::readByte(ZO_LONG alignment, ZO_LONG* occupied) {
  XTR_METHOD("ZoBuffer :: readByte(ZO_LONG)", m_rc);
  ZO_BYTE value = 0;
  if (readBytes(&value, sizeof value, alignment, occupied) || m_rc == ERR_BUFF_BOUNDS_ERROR)
    m_lastByte = value;
  XTR_TEXTF("Field length: %ld; Alignment: %ld; Value: 0x%x", static_cast<long>(sizeof value),
            static_cast<long>(alignment), static_cast<unsigned>(m_lastByte));
  return m_rc == 0 ? m_lastByte : static_cast<ZO_BYTE>(0);
}

ZoString ZoBuffer::readString(ZO_LONG length) {
  XTR_METHOD("ZoBuffer :: readString(ZO_LONG)", m_rc);
  ZO_LONG occupied = 0;
  return readString(length, 1, &occupied);
}

ZoString ZoBuffer::readString(ZO_LONG length, ZO_LONG alignment) {
  XTR_METHOD("ZoBuffer :: readString(ZO_LONG, ZO_LONG)", m_rc);
  ZO_LONG occupied = 0;
  return readString(length, alignment, &occupied);
}

ZoString ZoBuffer::readString(ZO_LONG length, ZO_LONG alignment, ZO_LONG* occupied) {
  XTR_METHOD("ZoBuffer :: readString(ZO_LONG, ZO_LONG, ZO_LONG *)", m_rc);
  m_rc = 0;
  if (occupied) *occupied = 0;
  const ZO_LONG pad = padding(alignment);
  if (m_rc != 0) return m_lastString;
  XTR_TEXTF("Field length: %ld; Alignment: %ld", static_cast<long>(length),
            static_cast<long>(alignment));

  const std::int64_t start = static_cast<std::int64_t>(m_position) + pad;
  std::int64_t count = length;
  if (length < 0) {
    // A negative length asks for nothing that exists.
    XTR_TEXTF("Error: invalid length %ld requested!", static_cast<long>(length));
    m_rc = ERR_BUFF_BOUNDS_ERROR;
    count = 0;
  } else if (start + length > m_dataLength) {
    count = start < m_dataLength ? m_dataLength - start : 0;
    XTR_TEXTF("Error: attempt to read past end of data (%d bytes requested, returning %ld)!",
              static_cast<int>(length), static_cast<long>(count));
    m_rc = ERR_BUFF_BOUNDS_ERROR;
  }

  std::unique_ptr<char[]> text(new (std::nothrow) char[static_cast<std::size_t>(count) + 1]);
  if (!text) {
    XTR_TEXT("Error: failed to allocate temporary string buffer!");
    m_rc = ERR_BUFF_NO_MEMORY;
    return m_lastString;
  }
  if (count > 0) std::memcpy(text.get(), m_storage.get() + start, static_cast<std::size_t>(count));
  text[static_cast<std::size_t>(count)] = '\0';
  m_lastString = text.get();
  // A start beyond the data (or a negative length) leaves the position where
  // it was, so the position never passes the end of the storage.
  if (length >= 0 && start <= m_dataLength) {
    m_position = static_cast<ZO_LONG>(start + count);
    if (occupied) *occupied = static_cast<ZO_LONG>(pad + count);
  }
  return m_lastString;
}
