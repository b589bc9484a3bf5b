#include "pkgbuild/lzh_encoder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> Vector(const std::string& name) {
  std::ifstream in(std::string(TEST_DATA_DIR) + "/lzhuf/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Inputs of several kinds, so that literals, short and long matches, runs
// longer than a match and matches into the decoder's starting spaces all occur.
std::vector<std::uint8_t> Generated(const std::string& kind, std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> data;
  const std::string words[] = {"gantry ", "rail ", "valley ", "signal ", "   ", "points ", "\r\n"};
  while (data.size() < size) {
    if (kind == "random") {
      data.push_back(static_cast<std::uint8_t>(random()));
    } else if (kind == "runs") {
      data.insert(data.end(), 1 + random() % 150, static_cast<std::uint8_t>(random() % 3));
    } else if (kind == "words") {
      const std::string& w = words[random() % 7];
      data.insert(data.end(), w.begin(), w.end());
    } else {  // "spaces": long blank stretches, as in fixed-width text
      data.insert(data.end(), 40 + random() % 90, ' ');
      data.push_back(static_cast<std::uint8_t>('A' + random() % 26));
    }
  }
  data.resize(size);
  return data;
}

}  // namespace

TEST(LzhEncoder, VectorsRoundTripAndNeverGrowPastThePublishedStream) {
  for (const char* name : {"one-byte", "gpl3-text", "mixed", "pe-sample", "random-100k", "zeros-200k"}) {
    SCOPED_TRACE(name);
    const auto input = Vector(std::string(name) + ".bin");
    const auto published = Vector(std::string(name) + ".lzh");
    const auto coded = EncodeLzh(input);
    EXPECT_TRUE(DecodeLzh(coded, static_cast<std::int32_t>(input.size())) == input);
    EXPECT_LE(coded.size(), published.size());
  }
}

TEST(LzhEncoder, GeneratedInputsRoundTripAroundBufferEdges) {
  // The setup's adapters move 2048-byte pieces; the ring holds 4096 bytes.
  const std::size_t sizes[] = {0, 1, 2, 3, 4, 59, 60, 61, 2047, 2048, 2049, 4095, 4096, 4097, 6143, 6144, 6145, 20000};
  for (const char* kind : {"random", "runs", "words", "spaces"}) {
    for (const std::size_t size : sizes) {
      SCOPED_TRACE(std::string(kind) + " " + std::to_string(size));
      const auto input = Generated(kind, size, static_cast<std::uint32_t>(size * 7 + 1));
      const auto coded = EncodeLzh(input);
      ASSERT_TRUE(DecodeLzh(coded, static_cast<std::int32_t>(size)) == input);
    }
  }
  EXPECT_TRUE(EncodeLzh(std::vector<std::uint8_t>()).empty());
}

TEST(LzhEncoder, CompressesWhatRepeats) {
  // 64 KiB of one repeated sentence: matches of 60 at the nearest distance,
  // a little over 10 bits per 60 bytes once the tree has adapted.
  const auto input = Generated("words", 65536, 3);
  EXPECT_LT(EncodeLzh(input).size(), input.size() / 3);
  EXPECT_LT(EncodeLzh(std::vector<std::uint8_t>(65536, 0)).size(), 1500u);
}
