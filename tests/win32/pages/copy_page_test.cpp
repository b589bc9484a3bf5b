// The copy page on a real dialog: volumes joined into the work archive, the
// disk prompts, Cancel from inside the copy loop, the integrity checks, and
// the fatal reports of missing or read-only volumes.
//
// In this process the page reads its package directory from a stand-in setup
// file (the system's answer for this program's own path is redirected to
// it); the fatal cases and a whole run with a damaged expansion run in a
// child: a copy of this executable with a trailer appended, started from a
// directory that holds the volumes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "autopilot.h"
#include "child_run.h"
#include "import_patch.h"
#include "package/copy_page.h"
#include "package/core/package_directory.h"
#include "package/volume_checks.h"
#include "setup/fatal.h"
#include "setup/state.h"
#include "ui/meter.h"
#include "work_package.h"
#include "work_page_run.h"

using namespace work;
using autopilot::WindowQuery;

namespace {

std::string StandInPath;

DWORD WINAPI StandInModuleFileName(HMODULE module, LPSTR buffer, DWORD size) {
  if (module != nullptr) return 0;
  lstrcpynA(buffer, StandInPath.c_str(), static_cast<int>(size));
  return static_cast<DWORD>(StandInPath.size());
}

int RectangleCalls = 0;
BOOL WINAPI CountRectangle(HDC dc, int left, int top, int right, int bottom) {
  using RectangleProc = BOOL(WINAPI*)(HDC, int, int, int, int);
  static const auto original =
      reinterpret_cast<RectangleProc>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("gdi32.dll"), "Rectangle")));
  ++RectangleCalls;
  return original(dc, left, top, right, bottom);
}

// A product whose work archive is 15,000 bytes or so, cut into volumes.
const TestPackage& Product() {
  static const TestPackage package =
      MakePackage(NoiseBytes(12000, 21), {{"Ferrovale.Dll", NoiseBytes(3000, 22)}, {"Readme.txt", "read me"}});
  return package;
}

std::vector<std::string> Volumes(int count) {
  const std::string& all = Product().Compressed;
  std::vector<std::string> parts;
  const std::size_t step = all.size() / count;
  for (int k = 0; k < count; ++k) parts.push_back(all.substr(k * step, k + 1 == count ? std::string::npos : step));
  return parts;
}

std::string VolumeName(int k) { return "Gantrell.00" + std::to_string(k); }

class CopyPageTest : public testing::Test {
 protected:
  void SetUp() override {
    src_ = FreshDirectory("copy source");
    dest_ = FreshDirectory("copy destination");
    windows_ = FreshDirectory("copy windows");
    state_ = std::make_unique<PageRunState>(dest_.substr(0, dest_.size() - 1), windows_.substr(0, windows_.size() - 1));
    SetupState.SourceDir = src_;
    StandInPath = src_ + "SETUP.EXE";
    WriteBytes(StandInPath, "MZ stand-in image" + Product().Trailer());
    TotalVolumeSize = static_cast<std::int32_t>(Product().Compressed.size());
  }
  void TearDown() override {
    state_.reset();
    for (const auto& dir : {src_, dest_, windows_}) RemoveTree(dir);
  }

  void PutVolumes(int count, int skip = 0) {
    const auto parts = Volumes(count);
    for (int k = 1; k <= count; ++k)
      if (k != skip) WriteBytes(src_ + VolumeName(k), parts[k - 1]);
  }

  INT_PTR Run(std::function<bool()> steps = nullptr) {
    return RunWorkPage("IProgress", GuardedDialogProc<CopyPage>, std::move(steps));
  }

  std::string Archive() const { return ReadBytes(dest_ + "Gantrell._AV"); }

  ImportPatch ownPath_{"kernel32.dll", "GetModuleFileNameA", reinterpret_cast<void*>(&StandInModuleFileName)};
  std::string src_, dest_, windows_;
  std::unique_ptr<PageRunState> state_;
};

