// Whole runs of the setup over bad input: damaged, truncated or foreign
// volumes, a work archive lost between the pages or impossible to create,
// read-only files in the destination and a read-only or odd WinInit.Ini.
//
// Each run is a child: a copy of this program with a package's trailer
// appended, beside its volumes, walked from here page by page. Every run must
// end in a clean install, in a clear message followed by a cancelled and
// cleaned-up run, or in the fatal report; never in a crash, a hang, a file
// outside the destination or the completion question over wrong bytes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "autopilot.h"
#include "child_run.h"
#include "setup/core/names.h"
#include "setup/rename_list.h"
#include "work_package.h"

using namespace work;

namespace {

const TestPackage& Product() {
  static const TestPackage package =
      MakePackage(NoiseBytes(9000, 31) + TextBytes(6000, 32), {{"Ferrovale.Dll", NoiseBytes(3000, 33)},
                                                               {"Routes.Lib", TextBytes(800, 34)},
                                                               {"Routes.Hlp", TextBytes(1500, 35)},
                                                               {"ReadMe.Txt", TextBytes(2500, 36)}});
  return package;
}

// Another package whose volumes carry the same names.
const TestPackage& OtherProduct() {
  static const TestPackage package = MakePackage(
      TextBytes(20000, 41), {{"Ferrovale.Dll", NoiseBytes(5000, 42)}, {"ReadMe.Txt", TextBytes(900, 43)}});
  return package;
}

std::vector<std::string> Split(const std::string& stream, int count) {
  std::vector<std::string> parts;
  const std::size_t step = stream.size() / count;
  for (int k = 0; k < count; ++k) parts.push_back(stream.substr(k * step, k + 1 == count ? std::string::npos : step));
  return parts;
}

std::string WindowsDir() {
  char dir[MAX_PATH] = {};
  GetWindowsDirectoryA(dir, MAX_PATH);
  return std::string(dir) + "\\";
}

std::string WinInitPath() { return WindowsDir() + "WinInit.Ini"; }
std::string HelpFilePath() { return WindowsDir() + "Help\\Routes.Hlp"; }

void RemoveFile(const std::string& path) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
}

// Every name in a directory (files and subdirectories).
std::vector<std::string> NamesIn(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

const char* const Terminated = "The Installation process has been terminated.";
const char* const WrongDisk = "This is not the appropriate disk.\r\nPlease insert the correct disk and Press Enter";

struct Message {
  std::string Caption;
  std::string Text;
};

// How a run ended: every message box it showed, in order, and its exit code.
struct Outcome {
  std::vector<Message> Messages;
  bool Completed = false;  // the completion question was asked (and answered No)
  bool Ended = false;      // the run ended by itself within the time allowed
  int ExitCode = -1;
};

// The messages of a run, for failure reports.
std::string Describe(const Outcome& outcome) {
  std::string text;
  for (const Message& m : outcome.Messages) text += "\n  [" + m.Caption + "] " + m.Text;
  return text;
}

// Walks a child run to its end: OK on the licence, destination and group
// pages, No to the completion question, OK to every other message box; a
// disk prompt gets the answer of `diskAnswer` (Cancel when there is none).
Outcome Walk(ChildRun& run, const std::function<int()>& diskAnswer = nullptr) {
  Outcome outcome;
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, run.ProcessId());
  const DWORD deadline = GetTickCount() + 60000;
  while (process && WaitForSingleObject(process, 20) == WAIT_TIMEOUT) {
    if (GetTickCount() > deadline) break;  // a hang: the child is ended below
    for (HWND window : autopilot::TopLevelWindows(run.ProcessId())) {
      if (autopilot::ClassOf(window) != autopilot::DialogClass) continue;
      const std::string caption = autopilot::WindowText(window);
      if (caption == "Please Stand By...") continue;  // a work page at work
      int button = IDOK;
      if (caption != "License Agreement" && caption != "Destination Directory" && caption != "Program Group") {
        const std::string text = autopilot::MessageBoxText(window);
        if (text.empty()) continue;  // a box still being built: taken in the next round
        outcome.Messages.push_back({caption, text});
        if (text.rfind("Ferrovale has been successfully installed.", 0) == 0) {
          outcome.Completed = true;
          button = IDNO;
        } else if (text.rfind("Please Insert Disk number", 0) == 0) {
          button = diskAnswer ? diskAnswer() : IDCANCEL;
        }
      }
      autopilot::ClickButton(window, button);
      autopilot::WaitUntilGone(window, 5000);
    }
  }
  if (process) CloseHandle(process);
  outcome.ExitCode = run.Wait(5000);
  outcome.Ended = outcome.ExitCode != -1 && GetTickCount() <= deadline;
  return outcome;
}

