#include "expand/core/lzhuf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "expand/core/lzh_format.h"
#include "expand/core/lzh_tree.h"
#include "setup/core/config.h"

namespace {

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> Vector(const std::string& name) {
  return ReadFile(std::string(TEST_DATA_DIR) + "/lzhuf/" + name);
}

// The callbacks are plain function pointers, so what they work on is global.
struct Io {
  std::vector<std::uint8_t> input;
  std::size_t position = 0;
  std::vector<std::uint8_t> output;
  std::string events;         // 'R' per read call, 'W' per write call
  std::uint16_t deliverAs = 1;  // what a read reports as delivered
  long clearKeepGoingAtWrite = -1;
  long throwAtWrite = -1;
};
Io io;

void ReadOne(std::uint8_t* destination, std::uint16_t count, std::uint16_t& delivered) {
  EXPECT_EQ(count, 1);
  io.events += 'R';
  if (io.position < io.input.size()) {
    *destination = io.input[io.position++];
    delivered = io.deliverAs;
  } else {
    delivered = 0;
  }
}

void WriteOne(const std::uint8_t* source, std::uint16_t count, std::uint16_t& accepted) {
  EXPECT_EQ(count, 1);
  io.events += 'W';
  const long index = static_cast<long>(io.output.size());
  if (index == io.throwAtWrite) throw EInOutError(101);
  io.output.push_back(*source);
  accepted = 1;
  if (index == io.clearKeepGoingAtWrite) KeepGoing = 0;
}

std::vector<std::uint8_t> Expand(std::vector<std::uint8_t> input, std::int32_t size) {
  io = Io{};
  io.input = std::move(input);
  KeepGoing = 1;
  ExpandStream(size, ReadOne, WriteOne);
  return io.output;
}

// Writes codes by hand, keeping the adaptive tree in step with the decoder.
class CodeStream {
 public:
  CodeStream() { lzh::ResetTree(tree_); }

  CodeStream& Literal(std::uint8_t byte) {
    Symbol(byte);
    return *this;
  }
  CodeStream& Match(int length, int position) {
    Symbol(lzh::MatchSymbol(length));
    const int prefix = lzh::Positions.CodeLength[position >> 6];
    Bits(lzh::Positions.Code[position >> 6] >> (8 - prefix), prefix);
    Bits(position & 63, 6);
    return *this;
  }
  std::vector<std::uint8_t> Finish() {
    if (pending_ > 0) bytes_.push_back(static_cast<std::uint8_t>(acc_ << (8 - pending_)));
    return bytes_;
  }

 private:
  void Symbol(int symbol) {
    std::vector<int> path;
    for (int node = parent_[symbol + lzh::NodeCount]; node != lzh::Root;) {
      const int up = parent_[node];
      path.push_back(node - child_[up]);
      node = up;
    }
    for (auto it = path.rbegin(); it != path.rend(); ++it) Bits(*it, 1);
    lzh::BumpSymbol(tree_, symbol);
  }
  void Bits(unsigned value, int count) {
    while (count-- > 0) {
      acc_ = (acc_ << 1) | ((value >> count) & 1);
      if (++pending_ == 8) {
        bytes_.push_back(static_cast<std::uint8_t>(acc_));
        acc_ = 0;
        pending_ = 0;
      }
    }
  }

  std::uint16_t freq_[lzh::NodeCount + 1];
  std::uint16_t parent_[lzh::NodeCount + lzh::SymbolCount];
  std::uint16_t child_[lzh::NodeCount];
  lzh::Tree tree_{freq_, parent_, child_};
  std::vector<std::uint8_t> bytes_;
  unsigned acc_ = 0;
  int pending_ = 0;
};

// Counts the decoder's blocks and can make one obtain or return fail.
struct BlockLedger {
  int obtained = 0;
  int returned = 0;
  int failObtainAt = -1;  // 0-based index of the obtain call that fails
  bool failReturn = false;
};
BlockLedger ledger;

void* CountingObtain(std::size_t size) {
  if (ledger.obtained == ledger.failObtainAt) return nullptr;
  ++ledger.obtained;
  return std::malloc(size);
}
bool CountingReturn(void* block) {
  ++ledger.returned;
  std::free(block);
  return !ledger.failReturn;
}

class LzhufBlocks : public ::testing::Test {
 protected:
  void SetUp() override {
    ledger = BlockLedger{};
    LzhObtainBlock = CountingObtain;
    LzhReturnBlock = CountingReturn;
  }
  void TearDown() override {
    LzhObtainBlock = saved_obtain_;
    LzhReturnBlock = saved_return_;
    KeepGoing = 0;
  }

