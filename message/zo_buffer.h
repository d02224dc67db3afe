#pragma once
// ZoBuffer: the growable byte buffer into which message values are packed and
// from which they are unpacked.
//
// Values (text, 32-bit, 16-bit, 8-bit) are stored in native byte order at an
// offset aligned to 1, 2, 4 or 8 bytes, measured from a movable alignment
// reference. The padding bytes skipped for alignment are never written; they
// keep what the storage holds (zero in new or cleared storage).
//
// Every operation clears the error code first and leaves in it the outcome:
// 0, ERR_BUFF_NO_MEMORY, ERR_BUFF_BOUNDS_ERROR or ERR_BUFF_INVALID_ALIGNMENT.
// Operations returning ZO_BOOLEAN return TRUE exactly when that code is 0.

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "../common/vexo_export.h"
#include "../common/zo_types.h"
#include "../defs/zo_string.h"

// Threads: a value without shared state or lock: different objects may be
// used in different threads at once, one object by one thread at a time
// unless the caller locks it.
class VEXO_API ZoBuffer {
 public:
  // Storage grows in whole blocks of this size, always at least one block
  // beyond the size needed.
  static constexpr ZO_LONG kBlockSize = 4096;

  // Allocates one zero-filled block. If that fails the error code is
  // ERR_BUFF_NO_MEMORY and the capacity 0; later adds try to grow again.
  ZoBuffer();
  virtual ~ZoBuffer();

  // The buffer owns its storage.
  ZoBuffer(const ZoBuffer&) = delete;
  ZoBuffer& operator=(const ZoBuffer&) = delete;

  // Zero-fills the whole storage; position and data length become 0. The
  // alignment reference and the capacity are kept.
  void clear();

  // Moves the read/write position to `offset` (0 <= offset < capacity); it may
  // lie beyond the data length. Outside the storage: ERR_BUFF_BOUNDS_ERROR and
  // the position is unchanged.
  ZO_BOOLEAN setPos(ZO_LONG offset);

  // Bytes that a value of `length` bytes would consume at the current position
  // with the alignment option: padding plus length. The error code tells
  // whether the option was valid.
  ZO_LONG wouldOccupy(ZO_LONG length, ZO_LONG alignment);

  // The padding rule itself, for an offset measured from the alignment
  // reference (it may be negative): the bytes to skip so that a value lands
  // on the next offset the option allows, or -1 for an unusable option (0,
  // or one not 1, 2, 4 or 8 where padding is needed). Record layouts use it
  // so that they place fields exactly where the buffer puts them.
  static ZO_LONG paddingAt(std::int64_t offset, ZO_LONG alignment);

  // Adds append at the position (after padding for the alignment option, 1
  // when none is given), advance the position past the value and raise the
  // data length to the position reached. `occupied`, when given, receives the
  // bytes consumed (padding plus value), 0 on failure. A byte block needs a
  // non-negative length and, when the length is not 0, a non-null pointer.
  ZO_BOOLEAN add(const ZO_BYTE* bytes, ZO_LONG length);
  ZO_BOOLEAN add(const ZO_BYTE* bytes, ZO_LONG length, ZO_LONG alignment);
  ZO_BOOLEAN add(const ZO_BYTE* bytes, ZO_LONG length, ZO_LONG alignment, ZO_LONG* occupied);
  ZO_BOOLEAN add(ZO_LONG value);
  ZO_BOOLEAN add(ZO_LONG value, ZO_LONG alignment);
  ZO_BOOLEAN add(ZO_LONG value, ZO_LONG alignment, ZO_LONG* occupied);
  ZO_BOOLEAN add(ZO_SHORT value);
  ZO_BOOLEAN add(ZO_SHORT value, ZO_LONG alignment);
  ZO_BOOLEAN add(ZO_SHORT value, ZO_LONG alignment, ZO_LONG* occupied);
  ZO_BOOLEAN add(ZO_BYTE value);
  ZO_BOOLEAN add(ZO_BYTE value, ZO_LONG alignment);
  ZO_BOOLEAN add(ZO_BYTE value, ZO_LONG alignment, ZO_LONG* occupied);