class BadInput : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    source_ = new std::string(FreshDirectory("bad input source"));
    WriteBytes(*source_ + "SETUP.EXE", ReadBytes(OwnExecutable()) + Product().Trailer());
  }
  static void TearDownTestSuite() {
    RemoveTree(*source_);
    delete source_;
  }

  void SetUp() override {
    dest_ = FreshDirectory("bad input destination");
    RemoveFile(WinInitPath());
    RemoveFile(HelpFilePath());
  }
  void TearDown() override {
    for (int k = 1; k <= 3; ++k) RemoveFile(VolumePath(k));
    RemoveTree(dest_);
    RemoveFile(WinInitPath());
    RemoveFile(HelpFilePath());
  }

  // A fresh start for the next case of a test.
  void Reset() {
    TearDown();
    SetUp();
  }

  static std::string VolumePath(int k) { return *source_ + "Gantrell.00" + std::to_string(k); }

  // Lays out the volumes, each as given, and records what the package
  // expects of them: the product's own sizes and checksum unless `recorded`
  // is false (a package built before the builder recorded them).
  void PutVolumes(const std::vector<std::string>& volumes, bool recorded = true) {
    volumes_ = volumes;
    for (std::size_t k = 0; k < volumes.size(); ++k) WriteBytes(VolumePath(static_cast<int>(k + 1)), volumes[k]);
    const auto parts = Split(Product().Compressed, static_cast<int>(volumes.size()));
    settings_ = " --set VolumeCount=" + std::to_string(volumes.size()) +
                " --set TotalVolumeSize=" + std::to_string(Product().Compressed.size());
    if (!recorded) return;
    std::string sizes;
    for (const auto& part : parts) sizes += (sizes.empty() ? "" : ",") + std::to_string(part.size());
    settings_ += " --set VolumeSizes=" + sizes + " --set ExpandedCrc=" + Hex(Product().Crc);
  }

  Outcome Run(const std::string& extra = std::string(), const std::function<int()>& diskAnswer = nullptr) {
    const std::string destination = dest_.substr(0, dest_.size() - 1);
    ChildRun run(Quoted(*source_ + "SETUP.EXE") + " --set " + Quoted("DefaultDestination=" + destination) +
                 settings_ + extra + " --run-setup");
    EXPECT_TRUE(run.Started());
    Outcome outcome = Walk(run, diskAnswer);
    EXPECT_TRUE(outcome.Ended) << "the run did not end by itself";
    return outcome;
  }

  // A cancelled run: the page's message, then the termination message; the
  // destination as empty as before, nothing placed elsewhere.
  void ExpectCleanCancel(const Outcome& outcome, const std::string& firstMessage) {
    EXPECT_EQ(outcome.ExitCode, 0);
    EXPECT_FALSE(outcome.Completed);
    ASSERT_GE(outcome.Messages.size(), 2u) << Describe(outcome);
    EXPECT_NE(outcome.Messages.front().Text.find(firstMessage), std::string::npos) << outcome.Messages.front().Text;
    EXPECT_EQ(outcome.Messages.back().Text, Terminated);
    EXPECT_EQ(NamesIn(dest_), std::vector<std::string>{});
    ExpectNothingOutside();
    EXPECT_EQ(ReadBytes(WinInitPath()), "[Rename]\r\n");
  }

  // The volumes as they were laid out, no product file beside them or beside
  // the destination, and no help file unless the product was installed.
  void ExpectNothingOutside(bool installed = false) {
    for (std::size_t k = 0; k < volumes_.size(); ++k)
      EXPECT_TRUE(ReadBytes(VolumePath(static_cast<int>(k + 1))) == volumes_[k]) << "volume " << k + 1 << " changed";
    const std::string parent = dest_.substr(0, dest_.find_last_of('\\', dest_.size() - 2) + 1);
    for (const std::string& dir : {*source_, parent}) {
      for (const char* name : {"Gantrell.Exe", "Gantrell.$$$", "Gantrell._AV", "Ferrovale.Dll", "Routes.Lib",
                               "Routes.Hlp", "ReadMe.Txt"})
        EXPECT_FALSE(IsFile(dir + name)) << dir + name;
    }
    if (installed) {
      EXPECT_TRUE(ReadBytes(HelpFilePath()) == Product().Files[2].Bytes);
    } else {
      EXPECT_FALSE(IsFile(HelpFilePath()));
    }
  }

  static std::string* source_;
  std::string dest_;
  std::string settings_;
  std::vector<std::string> volumes_;
};
std::string* BadInput::source_ = nullptr;

}  // namespace

