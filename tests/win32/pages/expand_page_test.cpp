// The expand page on a real dialog in this process: the output file and its
// redirection, the expansion with Cancel, and the placing of each product
// file with the skip, help-directory and redirection rules.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "autopilot.h"
#include "import_patch.h"
#include "expand/expand_page.h"
#include "package/core/package_directory.h"
#include "package/volume_checks.h"
#include "setup/fatal.h"
#include "setup/rename_list.h"
#include "setup/state.h"
#include "work_package.h"
#include "work_page_run.h"

using namespace work;

namespace {

// Each line of WinInit.Ini after "[Rename]".
std::string RenameLines(const std::string& windowsDir) {
  const std::string text = ReadBytes(windowsDir + "WinInit.Ini");
  const std::string head = "[Rename]\r\n";
  return text.rfind(head, 0) == 0 ? text.substr(head.size()) : "(no section line) " + text;
}

std::string LongPathOf(const std::string& path) {
  char buffer[MAX_PATH] = {};
  return GetLongPathNameA(path.c_str(), buffer, MAX_PATH) ? buffer : std::string();
}

// A short path: no component longer than 8.3, no blank.
bool LooksShort(const std::string& path) {
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    const std::size_t dot = part.find('.');
    if (part.find(' ') != std::string::npos || (dot == std::string::npos ? part.size() > 8 : dot > 8 || part.size() - dot > 4))
      return false;
    start = end + 1;
  }
  return true;
}

class ExpandPageTest : public testing::Test {
 protected:
  void SetUp() override {
    dest_ = FreshDirectory("Ferrovale Expand Destination");
    windows_ = FreshDirectory("expand windows");
    CreateDirectoryA((windows_ + "Help").c_str(), nullptr);
    state_ = std::make_unique<PageRunState>(dest_.substr(0, dest_.size() - 1), windows_.substr(0, windows_.size() - 1));
  }
  void TearDown() override {
    state_.reset();
    RemoveTree(dest_);
    RemoveTree(windows_);
  }

  // Lays the work archive of the package into the destination and fills the
  // package directory, as the copy page leaves them.
  void Stage(const TestPackage& package) {
    WriteBytes(dest_ + "Gantrell._AV", package.Compressed);
    package.FillDirectory();
  }

  INT_PTR Run(std::function<bool()> steps = nullptr) {
    return RunWorkPage("Progress", GuardedDialogProc<ExpandPage>, std::move(steps));
  }

  // Runs the page, answers the stop message it shows and keeps its text.
  INT_PTR RunAnsweringStop(std::string& text) {
    return Run([&] { return autopilot::AnswerWindow({"Ferrovale"}, IDOK, text); });
  }

  std::string dest_, windows_;
  std::unique_ptr<PageRunState> state_;
};

const TestPackage& Product() {
  static const TestPackage package = MakePackage(
      TextBytes(9000, 1), {{"Ferrovale.Dll", NoiseBytes(4097, 2)},
                           {"Routes.lib", TextBytes(2048, 3)},
                           {"Depots.Dtp", TextBytes(100, 4)},
                           {"Gantrell.HLP", TextBytes(5000, 5)},
                           {"Empty.txt", ""},
                           {"Readme.txt", TextBytes(4096, 6)}});
  return package;
}

void ExpectPlaced(const std::string& path, const std::string& bytes) {
  EXPECT_TRUE(IsFile(path)) << path;
  EXPECT_TRUE(ReadBytes(path) == bytes) << path << " differs";
}

// A bigger product whose expansion lasts long enough to be cancelled.
const TestPackage& BigProduct() {
  static const TestPackage package =
      MakePackage(NoiseBytes(300000, 7) + TextBytes(200000, 8), {{"Ferrovale.Dll", NoiseBytes(50000, 9)}});
  return package;
}

}  // namespace

