// The expand page takes a work archive that runs out more than twice as cut
// short. That holds only if the decoder never reads more than two bytes past
// the end of a complete stream from the package builder's encoder.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "expand/core/lzhuf.h"
#include "pkgbuild/lzh_encoder.h"
#include "setup/core/config.h"

namespace {

const std::vector<std::uint8_t>* Stream = nullptr;
std::size_t Position = 0;
int ReadsPastEnd = 0;

void Read(std::uint8_t* destination, std::uint16_t, std::uint16_t& delivered) {
  if (Position < Stream->size()) {
    *destination = (*Stream)[Position++];
    delivered = 1;
  } else {
    ++ReadsPastEnd;
    delivered = 0;
  }
}

void Write(const std::uint8_t*, std::uint16_t count, std::uint16_t& accepted) { accepted = count; }

}  // namespace

TEST(LzhReadAhead, CompleteStreamsNeedAtMostTwoBytesPastTheirEnd) {
  std::mt19937 random(7);
  for (std::size_t size : {1u, 2u, 3u, 17u, 100u, 2047u, 2048u, 4096u, 5000u, 65537u}) {
    for (int kind = 0; kind < 3; ++kind) {
      std::vector<std::uint8_t> data(size);
      for (auto& b : data) b = kind == 0 ? static_cast<std::uint8_t>(random()) : kind == 1 ? 'a' + random() % 3 : 0;
      const std::vector<std::uint8_t> stream = EncodeLzh(data);
      Stream = &stream;
      Position = 0;
      ReadsPastEnd = 0;
      KeepGoing = 1;
      ExpandStream(static_cast<std::int32_t>(size), Read, Write);
      EXPECT_LE(ReadsPastEnd, 2) << "size " << size << " kind " << kind;
      EXPECT_EQ(Position, stream.size()) << "every byte of the stream is read";
    }
  }
  KeepGoing = 0;
}
