// The decoder's read and write adapters over real files: the 2048-byte
// windows, the meter updates, the end-of-archive rule and the bounded
// message drain.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "expand/adapters.h"
#include "expand/core/crc32.h"
#include "package/core/package_directory.h"
#include "setup/state.h"
#include "ui/meter.h"
#include "work_package.h"

using namespace work;

namespace {

class AdaptersTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = FreshDirectory("adapters");
    SetupState.DecodeInBuffer = in_;
    SetupState.DecodeOutBuffer = out_;
    KeepGoing = 1;
    DrawnPercent = 0;
    StartExpansionIo();
  }
  void TearDown() override {
    if (SetupState.InputHandle != INVALID_HANDLE_VALUE) CloseHandle(SetupState.InputHandle);
    if (SetupState.OutputHandle != INVALID_HANDLE_VALUE) CloseHandle(SetupState.OutputHandle);
    SetupState.InputHandle = SetupState.OutputHandle = INVALID_HANDLE_VALUE;
    SetupState.DecodeInBuffer = SetupState.DecodeOutBuffer = nullptr;
    KeepGoing = 0;
    RemoveTree(dir_);
  }

  void OpenInput(const std::string& bytes) {
    WriteBytes(dir_ + "archive", bytes);
    SetupState.InputHandle = CreateFileA((dir_ + "archive").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(SetupState.InputHandle, INVALID_HANDLE_VALUE);
  }
  void OpenOutput() {
    SetupState.OutputHandle =
        CreateFileA((dir_ + "output").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(SetupState.OutputHandle, INVALID_HANDLE_VALUE);
  }
  long long OutputSize() const {
    LARGE_INTEGER size{};
    GetFileSizeEx(SetupState.OutputHandle, &size);
    return size.QuadPart;
  }

  std::string dir_;
  std::uint8_t in_[2064] = {};
  std::uint8_t out_[2064] = {};
};

bool ThreadMessageWaiting() {
  MSG m;
  return PeekMessageA(&m, reinterpret_cast<HWND>(-1), WM_APP, WM_APP, PM_NOREMOVE) != 0;
}

}  // namespace

TEST_F(AdaptersTest, ExpansionOf5000BytesWritesTwoFullBuffersThenTheRestAtTheFlush) {
  OpenOutput();
  PackageDirectory.ExpandedSize = 5000;
  const std::string data = TextBytes(5000, 11);
  struct Step { int Byte; long long Size; int Percent; };
  std::vector<Step> writes;
  long long last = 0;
  for (int i = 0; i < 5000; ++i) {
    std::uint16_t accepted = 0;
    WriteExpandedBytes(reinterpret_cast<const std::uint8_t*>(&data[i]), 1, accepted);
    ASSERT_EQ(accepted, 1);
    if (OutputSize() != last) writes.push_back({i + 1, last = OutputSize(), Percent});
  }
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].Byte, 2049);  // written when the 2049th byte arrives
  EXPECT_EQ(writes[0].Size, 2048);
  EXPECT_EQ(writes[0].Percent, 41);
  EXPECT_EQ(writes[1].Byte, 4097);
  EXPECT_EQ(writes[1].Size, 4096);
  EXPECT_EQ(writes[1].Percent, 82);
  std::uint16_t untouched = 77;
  WriteExpandedBytes(out_, 0, untouched);  // the flush: 904 bytes, no meter move
  EXPECT_EQ(untouched, 77);
  EXPECT_EQ(OutputSize(), 5000);
  EXPECT_EQ(Percent, 82);
  EXPECT_EQ(BytesWritten, 4096);
  EXPECT_EQ(WrittenCrc(), Crc32Update(Crc32Start, reinterpret_cast<const std::uint8_t*>(data.data()), 5000));
  PackageDirectory.ExpandedSize = 0;
}

TEST_F(AdaptersTest, ClearedKeepGoingDropsBytesAndReadsNothing) {
  OpenOutput();
  OpenInput("abc");
  KeepGoing = 0;
  std::uint8_t byte = 'x';
  std::uint16_t count = 9;
  WriteExpandedBytes(&byte, 1, count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(OutputFill, 1);
  ReadArchiveBytes(&byte, 1, count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(InputLength, 0);  // the archive was not touched
  EXPECT_FALSE(ArchiveEndedEarly());
}

TEST_F(AdaptersTest, ReadsThroughA2048ByteWindowAndStopsAfterTwoReadsPastTheEnd) {
  const std::string data = NoiseBytes(3000, 12);
  OpenInput(data);
  std::string got;
  for (int i = 0; i < 3000; ++i) {
    std::uint8_t byte = 0;
    std::uint16_t delivered = 0;
    ReadArchiveBytes(&byte, 1, delivered);
    ASSERT_EQ(delivered, 1) << "byte " << i;
    got.push_back(static_cast<char>(byte));
    if (i == 0) {
      EXPECT_EQ(InputLength, 2048);
    } else if (i == 2048) {
      EXPECT_EQ(InputLength, 952);
    }
  }
  EXPECT_TRUE(got == data);
  // The decoder's read-ahead past a complete stream: two reads find the end.
  for (int i = 0; i < 2; ++i) {
    std::uint8_t byte = 0;
    std::uint16_t delivered = 5;
    ReadArchiveBytes(&byte, 1, delivered);
    EXPECT_EQ(delivered, 0);
    EXPECT_EQ(KeepGoing, 1);
    EXPECT_FALSE(ArchiveEndedEarly());
  }
  // A third means the archive is cut short: the expansion is stopped.
  std::uint8_t byte = 0;
  std::uint16_t delivered = 5;
  ReadArchiveBytes(&byte, 1, delivered);
  EXPECT_EQ(delivered, 0);
  EXPECT_TRUE(ArchiveEndedEarly());
  EXPECT_EQ(KeepGoing, 0);
}

// Draining the queue after every byte would cost more than the decoding;
// the adapter drains on its first byte and then every 10 ms or so.
TEST_F(AdaptersTest, DrainsOnTheFirstByteThenOnlyWhenTimeHasPassed) {
  OpenInput(NoiseBytes(100, 13));
  std::uint8_t byte = 0;
  std::uint16_t delivered = 0;
  PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
  ReadArchiveBytes(&byte, 1, delivered);
  EXPECT_FALSE(ThreadMessageWaiting()) << "the first byte drains";

  PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
  const DWORD before = GetTickCount();
  ReadArchiveBytes(&byte, 1, delivered);
  if (GetTickCount() - before < 5) {
    EXPECT_TRUE(ThreadMessageWaiting()) << "drained again at once";
  }

  Sleep(30);
  ReadArchiveBytes(&byte, 1, delivered);
  EXPECT_FALSE(ThreadMessageWaiting()) << "not drained after 30 ms";
}
