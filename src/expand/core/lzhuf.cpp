#include "expand/core/lzhuf.h"

#include <cstdlib>
#include <cstring>

#include "expand/core/lzh_format.h"
#include "expand/core/lzh_tree.h"
#include "setup/core/config.h"

namespace {

void* ObtainFromHeap(std::size_t size) { return std::malloc(size); }
bool ReturnToHeap(void* block) {
  std::free(block);
  return true;
}

using namespace lzh;

// The ring keeps MaxMatch - 1 spare bytes behind its 4096 used ones.
constexpr std::size_t RingBytes = RingSize + MaxMatch - 1;
constexpr std::size_t FrequencyBytes = (NodeCount + 1) * sizeof(std::uint16_t);
constexpr std::size_t ParentBytes = (NodeCount + SymbolCount) * sizeof(std::uint16_t);
constexpr std::size_t ChildBytes = NodeCount * sizeof(std::uint16_t);

// The blocks one expansion works in, in the order they are obtained.
struct Tables {
  static constexpr int Count = 4;
  void* Blocks[Count] = {};
};

void ReturnBlocks(Tables& tables, int obtained) {
  bool ok = true;
  for (int i = obtained - 1; i >= 0; --i) {
    if (!LzhReturnBlock(tables.Blocks[i])) ok = false;
    tables.Blocks[i] = nullptr;
  }
  if (!ok) throw ElzhException("LZH : Error freeing memory for dictionary tables");
}

Tables AllocateTables() {
  static constexpr std::size_t sizes[Tables::Count] = {RingBytes, FrequencyBytes, ParentBytes,
                                                       ChildBytes};
  Tables tables;
  for (int i = 0; i < Tables::Count; ++i) {
    tables.Blocks[i] = LzhObtainBlock(sizes[i]);
    if (tables.Blocks[i] == nullptr) {
      // Hand back what was obtained so far; its own failure cannot be told.
      try {
        ReturnBlocks(tables, i);
      } catch (const ElzhException&) {
      }
      throw ElzhException("LZH : Cannot get memory for dictionary tables");
    }
  }
  return tables;
}

void ReleaseTables(Tables& tables) { ReturnBlocks(tables, Tables::Count); }

// One expansion's working state. The bit buffer is kept left-aligned in a
// 32-bit word (the stream's next bit is bit 31); it holds 0 to 16 bits.
class Decoder {
 public:
  Decoder(const Tables& tables, LzhReadProc read, LzhWriteProc write)
      : read_(read),
        write_(write),
        ring_(static_cast<std::uint8_t*>(tables.Blocks[0])),
        tree_{static_cast<std::uint16_t*>(tables.Blocks[1]), static_cast<std::uint16_t*>(tables.Blocks[2]),
              static_cast<std::uint16_t*>(tables.Blocks[3])} {}

  void Run(std::int32_t size) {
    ResetTree(tree_);
    std::memset(ring_, ' ', RingStart);
    // The tail of the ring has no defined content until it is written. A
    // well-formed stream never copies from it; a damaged one would otherwise
    // copy whatever the heap held there into the product, so it gets zeros.
    std::memset(ring_ + RingStart, 0, RingSize - RingStart);
    unsigned r = RingStart;
    std::int64_t produced = 0;

    while (produced < size && KeepGoing != 0) {
      const int c = ReadSymbol();
      if (c < 256) {
        Emit(static_cast<std::uint8_t>(c), r);
        ++produced;
      } else {
        // Byte by byte in increasing order, so that an overlapping source
        // repeats the bytes just produced.
        unsigned from = (r - ReadMatchOffset() - 1) & (RingSize - 1);
        const int length = MatchLength(c);
        for (int k = 0; k < length; ++k) {
          Emit(ring_[from], r);
          from = (from + 1) & (RingSize - 1);
        }
        produced += length;
      }
    }
  }

 private:
  // Makes sure 9 to 16 bits are buffered, one byte per read call.
  void TopUp() {
    while (count_ <= 8) {
      std::uint8_t byte = 0;
      std::uint16_t delivered = 0;
      read_(&byte, 1, delivered);
      const std::uint32_t value = delivered == 1 ? byte : 0;
      bits_ |= value << (24 - count_);
      count_ += 8;
    }
  }

  unsigned ReadBit() {
    if (count_ <= 8) TopUp();
    const unsigned bit = bits_ >> 31;
    bits_ <<= 1;
    --count_;
    return bit;
  }

  unsigned ReadOctet() {
    if (count_ <= 8) TopUp();
    const unsigned octet = bits_ >> 24;
    bits_ <<= 8;
    count_ -= 8;
    return octet;
  }

  // Walks from the root, one bit per level, to a leaf; then counts the symbol.
  // The bits are taken in runs: a run ends at the leaf or when only 8 bits are
  // left, where ReadBit would top up before the next bit. Reads thus happen
  // exactly where ReadBit would make them.
  int ReadSymbol() {
    const std::uint16_t* child = tree_.Child;
    unsigned c = child[Root];
    for (;;) {
      if (count_ <= 8) TopUp();
      const unsigned spare = count_ - 8;  // bits to take before the next top-up
      std::uint32_t bits = bits_;
      unsigned used = 0;
      do {
        c = child[c + (bits >> 31)];
        bits <<= 1;
        ++used;
      } while ((c < NodeCount) & (used < spare));  // one branch for both ends
      bits_ = bits;
      count_ -= used;
      if (c >= NodeCount) break;
    }
    const int symbol = static_cast<int>(c) - NodeCount;
    BumpSymbol(tree_, symbol);
    return symbol;
  }

  unsigned ReadMatchOffset() {
    unsigned i = ReadOctet();
    const unsigned high = static_cast<unsigned>(Positions.Upper[i]) << 6;
    for (int n = Positions.Length[i] - 2; n > 0; --n) {
      i = (i << 1) + ReadBit();
    }
    return high | (i & 63);
  }

  // Puts a produced byte into the ring and hands it to the write callback.
  void Emit(std::uint8_t byte, unsigned& r) {
    ring_[r] = byte;
    std::uint16_t accepted;  // never looked at
    write_(ring_ + r, 1, accepted);
    r = (r + 1) & (RingSize - 1);
  }

  LzhReadProc read_;
  LzhWriteProc write_;
  std::uint8_t* ring_;
  Tree tree_;
  std::uint32_t bits_ = 0;
  unsigned count_ = 0;
};

}  // namespace

void* (*LzhObtainBlock)(std::size_t size) = ObtainFromHeap;
bool (*LzhReturnBlock)(void* block) = ReturnToHeap;

void ExpandStream(std::int32_t size, LzhReadProc read, LzhWriteProc write) {
  Tables tables = AllocateTables();
  try {
    Decoder(tables, read, write).Run(size);
  } catch (...) {
    ReleaseTables(tables);  // its own failure replaces the exception in flight
    throw;
  }
  ReleaseTables(tables);
}