// Waits for a message box of the page's process with this caption and text,
// checks its owner, and presses a button.
bool Answer(const std::string& caption, const std::string& text, int button, bool ownedByPage = true) {
  HWND box = autopilot::WaitForWindow({caption});
  if (!box) return false;
  const bool ok = autopilot::MessageBoxText(box) == text &&
                  (autopilot::OwnerOf(box) != nullptr) == ownedByPage;
  EXPECT_EQ(autopilot::MessageBoxText(box), text);
  autopilot::ClickButton(box, button);
  return autopilot::WaitUntilGone(box) && ok;
}

// Waits for the disk prompt, puts the disk in while it is open and answers
// OK. (A disk put in before the prompt comes would rightly be taken without
// a question, and the test would wait for a prompt that never shows.)
bool InsertDiskAtPrompt(const std::string& prompt, const std::string& path, const std::string& bytes) {
  HWND box = autopilot::WaitForWindow({"Ferrovale"});
  if (!box) return false;
  EXPECT_EQ(autopilot::MessageBoxText(box), prompt);
  WriteBytes(path, bytes);
  autopilot::ClickButton(box, IDOK);
  return autopilot::WaitUntilGone(box);
}

const char* const WrongDisk = "This is not the appropriate disk.\r\nPlease insert the correct disk and Press Enter";

}  // namespace

TEST_F(CopyPageTest, OneVolumeCopiedByteForByteWhateverVolumeCountBelowTwo) {
  ASSERT_TRUE(ownPath_.Active());
  PutVolumes(1);
  for (int count : {1, 0, -3}) {
    SCOPED_TRACE(count);
    SetupConfig.VolumeCount = count;
    DeleteFileA((dest_ + "Gantrell._AV").c_str());
    EXPECT_EQ(Run(), 1);
    EXPECT_TRUE(Archive() == Product().Compressed);
    EXPECT_EQ(SetupConfig.FirstVolumeName, "Gantrell.001");
    EXPECT_EQ(CreatedByThisRun.WorkArchivePath, dest_ + "Gantrell._AV");
    ASSERT_NE(PackageDirectory.FirstEntry, nullptr);  // the directory was read for the expand page
    EXPECT_EQ(PackageDirectory.FirstEntry->Name, "Ferrovale.Dll");
    EXPECT_EQ(PackageDirectory.ExpandedSize, Product().ExpandedSize());
    EXPECT_EQ(Percent, 100);
    FreePackageDirectory();
  }
}

TEST_F(CopyPageTest, FirstVolumeRepaintsEveryBlockLaterVolumesOnlyOnChange) {
  PutVolumes(3);
  SetupConfig.VolumeCount = 3;
  TotalVolumeSize = 100000000;  // the percentage stays 0 throughout
  ImportPatch count("gdi32.dll", "Rectangle", reinterpret_cast<void*>(&CountRectangle));
  ASSERT_TRUE(count.Active());
  RectangleCalls = 0;
  EXPECT_EQ(Run(), 1);
  const int firstBlocks = static_cast<int>((Volumes(3)[0].size() + 2047) / 2048);
  EXPECT_EQ(RectangleCalls, 2 * firstBlocks);  // red and white part per block, none later
  EXPECT_TRUE(Archive() == Product().Compressed);
}

TEST_F(CopyPageTest, PresentLaterVolumesAreTakenWithoutAPrompt) {
  PutVolumes(3);
  SetupConfig.VolumeCount = 7;  // above 3 asks for nothing more
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(Archive() == Product().Compressed);
  EXPECT_EQ(SetupConfig.FirstVolumeName, "Gantrell.003");
}

