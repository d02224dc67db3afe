// Piece-by-piece conversion of a stream with xcsConvertString.
#include "tools/vexoconv/stream_converter.h"

namespace {

// Room for the output of a piece: a lead-byte source may double (a shift-out
// and shift-in around every double-byte character between single bytes).
constexpr std::size_t outputRoom(std::size_t input) { return 2 * input + 16; }

}  // namespace

StreamConverter::StreamConverter(ZO_LONG sourceCcsid, ZO_LONG targetCcsid, std::size_t pieceSize)
    : source_(sourceCcsid), target_(targetCcsid), pieceSize_(pieceSize == 0 ? 1 : pieceSize) {}

ZO_LONG StreamConverter::prepare() { return xcsQueryConversion(source_, target_, &shape_); }

// Where a piece of shift-coded data may end. Outside a run any character
// boundary will do; a trailing 0x0E waits for the byte that tells what it
// is. Inside a run the cut falls before a pair that is known not to be the
// end of the run, so the caller can close the run and open it again.
std::size_t StreamConverter::cutShiftRuns(const std::vector<ZO_BYTE>& data, bool& insideRun) const {
  const std::size_t n = data.size();
  std::size_t i = 0, safe = 0, runStart = 0, pairStart = 0;
  bool inRun = false;
  while (i < n) {
    if (!inRun) {
      if (data[i] != XCS_SHIFT_OUT) {
        safe = ++i;
      } else if (i + 1 >= n) {
        break;
      } else if (data[i + 1] == XCS_SHIFT_IN) {
        safe = i += 2;  // converted as two single bytes
      } else {
        inRun = true;
        runStart = i++;
      }
      continue;
    }
    if (data[i] == XCS_SHIFT_IN) {
      inRun = false;
      safe = ++i;
      continue;
    }
    pairStart = i;
    if (i + 1 >= n) break;
    if (data[i + 1] == XCS_SHIFT_IN) {  // half a pair: the conversion reports it
      inRun = false;
      safe = i += 2;
      continue;
    }
    i += 2;
  }
  // A run is reopened only after at least one of its pairs is in this piece.
  insideRun = inRun && pairStart >= runStart + 3;
  if (insideRun) return pairStart;
  return inRun ? runStart : safe;
}

// Where a piece of lead-byte data may end: after its last whole character.
std::size_t StreamConverter::cutLeadBytes(const std::vector<ZO_BYTE>& data, bool& endsWithPair) const {
  const std::size_t n = data.size();
  std::size_t i = 0;
  endsWithPair = false;
  while (i < n) {
    if (xcsIsLeadByte(shape_.leadByteSet, data[i])) {
      if (i + 1 >= n) break;
      i += 2;
      endsWithPair = true;
    } else {
      ++i;
      endsWithPair = false;
    }
  }
  return i;
}

ZO_LONG StreamConverter::run(const Reader& read, const Writer& write) {
  const bool shiftsWritten =
      shape_.method == XCS_METHOD_SHIFT_TO_SHIFT || shape_.method == XCS_METHOD_LEAD_TO_SHIFT;
  std::vector<ZO_BYTE> data;  // carried bytes, then the new piece
  std::vector<ZO_BYTE> out;
  std::size_t offset = 0;     // input offset of data[0]
  bool reopened = false;      // data starts with a shift-out added to reopen a run
  bool heldShiftIn = false;   // the last output's shift-in, kept back until the next piece shows
  bool atEnd = false;
  data.reserve(pieceSize_ + 8);
  while (!atEnd || !data.empty()) {
    if (!atEnd) {
      std::size_t carried = data.size();
      data.resize(carried + pieceSize_);
      std::size_t got = read(data.data() + carried, pieceSize_);
      data.resize(carried + got);
      atEnd = got == 0;
      if (data.empty()) break;
    }
    std::size_t cut = data.size();
    bool insideRun = false;
    bool endsWithPair = false;
    if (shape_.walk == XCS_WALK_SHIFT && !atEnd) cut = cutShiftRuns(data, insideRun);
    if (shape_.walk == XCS_WALK_LEAD) {
      std::size_t whole = cutLeadBytes(data, endsWithPair);
      if (!atEnd) cut = whole;
      else endsWithPair = false;  // the last piece keeps its shift-in
    }
    if (cut == 0 && !atEnd) continue;  // not one whole character yet

    bool startsWithPair = shape_.walk == XCS_WALK_LEAD && xcsIsLeadByte(shape_.leadByteSet, data[0]);
    ZO_BYTE kept = 0;
    if (insideRun) {  // close the run for this piece
      kept = data[cut];
      data[cut] = XCS_SHIFT_IN;
    }
    std::size_t length = cut + (insideRun ? 1 : 0);
    out.resize(outputRoom(length));
    ZO_LONG written = static_cast<ZO_LONG>(out.size());
    ZO_LONG rc = xcsConvertString(source_, target_, data.data(), static_cast<ZO_LONG>(length), out.data(),
                                  &written);
    if (insideRun) data[cut] = kept;

    const ZO_BYTE* first = out.data();
    std::size_t count = static_cast<std::size_t>(written);
    if (rc == 0) {
      if (shiftsWritten && reopened && count > 0) ++first, --count;      // the added shift-out
      if (shiftsWritten && insideRun && count > 0) --count;              // the added shift-in
      if (heldShiftIn && startsWithPair && count > 0) ++first, --count;  // the run goes on
      else if (heldShiftIn && !write(&XCS_SHIFT_IN, 1)) return kWriteFailed;
      heldShiftIn = false;
      if (shiftsWritten && endsWithPair && count > 0) {
        --count;
        heldShiftIn = true;
      }
    } else if (heldShiftIn && !write(&XCS_SHIFT_IN, 1)) {
      return kWriteFailed;
    }
    if (count > 0 && !write(first, count)) return kWriteFailed;
    if (rc != 0) {
      failedAt_ = offset;
      return rc;
    }

    data.erase(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(cut));
    offset += cut - (reopened ? 1 : 0);
    reopened = insideRun;
    if (insideRun) data.insert(data.begin(), XCS_SHIFT_OUT);
    if (atEnd && data.empty()) break;
  }
  if (heldShiftIn && !write(&XCS_SHIFT_IN, 1)) return kWriteFailed;
  return 0;
}
