#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "common/return_codes.h"
#include "message/zo_buffer.h"
#include "tests/defs/trace_capture.h"

namespace {

ZO_LONG code(const ZoBuffer& b) { return b.getErrorCode(); }
constexpr ZO_LONG kBounds = static_cast<ZO_LONG>(ERR_BUFF_BOUNDS_ERROR);
constexpr ZO_LONG kAlign = static_cast<ZO_LONG>(ERR_BUFF_INVALID_ALIGNMENT);
constexpr ZO_LONG kNoMem = static_cast<ZO_LONG>(ERR_BUFF_NO_MEMORY);

ZO_LONG longAt(const ZoBuffer& b, ZO_LONG offset) {
  ZO_LONG v;
  std::memcpy(&v, b.getBuffer() + offset, sizeof v);
  return v;
}

}  // namespace

TEST(ZoBufferAlignment, PaddingIsSkippedAndCountedButNotWritten) {
  ZoBuffer b;
  ASSERT_EQ(code(b), 0);
  EXPECT_EQ(b.getCapacity(), 4096);
  ZO_LONG occupied = -1;
  EXPECT_TRUE(b.add(static_cast<ZO_BYTE>(0xAB), 1, &occupied));
  EXPECT_EQ(occupied, 1);
  EXPECT_TRUE(b.add(static_cast<ZO_LONG>(0x11223344), 4, &occupied));
  EXPECT_EQ(occupied, 7);
  EXPECT_EQ(b.getPos(), 8);
  EXPECT_EQ(b.getDataLength(), 8);
  EXPECT_EQ(b.getBuffer()[0], 0xAB);
  EXPECT_EQ(b.getBuffer()[1], 0);
  EXPECT_EQ(b.getBuffer()[2], 0);
  EXPECT_EQ(b.getBuffer()[3], 0);
  EXPECT_EQ(longAt(b, 4), 0x11223344);

  // A short at offset 8 with option 8 needs no padding; a byte then a short
  // with option 2 needs one byte.
  EXPECT_TRUE(b.add(static_cast<ZO_SHORT>(-2), 8, &occupied));
  EXPECT_EQ(occupied, 2);
  EXPECT_TRUE(b.add(static_cast<ZO_BYTE>(1)));
  EXPECT_TRUE(b.add(static_cast<ZO_SHORT>(7), 2, &occupied));
  EXPECT_EQ(occupied, 3);
  EXPECT_EQ(b.getPos(), 14);
}

TEST(ZoBufferAlignment, MeasuredFromTheReferenceIncludingNegativeOffsets) {
  ZoBuffer b;
  b.add(static_cast<ZO_BYTE>(9));
  b.setAlignmentReference();  // at 1
  EXPECT_EQ(b.getAlignmentReference(), 1);
  ZO_LONG occupied = 0;
  EXPECT_TRUE(b.add(static_cast<ZO_LONG>(5), 4, &occupied));
  EXPECT_EQ(occupied, 4);  // offset 0 from the reference

  ZoBuffer c;
  c.add(static_cast<ZO_BYTE>(1));
  c.add(static_cast<ZO_BYTE>(2));
  c.setAlignmentReference(1);
  EXPECT_TRUE(c.add(static_cast<ZO_LONG>(5), 4, &occupied));
  EXPECT_EQ(occupied, 7);  // offset 1: 3 padding bytes
  EXPECT_EQ(c.getPos(), 9);

  // Reference beyond the position: offset -3 with option 4 pads 7 bytes and
  // lands on offset +4 from the reference.
  ZoBuffer d;
  d.setAlignmentReference(3);
  EXPECT_EQ(d.wouldOccupy(4, 4), 11);
  EXPECT_TRUE(d.add(static_cast<ZO_LONG>(42), 4, &occupied));
  EXPECT_EQ(occupied, 11);
  EXPECT_EQ(longAt(d, 7), 42);
  // A reference far outside the storage is allowed and does not overflow.
  d.setAlignmentReference(std::numeric_limits<ZO_LONG>::min());
  // Offset 11 + 2^31 leaves remainder 3 for option 8: 5 bytes of padding.
  EXPECT_EQ(d.wouldOccupy(1, 8), 6);
  EXPECT_EQ(code(d), 0);
}