 private:
  void* (*saved_obtain_)(std::size_t) = LzhObtainBlock;
  bool (*saved_return_)(void*) = LzhReturnBlock;
};

const char* const kVectors[] = {"one-byte", "gpl3-text", "mixed", "pe-sample", "random-100k", "zeros-200k"};

}  // namespace

TEST(Lzhuf, EveryVectorExpandsExactly) {
  for (const char* name : kVectors) {
    SCOPED_TRACE(name);
    const auto expected = Vector(std::string(name) + ".bin");
    const auto coded = Vector(std::string(name) + ".lzh");
    EXPECT_TRUE(Expand(coded, static_cast<std::int32_t>(expected.size())) == expected);
    // One read per compressed byte, the read-ahead included: never more than
    // two bytes past the stream, and reads and writes are single bytes.
    EXPECT_GE(io.position, coded.size());
    const auto reads = std::count(io.events.begin(), io.events.end(), 'R');
    EXPECT_GE(reads, static_cast<long>(coded.size()));
    EXPECT_LE(reads, static_cast<long>(coded.size()) + 2);
    EXPECT_EQ(std::count(io.events.begin(), io.events.end(), 'W'), static_cast<long>(expected.size()));
  }
}

TEST(Lzhuf, FirstReadFetchesTwoBytesThenReadsLazily) {
  // The one-byte vector's literal takes 9 bits: two bytes are fetched first,
  // the third (past the end of the stream) just before the ninth bit.
  EXPECT_EQ(Expand(Vector("one-byte.lzh"), 1), Vector("one-byte.bin"));
  EXPECT_EQ(io.events, "RRRW");

  // 'x', 'y' and 'z' take 8 bits each: a byte is fetched only when a bit is
  // needed and 8 or fewer are buffered, so reads trail the writes.
  const auto stream = CodeStream().Literal('x').Literal('y').Literal('z').Finish();
  ASSERT_EQ(stream.size(), 3u);
  EXPECT_EQ(Expand(stream, 3), (std::vector<std::uint8_t>{'x', 'y', 'z'}));
  EXPECT_EQ(io.events, "RRWRWRW");
}

TEST(Lzhuf, MatchesCopyFromTheRing) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> stream;
    std::int32_t size;
    std::vector<std::uint8_t> expected;
  };
  const Case cases[] = {
      {"overlapping copy repeats the last byte", CodeStream().Literal(0x41).Match(5, 0).Finish(), 6,
       std::vector<std::uint8_t>(6, 0x41)},
      {"a first-code match reads the space-filled ring", CodeStream().Match(3, 0).Finish(), 3,
       std::vector<std::uint8_t>(3, ' ')},
      {"a period-two pattern", CodeStream().Literal('x').Literal('y').Match(6, 1).Finish(), 8,
       {'x', 'y', 'x', 'y', 'x', 'y', 'x', 'y'}},
      {"a far position reaches the start of the space-filled ring",
       CodeStream().Literal('q').Match(4, 4036).Finish(), 5, {'q', ' ', ' ', ' ', ' '}},
      {"the last match is copied whole past the size", CodeStream().Literal('z').Match(60, 0).Finish(), 2,
       std::vector<std::uint8_t>(61, 'z')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Expand(c.stream, c.size), c.expected);
  }
}

TEST(Lzhuf, NothingHappensForEmptySizesOrAClearedFlag) {
  const auto coded = Vector("gpl3-text.lzh");
  for (std::int32_t size : {0, -1, INT32_MIN}) {
    EXPECT_TRUE(Expand(coded, size).empty());
    EXPECT_EQ(io.events, "");
  }
  io = Io{};
  io.input = coded;
  KeepGoing = 0;
  ExpandStream(1000, ReadOne, WriteOne);
  EXPECT_EQ(io.events, "");
}

TEST(Lzhuf, ClearedFlagFinishesTheCurrentMatchThenStops) {
  const auto stream = CodeStream().Literal('k').Match(10, 0).Literal('x').Finish();
  io = Io{};
  io.input = stream;
  io.clearKeepGoingAtWrite = 3;  // inside the match
  KeepGoing = 1;
  ExpandStream(100, ReadOne, WriteOne);
  EXPECT_EQ(io.output, std::vector<std::uint8_t>(11, 'k'));
  EXPECT_EQ(io.events.back(), 'W');  // no further code was read
  EXPECT_EQ(KeepGoing, 0);
}

