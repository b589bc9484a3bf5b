// The LZHUF stream format: constants and the static code for match positions.
//
// LZSS over a 4096-byte ring with matches of 3 to 60 bytes. Literals and match
// lengths share one adaptive Huffman code of 314 symbols (see lzh_tree.h);
// the 12-bit match position is sent as a prefix code for its upper 6 bits
// (3 to 8 bits long) followed by its lower 6 bits as they are.
#pragma once

#include <array>
#include <cstdint>

namespace lzh {

constexpr int RingSize = 4096;                 // N
constexpr int MaxMatch = 60;                   // F
constexpr int Threshold = 2;                   // a match is longer than this
constexpr int MinMatch = Threshold + 1;        // 3
constexpr int RingStart = RingSize - MaxMatch; // 4036: first byte produced goes here
constexpr int SymbolCount = 256 + MaxMatch - Threshold;  // 314
constexpr int NodeCount = 2 * SymbolCount - 1;           // 627
constexpr int Root = NodeCount - 1;                      // 626
constexpr std::uint16_t MaxFrequency = 0x8000;           // root value that triggers a rescale

// Symbol of a match of the given length, and back.
constexpr int MatchSymbol(int length) { return length - MinMatch + 256; }
constexpr int MatchLength(int symbol) { return symbol - 256 + MinMatch; }

// The prefix code of the upper 6 bits of a position. The values 0..63 are
// split into six groups; each group has one code length, and the codes are
// handed out in value order, so that the first eight bits of any position
// code index a 256-entry table directly.
struct PositionTables {
  std::array<std::uint8_t, 256> Upper;   // first 8 bits -> upper 6 bits of the position
  std::array<std::uint8_t, 256> Length;  // first 8 bits -> length of the prefix code (3..8)
  std::array<std::uint8_t, 64> CodeLength;  // upper 6 bits -> prefix code length
  std::array<std::uint8_t, 64> Code;        // upper 6 bits -> prefix code, left-aligned in 8 bits
};

constexpr PositionTables MakePositionTables() {
  // Group g holds `values` consecutive upper values, each coded with `length` bits.
  constexpr int values[6] = {1, 3, 8, 12, 24, 16};
  constexpr int lengths[6] = {3, 4, 5, 6, 7, 8};
  PositionTables t{};
  int upper = 0;
  int index = 0;  // first 8-bit index of the current value
  for (int g = 0; g < 6; ++g) {
    const int span = 1 << (8 - lengths[g]);  // 8-bit indices that share one code
    for (int v = 0; v < values[g]; ++v, ++upper) {
      t.CodeLength[upper] = static_cast<std::uint8_t>(lengths[g]);
      t.Code[upper] = static_cast<std::uint8_t>(index);
      for (int k = 0; k < span; ++k, ++index) {
        t.Upper[index] = static_cast<std::uint8_t>(upper);
        t.Length[index] = static_cast<std::uint8_t>(lengths[g]);
      }
    }
  }
  return t;
}

inline constexpr PositionTables Positions = MakePositionTables();

static_assert(Positions.Upper[31] == 0 && Positions.Upper[32] == 1 && Positions.Upper[79] == 3);
static_assert(Positions.Upper[80] == 4 && Positions.Upper[143] == 11 && Positions.Upper[144] == 12);
static_assert(Positions.Upper[191] == 23 && Positions.Upper[192] == 24 && Positions.Upper[239] == 47);
static_assert(Positions.Upper[240] == 48 && Positions.Upper[255] == 63);
static_assert(Positions.Length[0] == 3 && Positions.Length[79] == 4 && Positions.Length[143] == 5 &&
              Positions.Length[191] == 6 && Positions.Length[239] == 7 && Positions.Length[255] == 8);

// Bits that a match position costs: its prefix code plus the 6 lower bits.
constexpr int PositionBits(int position) { return Positions.CodeLength[position >> 6] + 6; }

}  // namespace lzh