TEST_F(ExpandPageTest, FreshDestinationGetsEveryFileAndTheMainProgramCutBack) {
  const TestPackage& p = Product();
  Stage(p);
  EXPECT_EQ(Run(), 1);
  ExpectPlaced(dest_ + "Gantrell.Exe", p.MainProgram);  // exactly the first entry's offset long
  ExpectPlaced(dest_ + "Ferrovale.Dll", p.Files[0].Bytes);
  ExpectPlaced(dest_ + "Routes.lib", p.Files[1].Bytes);
  ExpectPlaced(dest_ + "Depots.Dtp", p.Files[2].Bytes);
  ExpectPlaced(windows_ + "Help\\Gantrell.HLP", p.Files[3].Bytes);
  EXPECT_FALSE(IsFile(dest_ + "Gantrell.HLP"));
  ExpectPlaced(dest_ + "Empty.txt", "");
  ExpectPlaced(dest_ + "Readme.txt", p.Files[5].Bytes);
  EXPECT_FALSE(IsFile(dest_ + "Gantrell._AV"));
  EXPECT_EQ(RenameLines(windows_), "");
  EXPECT_EQ(SetupConfig.MainProgramName, "Gantrell.Exe");
  EXPECT_EQ(CreatedByThisRun.MainProgramPath, dest_ + "Gantrell.Exe");
  EXPECT_EQ(PackageDirectory.FirstEntry, nullptr);  // freed
  EXPECT_EQ(PackageDirectory.LastEntry, nullptr);
}

TEST_F(ExpandPageTest, EarlierMainProgramStaysAndTheNewOneIsQueuedToReplaceIt) {
  const TestPackage& p = Product();
  Stage(p);
  WriteBytes(dest_ + "Gantrell.Exe", "the earlier installation");
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(ReadBytes(dest_ + "Gantrell.Exe"), "the earlier installation");
  ExpectPlaced(dest_ + "Gantrell.$$$", p.MainProgram);
  EXPECT_EQ(SetupConfig.MainProgramName, "Gantrell.$$$");
  EXPECT_EQ(CreatedByThisRun.MainProgramPath, dest_ + "Gantrell.$$$");
  const std::string lines = RenameLines(windows_);
  const auto eq = lines.find('=');
  ASSERT_NE(eq, std::string::npos) << lines;
  ASSERT_EQ(lines.find("\r\n"), lines.size() - 2) << "one line only: " << lines;
  const std::string left = lines.substr(0, eq), right = lines.substr(eq + 1, lines.size() - eq - 3);
  EXPECT_TRUE(LooksShort(left) && LooksShort(right)) << lines;
  EXPECT_EQ(LongPathOf(left), LongPathOf(dest_ + "Gantrell.Exe"));
  EXPECT_EQ(LongPathOf(right), LongPathOf(dest_ + "Gantrell.$$$"));
}

TEST_F(ExpandPageTest, ExistingLibAndDtpAreSkippedInAnyCaseOtherFilesReplaced) {
  const TestPackage p = MakePackage("main", {{"Routes.lib", "new lib"},
                                             {"Depots.Dtp", "new dtp"},
                                             {"Signals.LIB", "new signals"},
                                             {"Readme.txt", "new readme"}});
  Stage(p);
  WriteBytes(dest_ + "Routes.lib", "kept lib");
  WriteBytes(dest_ + "DEPOTS.DTP", "kept dtp");  // the file system ignores case too
  WriteBytes(dest_ + "Readme.txt", "old readme that is longer");
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(ReadBytes(dest_ + "Routes.lib"), "kept lib");
  EXPECT_EQ(ReadBytes(dest_ + "Depots.Dtp"), "kept dtp");
  EXPECT_EQ(ReadBytes(dest_ + "Signals.LIB"), "new signals");  // not there before: written
  EXPECT_EQ(ReadBytes(dest_ + "Readme.txt"), "new readme");
  EXPECT_EQ(RenameLines(windows_), "");
  EXPECT_EQ(ReadBytes(dest_ + "Gantrell.Exe"), "main");
}

TEST_F(ExpandPageTest, HelpFileWithoutHelpDirectoryLandsInTheDestinationRedirected) {
  RemoveDirectoryA((windows_ + "Help").c_str());
  const TestPackage p = MakePackage("main", {{"Manual.hlp", "help text"}});
  Stage(p);
  EXPECT_EQ(Run(), 1);
  ExpectPlaced(dest_ + "Manual.$$$", "help text");
  EXPECT_FALSE(IsFile(dest_ + "Manual.hlp"));
  // The left side is the help file's path in the destination, which does
  // not exist, so it stands in full.
  const std::string lines = RenameLines(windows_);
  EXPECT_EQ(lines.substr(0, lines.find('=')), dest_ + "Manual.hlp") << lines;
  EXPECT_EQ(LongPathOf(lines.substr(lines.find('=') + 1, lines.size() - lines.find('=') - 3)),
            LongPathOf(dest_ + "Manual.$$$"));
}

