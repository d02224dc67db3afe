#pragma once
// Converts a stream of any length between two CCSIDs with xcsConvertString,
// piece by piece, holding only one piece at a time. Pieces are cut between
// characters: a double-byte character is never split, and a shift run that
// crosses a piece boundary converts exactly as it would in one piece.

#include <cstddef>
#include <functional>
#include <vector>

#include "common/conversion.h"

class StreamConverter {
 public:
  // Reads up to `size` bytes into `data`; 0 at the end of the input.
  using Reader = std::function<std::size_t(ZO_BYTE* data, std::size_t size)>;
  // Writes `size` bytes; false when they could not be written.
  using Writer = std::function<bool(const ZO_BYTE* data, std::size_t size)>;

  static constexpr std::size_t kDefaultPieceSize = 64 * 1024;
  // Result of run() when the writer failed.
  static constexpr ZO_LONG kWriteFailed = 1;

  StreamConverter(ZO_LONG sourceCcsid, ZO_LONG targetCcsid, std::size_t pieceSize = kDefaultPieceSize);

  // Looks the CCSIDs up and loads the tables (the common services must be
  // started). Returns 0 or the code xcsConvertString would give.
  ZO_LONG prepare();

  // Converts everything `read` gives and hands the result to `write`. Returns
  // 0, a code of xcsConvertString (what was converted before it is written)
  // or kWriteFailed. Call prepare() first.
  ZO_LONG run(const Reader& read, const Writer& write);

  // Offset in the input of the piece that failed (valid after a failed run).
  std::size_t failedAt() const { return failedAt_; }

 private:
  std::size_t cutShiftRuns(const std::vector<ZO_BYTE>& data, bool& insideRun) const;
  std::size_t cutLeadBytes(const std::vector<ZO_BYTE>& data, bool& endsWithPair) const;

  ZO_LONG source_;
  ZO_LONG target_;
  std::size_t pieceSize_;
  XcsConversionShape shape_{};
  std::size_t failedAt_ = 0;
};
