#include "expand/adapters.h"

#include <windows.h>

#include <cstring>

#include "expand/core/crc32.h"
#include "package/core/package_directory.h"
#include "setup/core/config.h"
#include "setup/state.h"
#include "ui/meter.h"
#include "ui/page_helpers.h"

std::uint16_t InputPos = 1;
std::int32_t InputLength = 0;
std::uint16_t OutputFill = 1;
std::int32_t BytesWritten = 0;

namespace {

constexpr std::int32_t WindowSize = 2048;

// A complete stream makes the decoder read at most two bytes past its end;
// finding the end of the archive more often than that means it is cut short.
constexpr int ReadAheadPastEnd = 2;

// Draining the queue costs far more than decoding a byte, so the read
// adapter drains on its first byte and then whenever this much time has
// passed since the last drain: often enough for the page and the backdrop
// to answer at once, seldom enough to cost nothing.
constexpr DWORD DrainIntervalMs = 10;

struct ExpansionIo {
  std::uint32_t Crc = Crc32Start;
  int EndsFound = 0;
  bool EndedEarly = false;
  bool Drained = false;
  DWORD LastDrain = 0;
};

ExpansionIo Io;

// Reads up to `count` bytes from the work archive; a failed read counts as
// the end of the data.
std::int32_t ReadArchive(std::uint8_t* into, std::int32_t count) {
  DWORD got = 0;
  if (!ReadFile(SetupState.InputHandle, into, static_cast<DWORD>(count), &got, nullptr)) return 0;
  return static_cast<std::int32_t>(got);
}

std::int32_t WriteOutput(const std::uint8_t* from, std::int32_t count) {
  DWORD put = 0;
  if (count > 0 && !WriteFile(SetupState.OutputHandle, from, static_cast<DWORD>(count), &put, nullptr)) put = 0;
  Io.Crc = Crc32Update(Io.Crc, from, put);
  return static_cast<std::int32_t>(put);
}

void DrainNowAndThen() {
  const DWORD now = GetTickCount();
  if (Io.Drained && now - Io.LastDrain < DrainIntervalMs) return;
  PumpMessages();
  Io.Drained = true;
  Io.LastDrain = GetTickCount();
}

}  // namespace

void StartExpansionIo() {
  InputPos = 1;
  InputLength = 0;
  OutputFill = 1;
  BytesWritten = 0;
  Io = ExpansionIo{};
}

void ReadArchiveBytes(std::uint8_t* destination, std::uint16_t count, std::uint16_t& delivered) {
  delivered = 0;
  if (KeepGoing == 0) return;
  std::uint8_t* window = SetupState.DecodeInBuffer;
  bool refilled = false;
  if (InputPos > InputLength) {
    InputLength = ReadArchive(window, WindowSize);
    refilled = true;
  } else if (InputPos + count > InputLength + 1) {
    const std::int32_t unread = InputLength - InputPos + 1;
    std::memmove(window, window + InputPos - 1, static_cast<std::size_t>(unread));
    InputLength = unread + ReadArchive(window + unread, WindowSize - unread);
    refilled = true;
  }
  if (refilled) {
    if (InputLength == 0) {
      if (++Io.EndsFound > ReadAheadPastEnd) {
        Io.EndedEarly = true;
        KeepGoing = 0;
      }
      return;
    }
    InputPos = 1;
  }
  std::int32_t n = InputLength - InputPos + 1;
  if (n > count) n = count;
  std::memcpy(destination, window + InputPos - 1, static_cast<std::size_t>(n));
  delivered = static_cast<std::uint16_t>(n);
  InputPos = static_cast<std::uint16_t>(InputPos + count);
  DrainNowAndThen();
}

void WriteExpandedBytes(const std::uint8_t* source, std::uint16_t count, std::uint16_t& accepted) {
  if (KeepGoing == 0) {
    accepted = 0;
    return;
  }
  std::uint8_t* buffer = SetupState.DecodeOutBuffer;
  if (count == 0) {  // the final flush: written, but neither counted nor shown
    WriteOutput(buffer, OutputFill - 1);
    return;
  }
  if ((OutputFill - 1) + count > WindowSize) {
    BytesWritten += WriteOutput(buffer, OutputFill - 1);
    OutputFill = 1;
    if (PackageDirectory.ExpandedSize != 0) DrawMeter(BytesWritten, PackageDirectory.ExpandedSize, false);
  }
  std::memcpy(buffer + OutputFill - 1, source, count);
  OutputFill = static_cast<std::uint16_t>(OutputFill + count);
  accepted = count;
}

bool ArchiveEndedEarly() { return Io.EndedEarly; }

std::uint32_t WrittenCrc() { return Io.Crc; }
