#include "expand/core/crc32.h"

#include <array>

namespace {

std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

const std::array<std::uint32_t, 256> Table = MakeTable();

}  // namespace

std::uint32_t Crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t count) {
  crc = ~crc;
  for (std::size_t i = 0; i < count; ++i) crc = Table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}