TEST(Lzhuf, ShortStreamsReadAsZeroBits) {
  const auto expected = Vector("pe-sample.bin");
  auto cut = Vector("pe-sample.lzh");
  cut.resize(cut.size() / 2);
  const auto size = static_cast<std::int32_t>(expected.size());
  const auto out = Expand(cut, size);
  ASSERT_GE(out.size(), expected.size());
  EXPECT_LE(out.size(), expected.size() + 59);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 50000, expected.begin()));

  // A read that reports anything but exactly one byte reads as a zero byte,
  // whatever it put into the buffer.
  const auto zeros = Expand(std::vector<std::uint8_t>(), size);
  io = Io{};
  io.input = Vector("pe-sample.lzh");
  io.deliverAs = 2;
  KeepGoing = 1;
  ExpandStream(size, ReadOne, WriteOne);
  EXPECT_EQ(io.output, zeros);
}

TEST_F(LzhufBlocks, ReturnedAfterEveryCall) {
  Expand(Vector("mixed.lzh"), 162153);
  Expand(Vector("mixed.lzh"), 0);
  EXPECT_GT(ledger.obtained, 0);
  EXPECT_EQ(ledger.returned, ledger.obtained);
}

TEST_F(LzhufBlocks, CallbackExceptionPassesThroughAndNextCallStartsAfresh) {
  io = Io{};
  io.input = Vector("gpl3-text.lzh");
  io.throwAtWrite = 500;
  KeepGoing = 1;
  EXPECT_THROW(ExpandStream(35149, ReadOne, WriteOne), EInOutError);
  EXPECT_EQ(ledger.returned, ledger.obtained);
  EXPECT_EQ(Expand(Vector("gpl3-text.lzh"), 35149), Vector("gpl3-text.bin"));
}

TEST_F(LzhufBlocks, FailureToObtainReportsAndReadsNothing) {
  for (int failAt = 0; failAt < 4; ++failAt) {
    ledger = BlockLedger{};
    ledger.failObtainAt = failAt;
    io = Io{};
    io.input = Vector("gpl3-text.lzh");
    KeepGoing = 1;
    try {
      ExpandStream(35149, ReadOne, WriteOne);
      ADD_FAILURE() << "no exception";
    } catch (const ElzhException& e) {
      EXPECT_STREQ(e.what(), "LZH : Cannot get memory for dictionary tables");
      EXPECT_STREQ(e.ClassName(), "ElzhException");
    }
    EXPECT_EQ(io.events, "");
    EXPECT_EQ(ledger.obtained, failAt);
    EXPECT_EQ(ledger.returned, failAt);  // nothing leaks
  }
}

TEST_F(LzhufBlocks, FailureToReturnReplacesAnyExceptionInFlight) {
  for (bool callbackThrows : {false, true}) {
    ledger = BlockLedger{};
    ledger.failReturn = true;
    io = Io{};
    io.input = Vector("gpl3-text.lzh");
    io.throwAtWrite = callbackThrows ? 10 : -1;
    KeepGoing = 1;
    try {
      ExpandStream(35149, ReadOne, WriteOne);
      ADD_FAILURE() << "no exception";
    } catch (const ElzhException& e) {
      EXPECT_STREQ(e.what(), "LZH : Error freeing memory for dictionary tables");
    }
    EXPECT_EQ(ledger.returned, ledger.obtained);  // every block is still handed back
  }
}

// A damaged stream may copy from the part of the ring that no byte has
// reached yet (positions 4036 to 4095 at the start): it reads zeros there,
// never what the memory held before.
void* ObtainDirty(std::size_t size) {
  void* block = std::malloc(size);
  if (block) std::memset(block, 0xA5, size);
  return block;
}

TEST(LzhufDecoder, UnwrittenRingTailReadsAsZeros) {
  void* (*saved)(std::size_t) = LzhObtainBlock;
  LzhObtainBlock = ObtainDirty;
  // Position 4095 from r = 4036 starts the copy at 4036 itself.
  const auto out = Expand(CodeStream().Match(60, 4095).Finish(), 60);
  LzhObtainBlock = saved;
  EXPECT_EQ(out, std::vector<std::uint8_t>(60, 0));
}
