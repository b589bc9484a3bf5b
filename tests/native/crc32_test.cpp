#include "expand/core/crc32.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::uint32_t CrcOf(const std::string& s) {
  return Crc32Update(Crc32Start, reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}
}  // namespace

TEST(Crc32, KnownValuesAndPiecewiseUpdate) {
  EXPECT_EQ(CrcOf(""), 0u);
  EXPECT_EQ(CrcOf("123456789"), 0xCBF43926u);  // the standard check value
  EXPECT_EQ(CrcOf("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
  const std::string text = "The quick brown fox jumps over the lazy dog";
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  std::uint32_t crc = Crc32Start;
  for (std::size_t i = 0; i < text.size(); i += 7)
    crc = Crc32Update(crc, bytes + i, std::min<std::size_t>(7, text.size() - i));
  EXPECT_EQ(crc, 0x414FA339u);
}