TEST_F(CopyPageTest, MissingVolumePromptsUntilItIsThere) {
  PutVolumes(2, 2);
  SetupConfig.VolumeCount = 2;
  const std::string volume2 = src_ + "Gantrell.002";
  const std::string bytes2 = Volumes(2)[1];
  EXPECT_EQ(Run([&] {
              if (!Answer("Ferrovale", "Please Insert Disk number 2", IDOK)) return false;
              if (!Answer("", WrongDisk, IDOK)) return false;  // still missing
              return InsertDiskAtPrompt("Please Insert Disk number 2", volume2, bytes2);
            }),
            1);
  EXPECT_TRUE(Archive() == Product().Compressed);
  EXPECT_EQ(SetupConfig.FirstVolumeName, "Gantrell.002");
}

TEST_F(CopyPageTest, CancelInThePromptEndsThePageWithWhatWasCopied) {
  PutVolumes(3, 2);
  SetupConfig.VolumeCount = 3;
  EXPECT_EQ(Run([] { return Answer("Ferrovale", "Please Insert Disk number 2", IDCANCEL); }), 0);
  EXPECT_TRUE(Archive() == Volumes(3)[0]);
  EXPECT_EQ(SetupConfig.FirstVolumeName, "Gantrell.002");  // disk 3 never asked for
}

TEST_F(CopyPageTest, CancelDuringTheCopyAsksAndGoesOnOrStops) {
  PutVolumes(1);
  {
    CancelAtStart cancel;  // met at the pump after the first block
    EXPECT_EQ(Run([] { return Answer("Exit Ferrovale", "Do you really want to terminate the Setup program?", IDNO, false); }), 1);
  }
  EXPECT_TRUE(Archive() == Product().Compressed);
  FreePackageDirectory();
  {
    CancelAtStart cancel;
    EXPECT_EQ(Run([] { return autopilot::AnswerWindow({"Exit Ferrovale"}, IDYES); }), 0);
  }
  EXPECT_EQ(Archive().size(), 2048u);  // the archive stays for the clean-up
  EXPECT_EQ(CreatedByThisRun.WorkArchivePath, dest_ + "Gantrell._AV");
}

TEST_F(CopyPageTest, NoTotalStillCopies) {
  PutVolumes(1);
  TotalVolumeSize = 0;
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(Archive() == Product().Compressed);
}

TEST_F(CopyPageTest, VolumesOfTheWrongSizeAreRefused) {
  PackageIntegrity checks{{}, false, 0};
  for (const auto& v : Volumes(2)) checks.VolumeSizes.push_back(static_cast<std::int32_t>(v.size()));
  RecordedChecks = &checks;
  SetupConfig.VolumeCount = 2;
  PutVolumes(2);
  const std::string volume2 = src_ + "Gantrell.002";
  const std::string bytes2 = Volumes(2)[1];
  WriteBytes(volume2, bytes2 + "x");  // one byte too long: not this package's disk
  EXPECT_EQ(Run([&] {
              if (!Answer("Ferrovale", "Please Insert Disk number 2", IDOK)) return false;
              if (!Answer("", WrongDisk, IDOK)) return false;
              return InsertDiskAtPrompt("Please Insert Disk number 2", volume2, bytes2);
            }),
            1);
  EXPECT_TRUE(Archive() == Product().Compressed);

  // A first volume of the wrong size: refused before anything is written.
  FreePackageDirectory();
  DeleteFileA((dest_ + "Gantrell._AV").c_str());
  CreatedByThisRun = RunFiles{};
  SetupConfig.FirstVolumeName = "Gantrell.001";
  checks.VolumeSizes[0] += 1;
  std::string text;
  EXPECT_EQ(Run([&] { return autopilot::AnswerWindow({"Ferrovale"}, IDOK, text); }),
            0);
  EXPECT_NE(text.find("Gantrell.001"), std::string::npos) << text;
  EXPECT_NE(text.find("another package or it is damaged"), std::string::npos) << text;
  EXPECT_FALSE(IsFile(dest_ + "Gantrell._AV"));
  EXPECT_EQ(CreatedByThisRun.WorkArchivePath, "");
}