TEST_F(ExpandPageTest, FilesInUseAreRedirectedAndLongNamesCutToTwenty) {
  const TestPackage p = MakePackage("main", {{"Ferrovale.Dll", "new dll"},
                                             {"EighteenCharsName.A", "long one"},
                                             {"NoExtension", "bare"}});
  Stage(p);
  std::vector<HANDLE> held;
  for (const char* name : {"Ferrovale.Dll", "EighteenCharsName.A", "NoExtension"}) {
    WriteBytes(dest_ + name, "in use");
    held.push_back(CreateFileA((dest_ + name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(held.back(), INVALID_HANDLE_VALUE);
  }
  EXPECT_EQ(Run(), 1);
  for (HANDLE h : held) CloseHandle(h);
  EXPECT_EQ(ReadBytes(dest_ + "Ferrovale.Dll"), "in use");
  ExpectPlaced(dest_ + "Ferrovale.$$$", "new dll");
  ExpectPlaced(dest_ + "EighteenCharsName.$$", "long one");  // 21 characters cut to 20
  ExpectPlaced(dest_ + "NoExtension.$$$", "bare");
  const std::string lines = RenameLines(windows_);
  int count = 0;
  for (std::size_t at = 0; (at = lines.find("\r\n", at)) != std::string::npos; at += 2) ++count;
  EXPECT_EQ(count, 3) << lines;
  const auto first = lines.substr(0, lines.find("\r\n"));
  EXPECT_EQ(LongPathOf(first.substr(0, first.find('='))), LongPathOf(dest_ + "Ferrovale.Dll"));
  EXPECT_EQ(LongPathOf(first.substr(first.find('=') + 1)), LongPathOf(dest_ + "Ferrovale.$$$"));
  EXPECT_NE(lines.find(ShortPathOf(dest_ + "EighteenCharsName.$$")), std::string::npos) << lines;
}

TEST_F(ExpandPageTest, CancelDuringTheExpansionStopsWithoutFlushOrPlacing) {
  const TestPackage& p = BigProduct();
  Stage(p);
  CancelAtStart cancel;
  EXPECT_EQ(Run([] { return autopilot::AnswerWindow({"Exit Ferrovale"}, IDYES); }), 0);
  const long long written = FileSize(dest_ + "Gantrell.Exe");
  EXPECT_EQ(written % 2048, 0) << "only whole buffers reach the file";
  EXPECT_LT(written, p.ExpandedSize());
  EXPECT_FALSE(IsFile(dest_ + "Gantrell._AV"));
  EXPECT_FALSE(IsFile(dest_ + "Ferrovale.Dll"));
  EXPECT_EQ(CreatedByThisRun.MainProgramPath, dest_ + "Gantrell.Exe");  // for the clean-up
}

TEST_F(ExpandPageTest, CancelAnsweredNoGoesOn) {
  const TestPackage& p = BigProduct();
  Stage(p);
  CancelAtStart cancel;
  EXPECT_EQ(Run([] { return autopilot::AnswerWindow({"Exit Ferrovale"}, IDNO); }), 1);
  ExpectPlaced(dest_ + "Gantrell.Exe", p.MainProgram);
  ExpectPlaced(dest_ + "Ferrovale.Dll", p.Files[0].Bytes);
}

// Phase 3 handles no messages: a Cancel that arrives while the files are
// placed is never seen by the page, which ends with 1.
TEST_F(ExpandPageTest, CancelDuringPlacingHasNoEffect) {
  const TestPackage p = MakePackage("main", {{"First.dat", TextBytes(3000000, 10)}, {"Last.dat", "end"}});
  Stage(p);
  const std::string first = dest_ + "First.dat";
  bool sawQuestion = true;
  EXPECT_EQ(Run([&] {
              HWND page = autopilot::WaitForWindow({"Please Stand By..."});
              if (!page) return false;
              while (IsWindow(page) && !IsFile(first)) Sleep(1);  // phase 3 has begun
              autopilot::ClickButton(page, IDCANCEL);
              sawQuestion = autopilot::WaitForWindow({"Exit Ferrovale"}, 1500) != nullptr;
              return !sawQuestion;
            }),
            1);
  EXPECT_FALSE(sawQuestion);
  ExpectPlaced(dest_ + "Last.dat", "end");
}

TEST_F(ExpandPageTest, TruncatedArchiveIsReportedAndNothingIsPlaced) {
  TestPackage p = BigProduct();
  p.Compressed.resize(p.Compressed.size() / 2);
  Stage(p);
  std::string text;
  EXPECT_EQ(RunAnsweringStop(text), 0);
  EXPECT_NE(text.find("incomplete"), std::string::npos) << text;
  EXPECT_FALSE(IsFile(dest_ + "Gantrell._AV"));
  EXPECT_FALSE(IsFile(dest_ + "Ferrovale.Dll"));
  EXPECT_EQ(CreatedByThisRun.MainProgramPath, dest_ + "Gantrell.Exe");
}

TEST_F(ExpandPageTest, MissingArchiveIsReportedAndNothingIsPlaced) {
  Product().FillDirectory();
  std::string text;
  EXPECT_EQ(RunAnsweringStop(text), 0);
  EXPECT_NE(text.find("could not be opened"), std::string::npos) << text;
  EXPECT_EQ(FileSize(dest_ + "Gantrell.Exe"), 0);
  EXPECT_FALSE(IsFile(dest_ + "Ferrovale.Dll"));
}

TEST_F(ExpandPageTest, ChecksumOfTheExpandedBytesIsCompared) {
  const TestPackage& p = Product();
  PackageIntegrity checks{{}, true, p.Crc};
  RecordedChecks = &checks;
  Stage(p);
  EXPECT_EQ(Run(), 1);
  ExpectPlaced(dest_ + "Ferrovale.Dll", p.Files[0].Bytes);

  // The same archive against another checksum: stopped with a message.
  checks.ExpandedCrc = p.Crc ^ 1;
  SetupConfig.MainProgramName = "Gantrell.Exe";
  DeleteFileA((dest_ + "Gantrell.Exe").c_str());
  DeleteFileA((dest_ + "Ferrovale.Dll").c_str());
  Stage(p);
  std::string text;
  EXPECT_EQ(RunAnsweringStop(text), 0);
  EXPECT_NE(text.find("damaged"), std::string::npos) << text;
  EXPECT_FALSE(IsFile(dest_ + "Ferrovale.Dll"));
  EXPECT_FALSE(IsFile(dest_ + "Gantrell._AV"));
}

TEST_F(ExpandPageTest, NoOutputFileEndsSilentlyAndLeavesTheArchive) {
  const TestPackage& p = Product();
  Stage(p);
  CreateDirectoryA((dest_ + "Gantrell.Exe").c_str(), nullptr);  // a directory takes the name
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(ReadBytes(dest_ + "Gantrell._AV"), p.Compressed);
  EXPECT_EQ(SetupConfig.MainProgramName, "Gantrell.Exe");  // a directory is not an earlier program
  EXPECT_EQ(CreatedByThisRun.MainProgramPath, "");
  RemoveDirectoryA((dest_ + "Gantrell.Exe").c_str());
}

TEST_F(ExpandPageTest, EmptyExpandedStreamDividesByNothing) {
  const TestPackage p = MakePackage("", {});
  Stage(p);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(FileSize(dest_ + "Gantrell.Exe"), 0);
}

// A disk that stops taking the main program's bytes: the write errors are
// not reported where they happen, but a main program shorter than the
// expanded stream stops the run instead of placing files out of it.
namespace {
int OutputWrites = 0;
BOOL WINAPI DiskFullAfterOneWrite(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
  static auto* const original =
      reinterpret_cast<decltype(&WriteFile)>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "WriteFile")));
  if (file == SetupState.OutputHandle && ++OutputWrites > 1) {
    if (written) *written = 0;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  return original(file, data, size, written, overlapped);
}
}  // namespace

TEST_F(ExpandPageTest, MainProgramTheDiskDidNotTakeStopsTheRun) {
  Stage(Product());
  OutputWrites = 0;
  ImportPatch patch("kernel32.dll", "WriteFile", reinterpret_cast<void*>(DiskFullAfterOneWrite));
  ASSERT_TRUE(patch.Active());
  std::string text;
  EXPECT_EQ(RunAnsweringStop(text), 0);
  EXPECT_NE(text.find("could not be written completely"), std::string::npos) << text;
  EXPECT_GT(OutputWrites, 1);
  EXPECT_FALSE(IsFile(dest_ + "Ferrovale.Dll"));
  EXPECT_FALSE(IsFile(dest_ + "Gantrell._AV"));
}
