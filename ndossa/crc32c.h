#pragma once
// CRC-32C (the Castagnoli polynomial, reflected, as iSCSI and ext4 use it):
// the checksum stored with every document. crc32c("123456789") is 0xE3069283.

#include <cstdint>
#include <string_view>

namespace ndossa {

std::uint32_t crc32c(std::string_view bytes);

}  // namespace ndossa