TEST(ZoBufferAlignment, InvalidOptionsFailWithoutEffect) {
  ZoBuffer b;
  // Option 3 at offset 0 is a multiple: accepted without padding.
  EXPECT_TRUE(b.add(static_cast<ZO_BYTE>(1), 3));
  EXPECT_EQ(b.getPos(), 1);
  EXPECT_FALSE(b.add(static_cast<ZO_LONG>(1), 3));
  EXPECT_EQ(code(b), kAlign);
  EXPECT_EQ(b.getPos(), 1);
  EXPECT_EQ(b.getDataLength(), 1);
  // Option 1 needs no padding anywhere; option 0 always fails.
  EXPECT_TRUE(b.add(static_cast<ZO_BYTE>(2), 1));
  EXPECT_EQ(code(b), 0);
  ZoBuffer z;
  EXPECT_FALSE(z.add(static_cast<ZO_BYTE>(2), 0));
  EXPECT_EQ(code(z), kAlign);
  EXPECT_EQ(z.getDataLength(), 0);
  z.wouldOccupy(4, 0);
  EXPECT_EQ(code(z), kAlign);
  EXPECT_EQ(z.readLong(0), 0);
  EXPECT_EQ(code(z), kAlign);
  // Option 16 where padding is needed is refused, as is a negative one.
  z.add(static_cast<ZO_BYTE>(1));
  EXPECT_FALSE(z.add(static_cast<ZO_LONG>(1), 16));
  EXPECT_EQ(code(z), kAlign);
  EXPECT_FALSE(z.add(static_cast<ZO_LONG>(1), -4));
  EXPECT_EQ(code(z), kAlign);
  // The next good operation clears the code.
  EXPECT_TRUE(z.add(static_cast<ZO_LONG>(1), 4));
  EXPECT_EQ(code(z), 0);
}

TEST(ZoBufferGrowth, GrowsByWholeBlocksKeepingContentAndOffsets) {
  ZoBuffer b;
  std::vector<ZO_BYTE> block(4095, 0x5A);
  EXPECT_TRUE(b.add(block.data(), 4095));
  b.setAlignmentReference(3);
  EXPECT_EQ(b.getCapacity(), 4096);
  const ZO_BYTE two[2] = {1, 2};
  EXPECT_TRUE(b.add(two, 2));
  EXPECT_EQ(b.getCapacity(), 8192);
  EXPECT_EQ(b.getPos(), 4097);
  EXPECT_EQ(b.getDataLength(), 4097);
  EXPECT_EQ(b.getAlignmentReference(), 3);
  EXPECT_EQ(b.getBuffer()[0], 0x5A);
  EXPECT_EQ(b.getBuffer()[4094], 0x5A);
  EXPECT_EQ(b.getBuffer()[4095], 1);
  EXPECT_EQ(b.getBuffer()[4096], 2);
  EXPECT_EQ(b.getBuffer()[4097], 0);  // new storage is zero-filled

  // The next multiple of the block strictly above the size needed.
  EXPECT_TRUE(b.extendBuffer(5000));  // covered already
  EXPECT_EQ(b.getCapacity(), 8192);
  EXPECT_TRUE(b.extendBuffer(8192));
  EXPECT_EQ(b.getCapacity(), 12288);
  EXPECT_TRUE(b.extendBuffer(-1));
  EXPECT_EQ(b.getCapacity(), 12288);

  // One large add grows in one step.
  ZoBuffer big;
  std::vector<ZO_BYTE> many(10000, 7);
  EXPECT_TRUE(big.add(many.data(), 10000));
  EXPECT_EQ(big.getCapacity(), 12288);
  EXPECT_EQ(big.getDataLength(), 10000);

  // clear keeps the capacity reached and the reference, and zero-fills.
  big.setAlignmentReference(5);
  big.clear();
  EXPECT_EQ(big.getCapacity(), 12288);
  EXPECT_EQ(big.getAlignmentReference(), 5);
  EXPECT_EQ(big.getPos(), 0);
  EXPECT_EQ(big.getDataLength(), 0);
  EXPECT_EQ(big.getBuffer()[9999], 0);
}

TEST(ZoBufferGrowth, ImpossibleSizesAndBadBlocksChangeNothing) {
  ZoBuffer b;
  b.add(static_cast<ZO_LONG>(1));
  const ZO_BYTE one = 1;
  // A length the buffer could never hold, and one that would wrap 32 bits.
  EXPECT_FALSE(b.add(&one, std::numeric_limits<ZO_LONG>::max()));
  EXPECT_EQ(code(b), kNoMem);
  EXPECT_EQ(b.getPos(), 4);
  EXPECT_EQ(b.getDataLength(), 4);
  EXPECT_EQ(b.getCapacity(), 4096);
  EXPECT_FALSE(b.extendBuffer(std::numeric_limits<ZO_LONG>::max()));
  EXPECT_EQ(code(b), kNoMem);
  EXPECT_EQ(b.getCapacity(), 4096);
  EXPECT_EQ(b.wouldOccupy(std::numeric_limits<ZO_LONG>::max(), 1),
            std::numeric_limits<ZO_LONG>::max());

  ZO_LONG occupied = 9;
  EXPECT_FALSE(b.add(&one, -1, 1, &occupied));
  EXPECT_EQ(code(b), kBounds);
  EXPECT_EQ(occupied, 0);
  EXPECT_FALSE(b.add(nullptr, 3));
  EXPECT_EQ(code(b), kBounds);
  EXPECT_EQ(b.getPos(), 4);
  // An empty block is a valid add that only pads.
  EXPECT_TRUE(b.add(nullptr, 0, 8, &occupied));
  EXPECT_EQ(occupied, 4);
  EXPECT_EQ(b.getDataLength(), 8);
}

