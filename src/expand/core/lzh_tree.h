// The adaptive Huffman tree of LZHUF, shared by the decoder and the package
// builder's encoder so that both sides update it in exactly the same way.
//
// 627 nodes (314 leaves, 313 inner nodes) kept in one array ordered by
// frequency, never decreasing from index 0 to the root at index 626. The two
// children of an inner node stand next to each other, the first at the lower
// index. The arrays are owned by the caller.
#pragma once

#include <cstdint>
#include <cstring>

#include "expand/core/lzh_format.h"

namespace lzh {

// Node indices (0..940) are kept as unsigned 16-bit values: the same bits as
// signed ones for these values, and cheaper to use as array indices.
struct Tree {
  // Entries 0..626: frequency of each node; entry 627 is a sentinel (0xFFFF)
  // above every real frequency, which stops the upward scans.
  std::uint16_t* Frequency;  // NodeCount + 1 entries
  // Entries 0..626: parent of each node (the root's entry is 0).
  // Entries 627..940: for symbol s, entry s + 627 is the node that is its leaf.
  std::uint16_t* Parent;  // NodeCount + SymbolCount entries
  // Inner node: index of its first child. Leaf: its symbol + 627.
  std::uint16_t* Child;  // NodeCount entries
};

// The starting tree: every symbol has frequency 1, leaves in symbol order,
// inner nodes built by pairing neighbours from the bottom.
inline void ResetTree(const Tree& t) {
  for (int s = 0; s < SymbolCount; ++s) {
    t.Frequency[s] = 1;
    t.Child[s] = static_cast<std::uint16_t>(s + NodeCount);
    t.Parent[s + NodeCount] = static_cast<std::uint16_t>(s);
  }
  for (int i = 0, j = SymbolCount; j < NodeCount; i += 2, ++j) {
    t.Frequency[j] = static_cast<std::uint16_t>(t.Frequency[i] + t.Frequency[i + 1]);
    t.Child[j] = static_cast<std::uint16_t>(i);
    t.Parent[i] = t.Parent[i + 1] = static_cast<std::uint16_t>(j);
  }
  t.Frequency[NodeCount] = 0xFFFF;
  t.Parent[Root] = 0;
}

// Halves every leaf frequency (rounding up) and rebuilds the inner nodes,
// each one placed after every node of the same frequency.
inline void RescaleTree(const Tree& t) {
  std::uint16_t* freq = t.Frequency;
  std::uint16_t* child = t.Child;
  std::uint16_t* parent = t.Parent;

  int j = 0;
  for (int i = 0; i < NodeCount; ++i) {
    if (child[i] >= NodeCount) {
      freq[j] = static_cast<std::uint16_t>((static_cast<unsigned>(freq[i]) + 1) / 2);
      child[j] = child[i];
      ++j;
    }
  }
  for (int i = 0, n = SymbolCount; n < NodeCount; i += 2, ++n) {
    const unsigned f = static_cast<unsigned>(freq[i]) + freq[i + 1];
    freq[n] = static_cast<std::uint16_t>(f);
    int k = n - 1;
    while (f < freq[k]) --k;
    ++k;
    const std::size_t moved = static_cast<std::size_t>(n - k);
    std::memmove(freq + k + 1, freq + k, moved * sizeof *freq);
    std::memmove(child + k + 1, child + k, moved * sizeof *child);
    freq[k] = static_cast<std::uint16_t>(f);
    child[k] = static_cast<std::uint16_t>(i);
  }
  for (int i = 0; i < NodeCount; ++i) {
    const int k = child[i];
    if (k >= NodeCount) {
      parent[k] = static_cast<std::uint16_t>(i);
    } else {
      parent[k] = parent[k + 1] = static_cast<std::uint16_t>(i);
    }
  }
}

// Adds 1 to the frequency of node c. When that puts it above the node after
// it, the node changes place with the last node of its old frequency (the
// subtrees move, the positions keep their parents). Returns where the node
// stands afterwards.
inline unsigned BumpNode(const Tree& t, unsigned c) {
  std::uint16_t* freq = t.Frequency;
  const unsigned k = ++freq[c];
  if (freq[c + 1] >= k) return c;

  // Nodes c+1 .. l all hold k - 1, the old frequency of c; find the last.
  // Runs are mostly short: count the ones among the next seven without
  // branching (the order makes them a prefix), step on only past those.
  unsigned l = c + 1;
  if (l + 7 <= NodeCount) {
    const unsigned n = (freq[l + 1] < k) + (freq[l + 2] < k) + (freq[l + 3] < k) + (freq[l + 4] < k) +
                  (freq[l + 5] < k) + (freq[l + 6] < k) + (freq[l + 7] < k);
    l += n;
    if (n == 7) {
      while (freq[l + 1] < k) ++l;  // the sentinel stops this
    }
  } else {
    while (freq[l + 1] < k) ++l;
  }
  freq[c] = freq[l];
  freq[l] = static_cast<std::uint16_t>(k);

  std::uint16_t* child = t.Child;
  std::uint16_t* parent = t.Parent;
  const unsigned i = child[c];
  parent[i] = static_cast<std::uint16_t>(l);
  if (i < NodeCount) parent[i + 1] = static_cast<std::uint16_t>(l);
  const unsigned j = child[l];
  child[l] = static_cast<std::uint16_t>(i);
  parent[j] = static_cast<std::uint16_t>(c);
  if (j < NodeCount) parent[j + 1] = static_cast<std::uint16_t>(c);
  child[c] = static_cast<std::uint16_t>(j);
  return l;
}

// Counts one occurrence of a symbol: every node from its leaf up to the root
// gains 1 (rescaling first when the root has reached its limit).
inline void BumpSymbol(const Tree& t, int symbol) {
  if (t.Frequency[Root] == MaxFrequency) RescaleTree(t);
  unsigned c = t.Parent[symbol + NodeCount];
  do {
    c = t.Parent[BumpNode(t, c)];
  } while (c != 0);
}

}  // namespace lzh
