#include "pkgbuild/lzh_encoder.h"

#include <algorithm>
#include <cstring>
#include <cmath>
#include <limits>

#include "expand/core/lzh_format.h"
#include "expand/core/lzh_tree.h"
#include "expand/core/lzhuf.h"
#include "setup/core/config.h"

namespace {

using namespace lzh;

// The input is coded as if preceded by the decoder's starting ring: RingStart
// spaces. Positions below are indices into that "history + input" buffer.
using Position = std::int64_t;

struct Match {
  std::uint16_t Length;
  std::uint16_t Distance;  // 1..4096: the decoder's position code is Distance - 1
};

// A binary search tree of the strings starting at the positions of the last
// 4096 bytes, one tree per 3-byte hash, newest position at the root (as the
// LZMA family of encoders keeps it). Searching for a position also inserts it.
// Walking down from the root meets candidates from near to far, and every
// match that improves on the length found so far is reported: each length
// comes with the nearest distance that reaches it.
class MatchFinder {
 public:
  static constexpr int HashBits = 16;
  static constexpr int MaxDepth = 256;  // nodes visited per search at most
  static constexpr Position Cyclic = 2 * RingSize;  // slots outlive the window

  MatchFinder(const std::vector<std::uint8_t>& buffer, Position first)
      : buf_(buffer), head_(std::size_t{1} << HashBits, Nil), tree_(2 * Cyclic, Nil) {
    // Runs of the starting spaces can be matched; the nearest ones suffice.
    std::vector<Match> ignored;
    for (Position p = std::max<Position>(0, first - MaxMatch); p < first; ++p) Find(p, ignored);
  }

  // Must be called for every position from `first` on, in order.
  void Find(Position i, std::vector<Match>& out) {
    const Position end = static_cast<Position>(buf_.size());
    const int limit = static_cast<int>(std::min<Position>(MaxMatch, end - i));
    if (limit < MinMatch) return;
    const std::uint8_t* data = buf_.data();
    const std::uint32_t h = Hash(i);
    Position candidate = head_[h];
    head_[h] = i;

    // The new node's two subtrees are built while walking down: strings
    // below it go left, strings above it go right.
    Position* left = &tree_[2 * (i % Cyclic)];
    Position* right = left + 1;
    int leftLength = 0;   // common prefix with every string now left of the path
    int rightLength = 0;  // ... and right of it
    int best = MinMatch - 1;
    for (int depth = 0;; ++depth) {
      if (candidate == Nil || i - candidate > RingSize || depth == MaxDepth) {
        *left = *right = Nil;
        return;
      }
      Position* pair = &tree_[2 * (candidate % Cyclic)];
      int length = std::min(leftLength, rightLength);
      while (length < limit && data[candidate + length] == data[i + length]) ++length;
      if (length > best) {
        best = length;
        out.push_back({static_cast<std::uint16_t>(length), static_cast<std::uint16_t>(i - candidate)});
      }
      if (length == limit) {  // the candidate's subtrees become the new node's
        *left = pair[0];
        *right = pair[1];
        return;
      }
      if (data[candidate + length] < data[i + length]) {
        *left = candidate;
        left = pair + 1;
        candidate = *left;
        leftLength = length;
      } else {
        *right = candidate;
        right = pair;
        candidate = *right;
        rightLength = length;
      }
    }
  }

 private:
  static constexpr Position Nil = -1;

  std::uint32_t Hash(Position i) const {
    const std::uint32_t v = buf_[i] | buf_[i + 1] << 8 | buf_[i + 2] << 16;
    return (v * 2654435761u) >> (32 - HashBits);
  }

  const std::vector<std::uint8_t>& buf_;
  std::vector<Position> head_;
  std::vector<Position> tree_;  // per slot: left and right subtree
};

// The match lists of every input position, found once and read by each parse.
// Lists are short (about one match per position on typical input), so the
// whole table costs some eight bytes per input byte.
class MatchTable {
 public:
  explicit MatchTable(const std::vector<std::uint8_t>& buffer) : offsets_{0} {
    MatchFinder finder(buffer, RingStart);
    const Position end = static_cast<Position>(buffer.size());
    offsets_.reserve(static_cast<std::size_t>(end - RingStart) + 1);
    for (Position i = RingStart; i < end; ++i) {
      finder.Find(i, pool_);
      offsets_.push_back(static_cast<std::uint32_t>(pool_.size()));
    }
  }
  // The matches at a position, by increasing length and distance.
  const Match* Begin(Position i) const { return pool_.data() + offsets_[i - RingStart]; }
  const Match* End(Position i) const { return pool_.data() + offsets_[i - RingStart + 1]; }