// A first volume that is not the package's own, or not whole, is met either
// by its size or by the checksum of what it expands to.
TEST_F(BadInput, DamagedOrForeignVolumeEndsInACleanCancel) {
  const std::string& own = Product().Compressed;
  std::string flipped = own;
  flipped[flipped.size() / 2] ^= 0x10;
  std::string foreignSameSize = OtherProduct().Compressed;
  foreignSameSize.resize(own.size(), 'x');
  struct Case {
    const char* What;
    std::string Volume;
    bool Recorded;
    const char* Message;
  };
  const Case cases[] = {
      {"another package's volume", OtherProduct().Compressed, true, "it belongs to another package or it is damaged"},
      {"another package's volume of the same size", foreignSameSize, true, "its checksum is"},
      {"one byte changed", flipped, true, "is incomplete"},
      {"truncated", own.substr(0, own.size() * 2 / 3), true, "it belongs to another package or it is damaged"},
      {"truncated, package without recorded sizes", own.substr(0, own.size() * 2 / 3), false, "is incomplete"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    PutVolumes({c.Volume}, c.Recorded);
    ExpectCleanCancel(Run(), c.Message);
    Reset();
  }
}

TEST_F(BadInput, WrongSecondDiskIsAskedForAgainAndCancelCleansUp) {
  const auto own = Split(Product().Compressed, 2);
  const auto foreign = Split(OtherProduct().Compressed, 2);
  for (const std::string& second : {foreign[1], own[1].substr(0, own[1].size() - 1)}) {
    PutVolumes({own[0], second});
    int prompts = 0;
    const Outcome outcome = Run("", [&] { return ++prompts == 1 ? IDOK : IDCANCEL; });
    ExpectCleanCancel(outcome, "Please Insert Disk number 2");
    ASSERT_EQ(outcome.Messages.size(), 4u) << Describe(outcome);
    EXPECT_EQ(outcome.Messages[1].Caption, "");
    EXPECT_EQ(outcome.Messages[1].Text, WrongDisk);
    EXPECT_EQ(outcome.Messages[2].Text, "Please Insert Disk number 2");
    Reset();
  }
}

TEST_F(BadInput, WorkArchiveDeletedBetweenThePagesEndsInACleanCancel) {
  PutVolumes({Product().Compressed});
  ExpectCleanCancel(Run(" --delete-at-expand " + Quoted(dest_ + "Gantrell._AV")), "could not be opened");
}

TEST_F(BadInput, WorkArchiveThatCannotBeCreatedIsFatal) {
  PutVolumes({Product().Compressed});
  ASSERT_TRUE(CreateDirectoryA((dest_ + "Gantrell._AV").c_str(), nullptr));  // a directory takes its name
  const Outcome outcome = Run();
  EXPECT_EQ(outcome.ExitCode, 1);
  ASSERT_EQ(outcome.Messages.size(), 1u) << Describe(outcome);
  EXPECT_EQ(outcome.Messages[0].Caption, "Application Error");
  EXPECT_NE(outcome.Messages[0].Text.find("Exception EInOutError in module SETUP.EXE at "), std::string::npos)
      << outcome.Messages[0].Text;
  EXPECT_NE(outcome.Messages[0].Text.find("\nFile access denied."), std::string::npos) << outcome.Messages[0].Text;
  EXPECT_EQ(NamesIn(dest_), std::vector<std::string>{"Gantrell._AV"});
  ExpectNothingOutside();
}

// Over an earlier installation whose files are read-only: the main program
// goes beside the old one with a rename line, the library file stays, and a
// product file that cannot be replaced is redirected the same way.
TEST_F(BadInput, ReadOnlyFilesInTheDestination) {
  const TestPackage& p = Product();
  PutVolumes({p.Compressed});
  const bool enforced = ReadOnlyIsEnforced(dest_);
  for (const char* name : {"Gantrell.Exe", "Routes.Lib", "ReadMe.Txt"}) {
    WriteBytes(dest_ + name, std::string("earlier ") + name);
    SetFileAttributesA((dest_ + name).c_str(), FILE_ATTRIBUTE_READONLY);
  }
  const Outcome outcome = Run();
  EXPECT_EQ(outcome.ExitCode, 0);
  EXPECT_TRUE(outcome.Completed);
  ASSERT_EQ(outcome.Messages.size(), 1u) << Describe(outcome);

  EXPECT_EQ(ReadBytes(dest_ + "Gantrell.Exe"), "earlier Gantrell.Exe");
  EXPECT_TRUE(ReadBytes(dest_ + "Gantrell.$$$") == p.MainProgram);
  EXPECT_EQ(ReadBytes(dest_ + "Routes.Lib"), "earlier Routes.Lib");
  EXPECT_TRUE(ReadBytes(dest_ + "Ferrovale.Dll") == p.Files[0].Bytes);
  std::string lines = "[Rename]\r\n" + ShortPathOf(dest_ + "Gantrell.Exe") + "=" + ShortPathOf(dest_ + "Gantrell.$$$") + "\r\n";
  if (enforced) {
    EXPECT_EQ(ReadBytes(dest_ + "ReadMe.Txt"), "earlier ReadMe.Txt");
    EXPECT_TRUE(ReadBytes(dest_ + "ReadMe.$$$") == p.Files[3].Bytes);
    lines += ShortPathOf(dest_ + "ReadMe.Txt") + "=" + ShortPathOf(dest_ + "ReadMe.$$$") + "\r\n";
  } else {
    EXPECT_TRUE(ReadBytes(dest_ + "ReadMe.Txt") == p.Files[3].Bytes) << "read-only files are writable here";
  }
  // The run's destination is the upper-cased path, so the short forms may
  // differ from this process's in case.
  EXPECT_EQ(UpperCaseAscii(ReadBytes(WinInitPath())), UpperCaseAscii(lines));
  EXPECT_FALSE(IsFile(dest_ + "Gantrell._AV"));
  ExpectNothingOutside(true);
}

TEST_F(BadInput, ReadOnlyWinInitIni) {
  PutVolumes({Product().Compressed});
  const bool enforced = ReadOnlyIsEnforced(WindowsDir());
  const std::string earlier = "[Other]\r\nkeep=this\r\n";
  WriteBytes(WinInitPath(), earlier);
  SetFileAttributesA(WinInitPath().c_str(), FILE_ATTRIBUTE_READONLY);
  const Outcome outcome = Run();
  if (enforced) {  // the list cannot be opened for writing: fatal before the first page
    EXPECT_EQ(outcome.ExitCode, 1);
    ASSERT_EQ(outcome.Messages.size(), 1u) << Describe(outcome);
    EXPECT_NE(outcome.Messages[0].Text.find("\nFile access denied."), std::string::npos) << outcome.Messages[0].Text;
    EXPECT_EQ(ReadBytes(WinInitPath()), earlier);
    EXPECT_EQ(NamesIn(dest_), std::vector<std::string>{});
  } else {
    EXPECT_EQ(outcome.ExitCode, 0);
    EXPECT_TRUE(outcome.Completed);
    EXPECT_EQ(ReadBytes(WinInitPath()), earlier + "[Rename]\r\n");
    EXPECT_TRUE(ReadBytes(dest_ + "Gantrell.Exe") == Product().MainProgram);
  }
}

// Lines far longer than any the system writes, a last line without its line
// end, a lone CR and a NUL byte: every byte of them stays, and the run's
// rename line goes to the end of the "[Rename]" section.
TEST_F(BadInput, WinInitIniWithVeryLongLines) {
  PutVolumes({Product().Compressed});
  WriteBytes(dest_ + "Gantrell.Exe", "earlier program");  // so that the run queues a rename
  const std::string longLine = "x=" + std::string(70000, 'a');
  const std::string queued = "NUL=C:\\" + std::string(300, 'q') + ".TMP";
  const std::string odd = std::string("y=before\0after", 14) + "\rlone CR";
  const std::string last = "z=" + std::string(5000, 'b');
  WriteBytes(WinInitPath(), "[boot]\r\n" + longLine + "\r\n[Rename]\r\n" + queued + "\n[386Enh]\n" + odd + "\r\n" + last);
  const Outcome outcome = Run();
  EXPECT_EQ(outcome.ExitCode, 0);
  EXPECT_TRUE(outcome.Completed);
  const std::string rename = ShortPathOf(dest_ + "Gantrell.Exe") + "=" + ShortPathOf(dest_ + "Gantrell.$$$");
  const std::string before = "[boot]\r\n" + longLine + "\r\n[Rename]\r\n" + queued + "\r\n";
  const std::string after = "\r\n[386Enh]\r\n" + std::string("y=before\0after", 14) + "\r\nlone CR\r\n" + last + "\r\n";
  const std::string text = ReadBytes(WinInitPath());
  ASSERT_GT(text.size(), before.size() + after.size());
  EXPECT_TRUE(text.compare(0, before.size(), before) == 0) << "the lines before the run's own changed";
  EXPECT_TRUE(text.compare(text.size() - after.size(), after.size(), after) == 0) << "the lines after it changed";
  EXPECT_EQ(UpperCaseAscii(text.substr(before.size(), text.size() - before.size() - after.size())),
            UpperCaseAscii(rename));  // the run's destination is upper-cased
  EXPECT_TRUE(ReadBytes(dest_ + "Gantrell.$$$") == Product().MainProgram);
  ExpectNothingOutside(true);
}