TEST_F(CopyPageTest, DamagedDirectoryIsRefusedBeforeAnyVolumeIsOpened) {
  // No volume at all: opening one would be fatal.
  TestPackage broken = Product();
  broken.Files[1].Name = "..\\escape.txt";
  WriteBytes(StandInPath, "MZ stand-in image" + broken.Trailer());
  std::string text;
  EXPECT_EQ(Run([&] { return autopilot::AnswerWindow({"Ferrovale"}, IDOK, text); }),
            0);
  EXPECT_NE(text.find("damaged"), std::string::npos) << text;
  EXPECT_FALSE(IsFile(dest_ + "Gantrell._AV"));
  EXPECT_EQ(PackageDirectory.FirstEntry, nullptr);
}

// The fatal input/output errors end the process, and a whole run needs a
// process of its own: these run in a child, a copy of this program with the
// package's trailer, beside its volumes.
class CopyPageChild : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new std::string(FreshDirectory("copy child"));
    WriteBytes(*dir_ + "setup_copy.exe", ReadBytes(OwnExecutable()) + Product().Trailer());
  }
  static void TearDownTestSuite() {
    RemoveTree(*dir_);
    delete dir_;
  }
  void SetUp() override { dest_ = FreshDirectory("copy child destination"); }
  void TearDown() override {
    DeleteFileA((*dir_ + "Gantrell.001").c_str());
    RemoveTree(dest_);
  }

  // Runs the copy page in the child and returns the fatal report's text and
  // the exit code.
  std::pair<std::string, int> RunChild() {
    ChildRun run(Quoted(*dir_ + "setup_copy.exe") + " --set " + Quoted("DestinationDir=" + dest_.substr(0, dest_.size() - 1)) +
                 " --run-page IProgress");
    EXPECT_TRUE(run.Started());
    HWND report = autopilot::WaitForWindow({"Application Error", autopilot::DialogClass, run.ProcessId()});
    std::string text = report ? autopilot::MessageBoxText(report) : "(no report)";
    if (report) autopilot::ClickButton(report, IDOK);
    return {text, run.Wait()};
  }

  static std::string* dir_;
  std::string dest_;
};
std::string* CopyPageChild::dir_ = nullptr;

TEST_F(CopyPageChild, MissingFirstVolumeIsFatalBeforeTheArchiveIsCreated) {
  const auto [text, code] = RunChild();
  EXPECT_EQ(code, 1);
  EXPECT_EQ(text.rfind("Exception EInOutError in module setup_copy.exe at ", 0), 0u) << text;
  EXPECT_NE(text.find("\nFile not found."), std::string::npos) << text;
  EXPECT_FALSE(IsFile(dest_ + "Gantrell._AV"));
}