 private:
  std::vector<std::uint32_t> offsets_;
  std::vector<Match> pool_;
};

class BitWriter {
 public:
  void Put(std::uint32_t code, int length) {  // the low `length` bits, most significant first
    acc_ = (acc_ << length) | code;
    count_ += length;
    while (count_ >= 8) {
      count_ -= 8;
      out_.push_back(static_cast<std::uint8_t>(acc_ >> count_));
    }
    acc_ &= (std::uint64_t{1} << count_) - 1;
  }
  std::vector<std::uint8_t> Finish() {
    if (count_ > 0) out_.push_back(static_cast<std::uint8_t>(acc_ << (8 - count_)));
    count_ = 0;
    return std::move(out_);
  }

 private:
  std::uint64_t acc_ = 0;
  int count_ = 0;
  std::vector<std::uint8_t> out_;
};

// Costs are counted in 1/256 bit, so that prices taken from symbol counts
// keep their fractions.
constexpr std::uint32_t CostUnit = 256;

class Encoder {
 public:
  Encoder() { ResetTree(tree_); }

  // Codes a symbol with the current tree, then counts it as the decoder will.
  void PutSymbol(int symbol) {
    std::uint32_t code = 0;
    int length = 0;
    for (int node = parent_[symbol + NodeCount]; node != Root;) {
      const int up = parent_[node];
      code |= static_cast<std::uint32_t>(node - child_[up]) << length;
      ++length;
      node = up;
    }
    bits_.Put(code, length);
    BumpSymbol(tree_, symbol);
  }
  void PutLiteral(std::uint8_t byte) { PutSymbol(byte); }
  void PutMatch(int length, int distance) {
    PutSymbol(MatchSymbol(length));
    const int position = distance - 1;
    const int prefix = Positions.CodeLength[position >> 6];
    bits_.Put(Positions.Code[position >> 6] >> (8 - prefix), prefix);
    bits_.Put(position & 63, 6);
  }

  // What each symbol costs with the tree as it stands, in CostUnit parts of a
  // bit: the depth of its leaf. A parent always stands above its children in
  // the node order, so one pass from the root down fills every depth.
  void SymbolCosts(std::uint32_t costs[SymbolCount]) const {
    std::uint8_t depth[NodeCount];
    depth[Root] = 0;
    for (int i = Root; i >= 0; --i) {
      const int c = child_[i];
      if (c >= NodeCount) {
        costs[c - NodeCount] = depth[i] * CostUnit;
      } else {
        depth[c] = depth[c + 1] = static_cast<std::uint8_t>(depth[i] + 1);
      }
    }
  }

  std::vector<std::uint8_t> Finish() { return bits_.Finish(); }

