#include "ndossa/crc32c.h"

#include <array>
#include <cstddef>

namespace ndossa {
namespace {

constexpr std::uint32_t kPolynomial = 0x82F63B78u;  // 0x1EDC6F41 reflected

using Table = std::array<std::array<std::uint32_t, 256>, 4>;

// Table 0: the remainder of each byte value; table k: of that byte followed
// by k zero bytes, so that four bytes are taken in one step. Built at compile time.
constexpr Table makeTables() {
  Table tables{};
  for (std::uint32_t byte = 0; byte < 256; ++byte) {
    std::uint32_t crc = byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1u) ? kPolynomial : 0u);
    tables[0][byte] = crc;
  }
  for (std::size_t k = 1; k < tables.size(); ++k)
    for (std::uint32_t byte = 0; byte < 256; ++byte)
      tables[k][byte] = (tables[k - 1][byte] >> 8) ^ tables[0][tables[k - 1][byte] & 0xFFu];
  return tables;
}

constexpr Table kTables = makeTables();

}  // namespace

std::uint32_t crc32c(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t n = bytes.size();
  for (; n >= 4; n -= 4, p += 4) {
    crc ^= std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    crc = kTables[3][crc & 0xFFu] ^ kTables[2][(crc >> 8) & 0xFFu] ^ kTables[1][(crc >> 16) & 0xFFu] ^
          kTables[0][crc >> 24];
  }
  for (; n > 0; --n, ++p) crc = kTables[0][(crc ^ *p) & 0xFFu] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

}  // namespace ndossa
