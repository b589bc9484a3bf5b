// Whole runs of the setup sequence, in a child process: the page chain, the
// clean-up of a cancelled run, the termination message, WinInit.Ini.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "autopilot.h"
#include "child_run.h"
#include "work_package.h"

using autopilot::WindowQuery;

namespace {

std::string WindowsDir() {
  char dir[MAX_PATH] = {};
  GetWindowsDirectoryA(dir, MAX_PATH);
  return dir;
}

std::string WinInitPath() { return WindowsDir() + "\\WinInit.Ini"; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

std::string SetupCommand(const std::string& module = std::string()) {
  std::string line = Quoted(OwnExecutable()) + " --run-setup";
  if (!module.empty()) line += " " + Quoted(OwnDirectory() + module);
  return line;
}

// A setup program with a package to install: a copy of this executable with
// the trailer of a small product appended, beside its first volume. The copy
// and expand pages work through it by themselves.
std::string StagedSetupCommand(const std::string& destination, const std::string& settings = std::string()) {
  static const std::string setup = [] {
    const std::string dir = work::FreshDirectory("sequence setup");
    const work::TestPackage package =
        work::MakePackage(work::TextBytes(20000, 41), {{"Ferrovale.Dll", work::NoiseBytes(3000, 42)}});
    work::WriteBytes(dir + "SETUP.EXE", work::ReadBytes(OwnExecutable()) + package.Trailer());
    work::WriteBytes(dir + "Gantrell.001", package.Compressed);
    return dir + "SETUP.EXE";
  }();
  return Quoted(setup) + " --set " + Quoted("DefaultDestination=" + destination) + settings + " --run-setup";
}

// The captions the pages show once open, in chain order.
const char* const PageCaptions[] = {"License Agreement", "Destination Directory", "Please Stand By...",
                                    "Please Stand By...", "Program Group"};

// Walks pages 0..stop-1 with OK (the copy and expand pages go on by
// themselves) and returns the page `stop` once it shows.
HWND WalkTo(DWORD pid, int stop) {
  for (int i = 0; i < stop; ++i) {
    if (i == 2 || i == 3) continue;
    HWND page = autopilot::WaitForWindow({PageCaptions[i], autopilot::DialogClass, pid});
    if (!page) return nullptr;
    autopilot::ClickButton(page, IDOK);
    if (!autopilot::WaitUntilGone(page)) return nullptr;
  }
  return autopilot::WaitForWindow({PageCaptions[stop], autopilot::DialogClass, pid});
}

class SequenceRun : public testing::Test {
 protected:
  void SetUp() override { DeleteFileA(WinInitPath().c_str()); }
};

}  // namespace

TEST_F(SequenceRun, MissingLicenceTemplateEndsAtOnceWithNothingShownOrDeleted) {
  const std::string dir = OwnDirectory();
  WriteFile(dir + "Gantrell.Exe", "earlier installation");
  WriteFile(dir + "Gantrell._AV", "earlier archive");
  ChildRun run(SetupCommand("no_license_res.dll"), dir);
  ASSERT_TRUE(run.Started());
  EXPECT_EQ(run.Wait(15000), 0);  // a message box would keep it waiting
  EXPECT_TRUE(Exists(dir + "Gantrell.Exe"));
  EXPECT_TRUE(Exists(dir + "Gantrell._AV"));
  DeleteFileA((dir + "Gantrell.Exe").c_str());
  DeleteFileA((dir + "Gantrell._AV").c_str());
}

TEST_F(SequenceRun, MissingLaterTemplateCancelsWithTerminationMessage) {
  ChildRun run(SetupCommand("only_license_res.dll"));
  ASSERT_TRUE(run.Started());
  HWND licence = WalkTo(run.ProcessId(), 0);
  ASSERT_TRUE(licence);
  autopilot::ClickButton(licence, IDOK);
  HWND box = autopilot::WaitForWindow({"Ferrovale", autopilot::DialogClass, run.ProcessId()});
  ASSERT_TRUE(box);
  EXPECT_EQ(autopilot::MessageBoxText(box), "The Installation process has been terminated.");
  autopilot::ClickButton(box, IDOK);
  EXPECT_EQ(run.Wait(), 0);
}

// Cancelling any of the first four pages leads to the clean-up and to the
// termination message, owned by the backdrop. The copy page is cancelled in
// its prompt for a second disk; the expand page ends with 0 by itself when
// it cannot create the main program.
TEST_F(SequenceRun, CancelOnEachPageBeforeTheGroupPageTerminates) {
  for (int stop = 0; stop < 4; ++stop) {
    SCOPED_TRACE(PageCaptions[stop]);
    const std::string dest = work::FreshDirectory("sequence destination");
    if (stop == 3) CreateDirectoryA((dest + "Gantrell.Exe").c_str(), nullptr);
    ChildRun run(StagedSetupCommand(dest.substr(0, dest.size() - 1), stop == 2 ? " --set VolumeCount=2" : ""));
    ASSERT_TRUE(run.Started());
    if (stop < 2) {
      HWND page = WalkTo(run.ProcessId(), stop);
      ASSERT_TRUE(page);
      autopilot::ClickButton(page, IDCANCEL);
      // The licence and destination pages ask first.
      if (HWND question = autopilot::WaitForWindow({"Exit Ferrovale", autopilot::DialogClass, run.ProcessId()}, 1500))
        autopilot::ClickButton(question, IDYES);
    } else if (stop == 2) {
      // The copy page stays while it asks for the second disk.
      ASSERT_TRUE(WalkTo(run.ProcessId(), 2));
      HWND prompt = autopilot::WaitForWindow({"Ferrovale", autopilot::DialogClass, run.ProcessId()});
      ASSERT_TRUE(prompt);
      EXPECT_EQ(autopilot::MessageBoxText(prompt), "Please Insert Disk number 2");
      autopilot::ClickButton(prompt, IDCANCEL);
      ASSERT_TRUE(autopilot::WaitUntilGone(prompt));
    } else {
      // Both work pages come and go by themselves, too quickly to watch.
      HWND destination = WalkTo(run.ProcessId(), 1);
      ASSERT_TRUE(destination);
      autopilot::ClickButton(destination, IDOK);
    }
    HWND box = autopilot::WaitForWindow({"Ferrovale", autopilot::DialogClass, run.ProcessId()});
    ASSERT_TRUE(box);
    EXPECT_EQ(autopilot::MessageBoxText(box), "The Installation process has been terminated.");
    HWND owner = autopilot::OwnerOf(box);
    ASSERT_TRUE(owner);
    EXPECT_EQ(autopilot::ClassOf(owner), "AVSetUp");
    autopilot::ClickButton(box, IDOK);
    EXPECT_EQ(run.Wait(), 0);
    EXPECT_FALSE(Exists(dest + "Gantrell._AV"));  // the work archive this run wrote is gone
    RemoveDirectoryA((dest + "Gantrell.Exe").c_str());
    RemoveTree(dest);
  }
}

TEST_F(SequenceRun, CancelledGroupPageEndsWithoutAnyMessage) {
  WriteFile(WinInitPath(), "[Other]\r\nkeep=this\r\n[Rename]\r\nNUL=C:\\FOREIGN.TMP\r\n");
  const std::string dest = work::FreshDirectory("sequence destination");
  ChildRun run(StagedSetupCommand(dest.substr(0, dest.size() - 1)));
  ASSERT_TRUE(run.Started());
  HWND group = WalkTo(run.ProcessId(), 4);
  ASSERT_TRUE(group);
  autopilot::ClickButton(group, IDCANCEL);
  EXPECT_EQ(run.Wait(15000), 0);  // neither termination message nor completion question
  EXPECT_EQ(ReadFile(WinInitPath()), "[Other]\r\nkeep=this\r\n[Rename]\r\nNUL=C:\\FOREIGN.TMP\r\n");
  EXPECT_TRUE(Exists(dest + "Gantrell.Exe"));  // the placed files stay
  EXPECT_TRUE(Exists(dest + "Ferrovale.Dll"));
  RemoveTree(dest);
}

// A failed registry write after a confirmed group page is fatal: the report,
// exit code 1, no completion question; the shortcut made before it stays.
TEST_F(SequenceRun, FailedUninstallRegistrationIsFatalAfterTheShortcut) {
  const std::string dest = work::FreshDirectory("sequence destination");
  ChildRun run(StagedSetupCommand(dest.substr(0, dest.size() - 1), " --fail-registry-writes"));
  ASSERT_TRUE(run.Started());
  HWND group = WalkTo(run.ProcessId(), 4);
  ASSERT_TRUE(group);
  autopilot::SetItemText(group, 102, "Sequence Fatal Test");
  autopilot::ClickButton(group, IDOK);
  HWND report = autopilot::WaitForWindow({"Application Error", autopilot::DialogClass, run.ProcessId()});
  ASSERT_TRUE(report);
  EXPECT_NE(autopilot::MessageBoxText(report).find("Failed to set data for 'DisplayName'."), std::string::npos)
      << autopilot::MessageBoxText(report);
  EXPECT_EQ(autopilot::FindTopLevel({"Ferrovale", autopilot::DialogClass, run.ProcessId()}), nullptr);
  autopilot::ClickButton(report, IDOK);
  EXPECT_EQ(run.Wait(), 1);

  char programs[MAX_PATH] = {};
  DWORD size = sizeof programs - 1;
  ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                         "Programs", RRF_RT_REG_SZ, nullptr, programs, &size),
            ERROR_SUCCESS);
  const std::string shortcut = std::string(programs) + "\\Sequence Fatal Test.LNK";
  EXPECT_TRUE(Exists(shortcut));
  DeleteFileA(shortcut.c_str());
  RemoveTree(dest);
}

