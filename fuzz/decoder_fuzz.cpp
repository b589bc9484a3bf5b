// The decoder on any compressed bytes, any requested size, with KeepGoing
// cleared at a random read or write and, now and then, a callback that throws
// or a table that cannot be obtained.
//
// Whatever the bytes: no crash, at most size + 59 bytes out (a match is copied
// whole), at least size when nothing stopped it, one byte asked and passed per
// call, no read once the output is complete or after a stop in the write
// callback (a stop during a read lets only the current code finish), and
// every table obtained is returned.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "expand/core/lzhuf.h"
#include "setup/core/config.h"

// Stops with the broken condition named, so that a finding says what it broke.
#define Require(condition) \
  ((condition) ? (void)0 : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition), std::abort()))

namespace {

struct Run {
  std::vector<std::uint8_t> Stream;
  std::size_t Position = 0;
  std::int64_t Size = 0;
  std::int64_t Reads = 0;
  std::int64_t Writes = 0;
  std::int64_t ClearAt = -1;  // the call (reads and writes counted together) that clears KeepGoing
  std::int64_t ThrowAt = -1;  // the call that throws
  bool ClearedInRead = false;
  bool ClearedInWrite = false;
  std::int64_t ReadsAfterClear = 0;
  std::int64_t WritesAfterClear = 0;
  int FailObtainAt = -1;  // which table cannot be obtained
  int Obtained = 0;
  int Outstanding = 0;
};

Run* Current = nullptr;

struct Thrown {};

void CountCall() {
  const std::int64_t call = Current->Reads + Current->Writes;
  if (call == Current->ThrowAt) throw Thrown{};
}

void Read(std::uint8_t* destination, std::uint16_t count, std::uint16_t& delivered) {
  Run& r = *Current;
  Require(count == 1);
  Require(r.Writes < r.Size);  // nothing more is read once the output is complete
  Require(!r.ClearedInWrite);  // a stop between codes reads nothing more
  if (r.ClearedInRead) ++r.ReadsAfterClear;
  CountCall();
  ++r.Reads;
  if (r.Reads + r.Writes == r.ClearAt) {
    KeepGoing = 0;
    r.ClearedInRead = true;
  }
  if (r.Position < r.Stream.size()) {
    *destination = r.Stream[r.Position++];
    delivered = 1;
  } else {
    delivered = static_cast<std::uint16_t>(r.Position & 3);  // anything but 1 reads as a zero byte
  }
}

void Write(const std::uint8_t* source, std::uint16_t count, std::uint16_t& accepted) {
  Run& r = *Current;
  Require(count == 1);
  volatile std::uint8_t byte = *source;  // the byte must be readable
  (void)byte;
  if (r.ClearedInRead || r.ClearedInWrite) ++r.WritesAfterClear;
  CountCall();
  ++r.Writes;
  if (r.Reads + r.Writes == r.ClearAt) {
    KeepGoing = 0;
    r.ClearedInWrite = true;
  }
  accepted = 0;
}

void* Obtain(std::size_t size) {
  Run& r = *Current;
  if (r.Obtained++ == r.FailObtainAt) return nullptr;
  ++r.Outstanding;
  return std::malloc(size);
}

bool Return(void* block) {
  --Current->Outstanding;
  std::free(block);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Run r;
  // The parameters come from the input's last bytes, the stream from the
  // rest. Sizes run from a little below zero to a ring length or so, and now
  // and then to 70,000, past the first rescale of the code tree.
  const std::uint16_t mode = in.ConsumeIntegral<std::uint16_t>();
  r.Size = in.ConsumeIntegralInRange<std::int32_t>(-8, (mode & 0x300) == 0x300 ? 70000 : 5000);
  if (mode & 1) r.ClearAt = in.ConsumeIntegralInRange<std::int64_t>(0, 50000);
  if ((mode & 6) == 6) r.ThrowAt = in.ConsumeIntegralInRange<std::int64_t>(0, 50000);
  if ((mode & 0x38) == 0x38) r.FailObtainAt = in.ConsumeIntegralInRange<int>(0, 7);
  const bool stoppedAtStart = (mode & 0xC0) == 0xC0;
  r.Stream = in.ConsumeRemainingBytes<std::uint8_t>();

  Current = &r;
  LzhObtainBlock = Obtain;
  LzhReturnBlock = Return;
  KeepGoing = stoppedAtStart ? 0 : 1;
  bool threw = false, failedTables = false;
  try {
    ExpandStream(static_cast<std::int32_t>(r.Size), Read, Write);
  } catch (const Thrown&) {
    threw = true;
  } catch (const ElzhException&) {
    failedTables = true;
  }
  Require(r.Outstanding == 0);  // every table obtained was returned
  Require(failedTables == (r.FailObtainAt >= 0 && r.FailObtainAt < r.Obtained));
  if (failedTables) Require(r.Reads == 0 && r.Writes == 0);

  Require(r.Writes <= (r.Size > 0 ? r.Size : 0) + 59);
  if (r.Size <= 0 || stoppedAtStart) Require(r.Reads == 0 && r.Writes == 0);
  if (!threw && !failedTables && !stoppedAtStart && !r.ClearedInRead && !r.ClearedInWrite)
    Require(r.Writes >= r.Size);
  // After a stop, only the code under way is finished: the rest of its
  // symbol and position bits (at most 36, so a few bytes) and its match (at
  // most 60 bytes, 59 when the stop came with one of them).
  if (r.ClearedInRead) Require(r.ReadsAfterClear <= 6 && r.WritesAfterClear <= 60);
  if (r.ClearedInWrite) Require(r.WritesAfterClear <= 59);
  KeepGoing = 0;
  Current = nullptr;
  return 0;
}