TEST(ZoBufferRead, RoundTripOfMixedAlignedValues) {
  ZoBuffer b;
  const char text[] = "HELLO";
  b.add(static_cast<ZO_BYTE>(0xFE));
  b.add(static_cast<ZO_LONG>(-123456), 4);
  b.add(static_cast<ZO_SHORT>(-300), 2);
  b.add(reinterpret_cast<const ZO_BYTE*>(text), 5, 8);
  b.add(static_cast<ZO_LONG>(77), 8);
  const ZO_LONG end = b.getDataLength();

  ASSERT_TRUE(b.setPos(0));
  ZO_LONG occupied = 0;
  EXPECT_EQ(b.readByte(), 0xFE);
  EXPECT_EQ(b.readLong(4, &occupied), -123456);
  EXPECT_EQ(occupied, 7);
  EXPECT_EQ(b.readShort(2), -300);
  EXPECT_EQ(b.readString(5, 8, &occupied), "HELLO");
  EXPECT_EQ(occupied, 11);  // from offset 10 to 16, then 5 bytes
  EXPECT_EQ(b.readLong(8), 77);
  EXPECT_EQ(b.getPos(), end);
  EXPECT_EQ(code(b), 0);
  EXPECT_EQ(b.getLastLong(), 77);
  EXPECT_EQ(b.getLastShort(), -300);
  EXPECT_EQ(b.getLastByte(), 0xFE);
  EXPECT_EQ(b.getLastString(), "HELLO");
}

TEST(ZoBufferRead, NumberPastTheDataFailsAndKeepsThePosition) {
  ZoBuffer b;
  const ZO_BYTE three[3] = {1, 2, 3};
  b.add(three, 3);
  b.setPos(0);
  EXPECT_EQ(b.readByte(), 1);
  EXPECT_EQ(b.getLastByte(), 1);
  b.setPos(0);
  ZO_LONG occupied = 5;
  EXPECT_EQ(b.readLong(1, &occupied), 0);
  EXPECT_EQ(code(b), kBounds);
  EXPECT_EQ(occupied, 0);
  EXPECT_EQ(b.getPos(), 0);
  EXPECT_EQ(b.getLastLong(), 0);
  // Padding counts: a short at offset 1 with option 2 would end at 4.
  b.setPos(1);
  EXPECT_EQ(b.readShort(2), 0);
  EXPECT_EQ(code(b), kBounds);
  EXPECT_EQ(b.getPos(), 1);
  EXPECT_EQ(b.readShort(), 0x0302);  // native order on the test machines
  EXPECT_EQ(b.getPos(), 3);
  // A position beyond the data length reads nothing.
  b.setPos(100);
  EXPECT_EQ(b.readByte(), 0);
  EXPECT_EQ(code(b), kBounds);
  EXPECT_EQ(b.getLastByte(), 0);
}

TEST(ZoBufferRead, TextPastTheDataIsShortened) {
  ZoBuffer b;
  b.add(reinterpret_cast<const ZO_BYTE*>("ABCDEFGH"), 8);
  b.setPos(4);
  ZO_LONG occupied = 0;
  EXPECT_EQ(b.readString(10, 1, &occupied), "EFGH");
  EXPECT_EQ(code(b), kBounds);
  EXPECT_EQ(b.getPos(), 8);
  EXPECT_EQ(occupied, 4);
  // Nothing left: an empty text, position unchanged.
  EXPECT_EQ(b.readString(2), "");
  EXPECT_EQ(code(b), kBounds);
  EXPECT_EQ(b.getPos(), 8);
  // A start beyond the data (position set past it) reads nothing and does not
  // move the position past the storage.
  b.setPos(4095);
  EXPECT_EQ(b.readString(3, 8), "");
  EXPECT_EQ(code(b), kBounds);
  EXPECT_EQ(b.getPos(), 4095);
  // A negative length is refused.
  b.setPos(0);
  EXPECT_EQ(b.readString(-5), "");
  EXPECT_EQ(code(b), kBounds);
  EXPECT_EQ(b.getPos(), 0);
  // Invalid alignment returns the previous text and reads nothing.
  EXPECT_EQ(b.readString(2), "AB");
  EXPECT_EQ(b.readString(2, 0), "AB");
  EXPECT_EQ(code(b), kAlign);
  EXPECT_EQ(b.getPos(), 2);
}