TEST_F(SequenceRun, RunWithNothingToRenameLeavesTheSectionLineOnly) {
  ChildRun run(SetupCommand());
  ASSERT_TRUE(run.Started());
  HWND licence = WalkTo(run.ProcessId(), 0);
  ASSERT_TRUE(licence);
  autopilot::ClickButton(licence, IDCANCEL);
  if (HWND question = autopilot::WaitForWindow({"Exit Ferrovale", autopilot::DialogClass, run.ProcessId()}, 1500))
    autopilot::ClickButton(question, IDYES);
  ASSERT_TRUE(autopilot::AnswerWindow({"Ferrovale", autopilot::DialogClass, run.ProcessId()}, IDOK));
  EXPECT_EQ(run.Wait(), 0);
  EXPECT_EQ(ReadFile(WinInitPath()), "[Rename]\r\n");
}

TEST_F(SequenceRun, RenameListThatCannotBeCreatedIsFatal) {
  ASSERT_TRUE(CreateDirectoryA(WinInitPath().c_str(), nullptr));  // a directory takes the name
  ChildRun run(SetupCommand());
  ASSERT_TRUE(run.Started());
  HWND report = autopilot::WaitForWindow({"Application Error", autopilot::DialogClass, run.ProcessId()});
  ASSERT_TRUE(report);
  const std::string text = autopilot::MessageBoxText(report);
  EXPECT_EQ(text.rfind("Exception EInOutError in module win32_tests.exe at ", 0), 0u) << text;
  EXPECT_NE(text.find("\nFile access denied."), std::string::npos) << text;
  // A stop icon: the box shows an icon control.
  bool hasIcon = false;
  for (HWND c = GetWindow(report, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    hasIcon |= (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && autopilot::ClassOf(c) == "Static";
  EXPECT_TRUE(hasIcon);
  EXPECT_EQ(autopilot::OwnerOf(report), nullptr);
  autopilot::ClickButton(report, IDOK);
  EXPECT_EQ(run.Wait(), 1);
  RemoveDirectoryA(WinInitPath().c_str());
}