 private:
  std::uint16_t freq_[NodeCount + 1];
  std::uint16_t parent_[NodeCount + SymbolCount];
  std::uint16_t child_[NodeCount];
  Tree tree_{freq_, parent_, child_};
  BitWriter bits_;
};

// Positions are parsed in blocks; the costs of a block come from the tree as
// it stands at the block's start, or from fixed prices. The parse of a block
// looks MaxMatch bytes further, so that a match may run across the block's end.
constexpr Position BlockLength = 1024;

struct Step {
  std::uint32_t Cost;      // cheapest cost to reach this position from the block start
  std::uint16_t Length;    // of the last code on that way: 1 for a literal
  std::uint16_t Distance;  // of that code when it is a match
};

// Parses and codes the whole input. The symbols are priced with `prices` when
// given, else with the tree's code lengths at each block's start. Adds every
// symbol coded to `counts`.
std::vector<std::uint8_t> CodeInput(const std::vector<std::uint8_t>& buffer, const MatchTable& matches,
                                    const std::uint32_t* prices, std::uint32_t counts[SymbolCount]) {
  const Position end = static_cast<Position>(buffer.size());
  Encoder encoder;
  std::vector<Step> steps;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> path;
  std::uint32_t treeCost[SymbolCount];
  const std::uint32_t* symbolCost = prices ? prices : treeCost;

  Position start = RingStart;
  while (start < end) {
    const Position target = std::min(start + BlockLength, end);
    const Position horizon = std::min(target + MaxMatch, end);
    if (!prices) encoder.SymbolCosts(treeCost);

    const std::size_t span = static_cast<std::size_t>(horizon - start);
    steps.assign(span + 1, {std::numeric_limits<std::uint32_t>::max(), 0, 0});
    steps[0].Cost = 0;
    for (std::size_t k = 0; k < span; ++k) {
      const Position i = start + static_cast<Position>(k);
      const std::uint32_t here = steps[k].Cost;
      const std::uint32_t literal = here + symbolCost[buffer[i]];
      if (literal < steps[k + 1].Cost) steps[k + 1] = {literal, 1, 0};

      const Match* m = matches.Begin(i);
      const Match* const last = matches.End(i);
      int length = MinMatch;
      for (; m != last; ++m) {
        const std::uint32_t base = here + CostUnit * static_cast<std::uint32_t>(PositionBits(m->Distance - 1));
        const int longest = std::min<int>(m->Length, static_cast<int>(span - k));
        for (; length <= longest; ++length) {
          const std::uint32_t cost = base + symbolCost[MatchSymbol(length)];
          Step& to = steps[k + static_cast<std::size_t>(length)];
          if (cost <= to.Cost) to = {cost, static_cast<std::uint16_t>(length), m->Distance};
        }
      }
    }

    // Walk back from the horizon, then code the block up to the first step
    // that reaches its end.
    path.clear();
    for (std::size_t k = span; k > 0; k -= steps[k].Length) path.emplace_back(steps[k].Length, steps[k].Distance);
    Position at = start;
    for (auto it = path.rbegin(); it != path.rend() && at < target; ++it) {
      if (it->first == 1) {
        encoder.PutLiteral(buffer[at]);
        ++counts[buffer[at]];
      } else {
        encoder.PutMatch(it->first, it->second);
        ++counts[MatchSymbol(it->first)];
      }
      at += it->first;
    }
    start = at;
  }
  return encoder.Finish();
}

// Prices each symbol at its share of all the symbols counted: -log2 of its
// frequency, with half a count added so that unused symbols stay dear but
// finite.
void PricesFromCounts(const std::uint32_t counts[SymbolCount], std::uint32_t prices[SymbolCount]) {
  double total = 0;
  for (int s = 0; s < SymbolCount; ++s) total += counts[s] + 0.5;
  for (int s = 0; s < SymbolCount; ++s) {
    prices[s] = static_cast<std::uint32_t>(std::lround(CostUnit * std::log2(total / (counts[s] + 0.5))));
  }
}

}  // namespace

// Two parses. The first prices symbols with the tree as it stands, which
// knows only the input before the block. The coder's counts build up over
// the whole stream, so a symbol's long-run cost is closer to its share of the
// whole first parse: the second parse prices with that and usually comes out
// a little smaller. The smaller stream is kept.
std::vector<std::uint8_t> EncodeLzh(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> buffer(RingStart + size, ' ');
  if (size > 0) std::memcpy(buffer.data() + RingStart, data, size);
  const MatchTable matches(buffer);

  std::uint32_t counts[SymbolCount] = {};
  std::vector<std::uint8_t> first = CodeInput(buffer, matches, nullptr, counts);
  std::uint32_t prices[SymbolCount];
  PricesFromCounts(counts, prices);
  std::vector<std::uint8_t> second = CodeInput(buffer, matches, prices, counts);
  return second.size() < first.size() ? second : first;
}

namespace {

const std::vector<std::uint8_t>* decodeSource;
std::size_t decodeNext;
std::vector<std::uint8_t>* decodeSink;

void ReadFromStream(std::uint8_t* destination, std::uint16_t, std::uint16_t& delivered) {
  if (decodeNext >= decodeSource->size()) {
    delivered = 0;
    return;
  }
  *destination = (*decodeSource)[decodeNext++];
  delivered = 1;
}

void WriteToVector(const std::uint8_t* source, std::uint16_t, std::uint16_t& accepted) {
  decodeSink->push_back(*source);
  accepted = 1;
}

}  // namespace

std::vector<std::uint8_t> DecodeLzh(const std::vector<std::uint8_t>& stream, std::int32_t size) {
  std::vector<std::uint8_t> out;
  out.reserve(size > 0 ? static_cast<std::size_t>(size) + MaxMatch : 0);
  decodeSource = &stream;
  decodeNext = 0;
  decodeSink = &out;
  const std::int32_t saved = KeepGoing;
  KeepGoing = 1;
  try {
    ExpandStream(size, ReadFromStream, WriteToVector);
  } catch (...) {
    KeepGoing = saved;
    throw;
  }
  KeepGoing = saved;
  if (size >= 0 && out.size() > static_cast<std::size_t>(size)) out.resize(static_cast<std::size_t>(size));
  return out;
}
