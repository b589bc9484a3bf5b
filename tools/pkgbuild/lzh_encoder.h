// The package builder's LZHUF encoder.
//
// Writes the raw code stream that the setup's decoder expands (no header, no
// end marker: the expanded size travels separately). Match choice is
// cost-based: for each block of input it takes every useful match, prices
// literals and matches with the adaptive code lengths and the static position
// code, and takes the cheapest parse before coding the block. A second parse
// prices symbols by their counts in the first; the smaller stream is kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

std::vector<std::uint8_t> EncodeLzh(const std::uint8_t* data, std::size_t size);

inline std::vector<std::uint8_t> EncodeLzh(const std::vector<std::uint8_t>& data) {
  return EncodeLzh(data.data(), data.size());
}

// Expands a code stream with the setup's own decoder (ExpandStream), for
// checks and the builder's decode command. Gives `size` bytes exactly.
std::vector<std::uint8_t> DecodeLzh(const std::vector<std::uint8_t>& stream, std::int32_t size);