TEST_F(CopyPageChild, VolumeThatCannotBeOpenedForWritingIsFatal) {
  const std::string volume = *dir_ + "Gantrell.001";
  const bool readOnly = ReadOnlyIsEnforced(*dir_);
  if (readOnly) {
    WriteBytes(volume, Product().Compressed);
    SetFileAttributesA(volume.c_str(), FILE_ATTRIBUTE_READONLY);
  } else {
    // Where read-only files stay writable, a directory under the volume's
    // name is refused write access in the same way.
    CreateDirectoryA(volume.c_str(), nullptr);
  }
  const auto [text, code] = RunChild();
  SetFileAttributesA(volume.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(volume.c_str());
  EXPECT_EQ(code, 1);
  EXPECT_NE(text.find("\nFile access denied."), std::string::npos) << text << (readOnly ? "" : " (directory)");
  EXPECT_FALSE(IsFile(dest_ + "Gantrell._AV"));
}

// The reader takes the trailer of the file the running process was started
// from, whatever its name and folder: here a copy named like no setup.
TEST_F(CopyPageChild, TrailerIsReadFromTheRunningFileUnderAnotherName) {
  const std::string other = FreshDirectory("renamed setup");
  WriteBytes(other + "Install Ferrovale Now.exe", ReadBytes(*dir_ + "setup_copy.exe"));
  WriteBytes(other + "Gantrell.001", Product().Compressed);
  ChildRun run(Quoted(other + "Install Ferrovale Now.exe") + " --set " +
               Quoted("DestinationDir=" + dest_.substr(0, dest_.size() - 1)) + " --run-page IProgress");
  ASSERT_TRUE(run.Started());
  EXPECT_EQ(run.Wait(), 11);  // the copy page ended with 1
  EXPECT_TRUE(ReadBytes(dest_ + "Gantrell._AV") == Product().Compressed);
  RemoveTree(other);
}

// The recorded integrity figures reach the child through --set.
TEST_F(CopyPageChild, ForeignFirstVolumeIsRefusedAndThePageCancelled) {
  WriteBytes(*dir_ + "Gantrell.001", Product().Compressed);
  ChildRun run(Quoted(*dir_ + "setup_copy.exe") + " --set " +
               Quoted("DestinationDir=" + dest_.substr(0, dest_.size() - 1)) + " --set VolumeSizes=" +
               std::to_string(Product().Compressed.size() + 100) + " --run-page IProgress");
  ASSERT_TRUE(run.Started());
  HWND box = autopilot::WaitForWindow({"Ferrovale", autopilot::DialogClass, run.ProcessId()});
  ASSERT_TRUE(box);
  EXPECT_NE(autopilot::MessageBoxText(box).find("another package"), std::string::npos);
  autopilot::ClickButton(box, IDOK);
  EXPECT_EQ(run.Wait(), 10);  // the page ended with 0
  EXPECT_FALSE(IsFile(dest_ + "Gantrell._AV"));
}

// A whole run whose expansion does not give the recorded checksum: the
// message, then the clean-up of a cancelled run removes what it wrote.
TEST_F(CopyPageChild, DamagedExpansionIsReportedAndTheRunCleanedUp) {
  WriteBytes(*dir_ + "Gantrell.001", Product().Compressed);
  char wrong[16];
  std::snprintf(wrong, sizeof wrong, "%08lX", static_cast<unsigned long>(Product().Crc ^ 0x80u));
  ChildRun run(Quoted(*dir_ + "setup_copy.exe") + " --set " +
               Quoted("DefaultDestination=" + dest_.substr(0, dest_.size() - 1)) + " --set ExpandedCrc=" + wrong +
               " --run-setup");
  ASSERT_TRUE(run.Started());
  const DWORD pid = run.ProcessId();
  for (const char* caption : {"License Agreement", "Destination Directory"})
    ASSERT_TRUE(autopilot::AnswerWindow({caption, autopilot::DialogClass, pid}, IDOK)) << caption;
  HWND damaged = autopilot::WaitForWindow({"Ferrovale", autopilot::DialogClass, pid});
  ASSERT_TRUE(damaged);
  EXPECT_NE(autopilot::MessageBoxText(damaged).find("damaged"), std::string::npos);
  autopilot::ClickButton(damaged, IDOK);
  ASSERT_TRUE(autopilot::WaitUntilGone(damaged));
  HWND terminated = autopilot::WaitForWindow({"Ferrovale", autopilot::DialogClass, pid});
  ASSERT_TRUE(terminated);
  EXPECT_EQ(autopilot::MessageBoxText(terminated), "The Installation process has been terminated.");
  autopilot::ClickButton(terminated, IDOK);
  EXPECT_EQ(run.Wait(), 0);
  EXPECT_FALSE(IsFile(dest_ + "Gantrell.Exe"));
  EXPECT_FALSE(IsFile(dest_ + "Gantrell._AV"));
  EXPECT_FALSE(IsFile(dest_ + "Ferrovale.Dll"));
}