TEST(ZoBufferRead, TextEndsAtTheFirstZeroByte) {
  ZoBuffer b;
  const ZO_BYTE bytes[6] = {'A', 'B', 0, 'C', 'D', 'E'};
  b.add(bytes, 6);
  b.setPos(0);
  EXPECT_EQ(b.readString(6), "AB");
  EXPECT_EQ(b.getPos(), 6);
  EXPECT_EQ(code(b), 0);
}

TEST(ZoBufferBounds, PositionAndDataLength) {
  ZoBuffer b;
  EXPECT_TRUE(b.setPos(0));  // already there
  EXPECT_FALSE(b.setPos(4096));
  EXPECT_EQ(code(b), kBounds);
  EXPECT_EQ(b.getPos(), 0);
  EXPECT_FALSE(b.setPos(-1));
  EXPECT_TRUE(b.setPos(4095));
  EXPECT_EQ(b.getDataLength(), 0);  // the position may pass the data

  EXPECT_TRUE(b.setDataLength(4096));
  EXPECT_EQ(b.getDataLength(), 4096);
  EXPECT_FALSE(b.setDataLength(4097));
  EXPECT_EQ(code(b), kBounds);
  EXPECT_EQ(b.getDataLength(), 4096);
  EXPECT_FALSE(b.setDataLength(-1));
  EXPECT_TRUE(b.setDataLength(0));

  // An add at the last byte of the storage grows it before writing.
  EXPECT_TRUE(b.add(static_cast<ZO_LONG>(3)));
  EXPECT_EQ(b.getCapacity(), 8192);
  EXPECT_EQ(b.getDataLength(), 4099);
  EXPECT_EQ(longAt(b, 4095), 3);
}

TEST(ZoBufferTrace, ShortFormsTraceThemselvesAndTheLongestForm) {
  ZoBuffer b;
  TraceCapture trace;
  b.add(static_cast<ZO_SHORT>(5));
  const std::vector<std::string> expected = {
      "> ZoBuffer :: add (ZO_SHORT)",
      "> ZoBuffer :: add (ZO_SHORT, ZO_LONG)",
      "Value: 5; Alignment: 1; Buffer needed: 2",
      "< ZoBuffer :: add (ZO_SHORT, ZO_LONG) rc=0x00000000",
      "< ZoBuffer :: add (ZO_SHORT) rc=0x00000000",
  };
  EXPECT_EQ(trace.lines(), expected);

  b.setPos(0);
  trace.clear();
  b.readLong();
  EXPECT_EQ(trace.lines().front(), "> ZoBuffer :: readLong");
  EXPECT_EQ(trace.count("Error: attempt to read past end of data!"), 1);
  EXPECT_EQ(trace.lines().back(), "< ZoBuffer :: readLong rc=0x20801602");

  b.setPos(1);
  trace.clear();
  b.add(static_cast<ZO_LONG>(1), 3);
  EXPECT_EQ(trace.count("Invalid alignment option = 3 specified"), 1);
  EXPECT_EQ(trace.lines().back(), "< ZoBuffer :: add (ZO_LONG, ZO_LONG) rc=0x20801603");

  trace.clear();
  b.extendBuffer(5000);
  const std::vector<std::string> growth = {
      "> ZoBuffer :: extendBuffer",
      "extending buffer from 4096 to 5000 bytes",
      "allocating actual block size of 8192 bytes",
      "< ZoBuffer :: extendBuffer rc=0x00000000",
  };
  EXPECT_EQ(trace.lines(), growth);
}

TEST(ZoBufferGrowth, AddingItsOwnBytesSurvivesGrowth) {
  ZoBuffer b;
  std::vector<ZO_BYTE> block(4000);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<ZO_BYTE>(i * 7);
  ASSERT_TRUE(b.add(block.data(), 4000));
  // The source lies in the storage that this add has to move.
  ASSERT_TRUE(b.add(b.getBuffer(), 4000));
  EXPECT_EQ(b.getCapacity(), 8192);
  EXPECT_EQ(std::memcmp(b.getBuffer() + 4000, block.data(), 4000), 0);
  // Overlapping source and destination within the storage.
  b.setPos(1);
  ASSERT_TRUE(b.add(b.getBuffer(), 100));
  EXPECT_EQ(std::memcmp(b.getBuffer() + 1, block.data(), 100), 0);
}