  // Reads `length` bytes at the position (after padding) as text; the text ends
  // at the first zero byte. A read past the data length returns the bytes that
  // remain, sets ERR_BUFF_BOUNDS_ERROR and advances past them. The result is
  // also kept as the last string.
  ZoString readString(ZO_LONG length);
  ZoString readString(ZO_LONG length, ZO_LONG alignment);
  ZoString readString(ZO_LONG length, ZO_LONG alignment, ZO_LONG* occupied);

  // Numeric reads: a read past the data length sets ERR_BUFF_BOUNDS_ERROR,
  // returns 0 and leaves the position unchanged.
  ZO_LONG readLong();
  ZO_LONG readLong(ZO_LONG alignment);
  ZO_LONG readLong(ZO_LONG alignment, ZO_LONG* occupied);
  ZO_SHORT readShort();
  ZO_SHORT readShort(ZO_LONG alignment);
  ZO_SHORT readShort(ZO_LONG alignment, ZO_LONG* occupied);
  ZO_BYTE readByte();
  ZO_BYTE readByte(ZO_LONG alignment);
  ZO_BYTE readByte(ZO_LONG alignment, ZO_LONG* occupied);

  // Grows the storage to the next multiple of the block size strictly above
  // `sizeNeeded`, keeping contents, position and alignment reference. A
  // request the storage already covers changes nothing.
  ZO_BOOLEAN extendBuffer(ZO_LONG sizeNeeded);

  // Sets the end of the meaningful data (0 <= length <= capacity).
  ZO_BOOLEAN setDataLength(ZO_LONG length);

  // The alignment reference becomes the current position, or `offset` (any
  // value: no bounds check applies to the reference).
  void setAlignmentReference();
  void setAlignmentReference(ZO_LONG offset);

  // Read access. The storage pointer stays valid until the buffer next grows
  // (an add or extendBuffer) or is destroyed; it is null when no storage could
  // be allocated.
  const ZO_BYTE* getBuffer() const { return storage_.get(); }
  ZO_LONG getPos() const { return position_; }
  ZO_LONG getDataLength() const { return dataLength_; }
  ZO_LONG getCapacity() const { return capacity_; }
  ZO_LONG getAlignmentReference() const { return alignmentReference_; }
  ZO_ULONG getErrorCode() const { return errorCode_; }

  // Results of the last successful or shortened read of each kind.
  const ZoString& getLastString() const { return lastString_; }
  ZO_LONG getLastLong() const { return lastLong_; }
  ZO_SHORT getLastShort() const { return lastShort_; }
  ZO_BYTE getLastByte() const { return lastByte_; }

 private:
  // The storage is a C heap block so that growth can use realloc, which
  // extends large blocks without copying them.
  struct FreeStorage {
    void operator()(ZO_BYTE* p) const { std::free(p); }
  };
  using Storage = std::unique_ptr<ZO_BYTE, FreeStorage>;

  // Padding for `alignment` at the current position; sets
  // ERR_BUFF_INVALID_ALIGNMENT (and returns 0) for an unusable option.
  ZO_LONG padding(ZO_LONG alignment);
  // Shared body of every add: clears the codes, finds the padding for
  // `alignment`, traces `traceLine` (a format of the shown value, the
  // alignment and the end of the add) and places `size` bytes after the
  // padding, growing the storage as needed.
  ZO_BOOLEAN addBytes(const void* bytes, ZO_LONG size, ZO_LONG alignment, ZO_LONG* occupied,
                      const char* traceLine, long shown);
  // Shared body of the numeric reads: copies `size` bytes into `out`.
  ZO_BOOLEAN readBytes(void* out, ZO_LONG size, ZO_LONG alignment, ZO_LONG* occupied);

  ZO_LONG capacity_ = 0;
  Storage storage_;
  ZO_LONG position_ = 0;
  ZO_LONG alignmentReference_ = 0;
  ZO_LONG dataLength_ = 0;
  ZoString lastString_;
  ZO_LONG lastLong_ = 0;
  ZO_SHORT lastShort_ = 0;
  ZO_BYTE lastByte_ = 0;
  ZO_ULONG errorCode_ = 0;
};
