// The package builder's encoder against the setup's decoder: whatever the
// product's bytes, the code stream expands to exactly those bytes, ends where
// the decoder stops (it reads at most two bytes past the stream, the bit
// reader's read-ahead) and never produces a byte more than the size.
//
// The input is used as it stands, or (first byte odd) as a recipe of literal
// runs and copies from earlier bytes, which builds long, repetitive products:
// long matches at every distance and enough symbols for the code tree to be
// rescaled.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "expand/core/lzhuf.h"
#include "pkgbuild/lzh_encoder.h"
#include "setup/core/config.h"

// Stops with the broken condition named, so that a finding says what it broke.
#define Require(condition) \
  ((condition) ? (void)0 : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition), std::abort()))

namespace {

constexpr std::size_t MaxProduct = 16384;

std::vector<std::uint8_t> FromRecipe(FuzzedDataProvider& in) {
  std::vector<std::uint8_t> out;
  while (in.remaining_bytes() > 0 && out.size() < MaxProduct) {
    const std::uint8_t op = in.ConsumeIntegral<std::uint8_t>();
    if (op < 96 || out.empty()) {  // a run of literal bytes
      const auto bytes = in.ConsumeBytes<std::uint8_t>(op % 16 + 1);
      out.insert(out.end(), bytes.begin(), bytes.end());
    } else if (op < 224) {  // a copy from up to 8191 bytes back, which may overlap itself
      const std::size_t distance = in.ConsumeIntegralInRange<std::size_t>(1, out.size() < 8191 ? out.size() : 8191);
      const std::size_t length = in.ConsumeIntegralInRange<std::size_t>(1, 300);
      for (std::size_t k = 0; k < length; ++k) out.push_back(out[out.size() - distance]);
    } else {  // repeat everything so far a few times, with one byte changed each time
      const std::size_t times = op % 8 + 1;
      const std::size_t length = out.size();
      for (std::size_t t = 0; t < times && out.size() + length <= MaxProduct; ++t) {
        for (std::size_t k = 0; k < length; ++k) out.push_back(out[k]);
        out[out.size() - 1 - (t * 7919) % length] ^= static_cast<std::uint8_t>(t + 1);
      }
    }
  }
  if (out.size() > MaxProduct) out.resize(MaxProduct);
  return out;
}

const std::vector<std::uint8_t>* Stream = nullptr;
std::size_t Position = 0;
std::size_t ReadsPastEnd = 0;
std::vector<std::uint8_t> Output;

void Read(std::uint8_t* destination, std::uint16_t, std::uint16_t& delivered) {
  if (Position < Stream->size()) {
    *destination = (*Stream)[Position++];
    delivered = 1;
  } else {
    ++ReadsPastEnd;
    delivered = 0;
  }
}

void Write(const std::uint8_t* source, std::uint16_t count, std::uint16_t& accepted) {
  Output.insert(Output.end(), source, source + count);
  accepted = count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> product;
  if (size > 0 && (data[0] & 1)) {
    FuzzedDataProvider in(data + 1, size - 1);
    product = FromRecipe(in);
  } else {
    product.assign(data, data + size);
  }

  const std::vector<std::uint8_t> stream = EncodeLzh(product);
  Stream = &stream;
  Position = 0;
  ReadsPastEnd = 0;
  Output.clear();
  KeepGoing = 1;
  ExpandStream(static_cast<std::int32_t>(product.size()), Read, Write);
  KeepGoing = 0;

  Require(Output.size() == product.size());
  Require(Output == product);
  if (!product.empty()) Require(Position == stream.size());  // every byte of the stream is needed
  Require(ReadsPastEnd <= 2);
  return 0;
}
