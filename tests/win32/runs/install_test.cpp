// Whole installations with the real SETUP.EXE, walked from another process.
// Each scenario runs in a Wine prefix of its own (see tests/win32/CMakeLists.txt).
#include <gtest/gtest.h>

#include "run_support.h"

using namespace runs;

namespace {

const std::string Dest = std::string(DefaultDestination) + "\\";

// Walks a setup with the default answers and declines the completion
// question; true when it ended with exit code 0.
bool InstallWithDefaults(const std::string& dist) {
  SetupRun run(dist);
  HWND question = WalkToCompletion(run);
  if (!question) return false;
  autopilot::ClickButton(question, IDNO);
  return run.Exit() == 0;
}

// What an installation with the defaults leaves on a machine that had no
// Ferrovale before.
void ExpectFreshInstallation() {
  EXPECT_EQ(ReadFile(Dest + "Gantrell.Exe"), ReadFile(SourceOf("Gantrell.Exe")));  // exactly its own length
  for (const char* name : ProductFiles) EXPECT_EQ(ReadFile(Dest + name), ReadFile(SourceOf(name))) << name;
  EXPECT_EQ(ReadFile(WindowsDir() + "\\Help\\Gantrell.Hlp"), ReadFile(SourceOf("Gantrell.Hlp")));
  EXPECT_FALSE(Exists(Dest + "Gantrell.Hlp"));
  EXPECT_FALSE(Exists(Dest + "Gantrell._AV"));
  EXPECT_EQ(FilesIn(Dest).size(), 1 + std::size(ProductFiles));
  EXPECT_EQ(ReadFile(WindowsDir() + "\\WinInit.Ini"), "[Rename]\r\n");
  const LinkSettings link = ReadLink(ProgramsFolder() + "\\Ferrovale.LNK");
  EXPECT_TRUE(link.Read);
  EXPECT_EQ(lstrcmpiA(link.Target.c_str(), (Dest + "Gantrell.Exe").c_str()), 0) << link.Target;
  EXPECT_EQ(lstrcmpiA(link.WorkingDirectory.c_str(), DefaultDestination), 0) << link.WorkingDirectory;
  EXPECT_EQ(link.ShowCommand, SW_SHOWNORMAL);
  EXPECT_EQ(MachineValue(UninstallKey, "DisplayName"), "Ferrovale");
  // The destination field upper-cases its text, so the accepted destination
  // is the default in capitals.
  EXPECT_EQ(MachineValue(UninstallKey, "UnInstallString"), Dest + "UnInstal.Exe");
}

}  // namespace

TEST_F(Runs, FreshInstall) {
  const std::string dist = CopyDistribution("C:\\dist");
  SetupRun run(dist);
  ASSERT_TRUE(run.Started());
  HWND question = WalkToCompletion(run);
  ASSERT_TRUE(question);
  EXPECT_EQ(autopilot::MessageBoxText(question),
            "Ferrovale has been successfully installed.\r\n\r\nDo you wish to run Ferrovale?");
  EXPECT_EQ(autopilot::OwnerOf(question), nullptr);
  autopilot::ClickButton(question, IDNO);
  EXPECT_EQ(run.Exit(), 0);
  ExpectFreshInstallation();
}

// A second run over the first: the new main program waits beside the old one
// for the next restart, the user's library and desktop files stay, the other
// files are replaced.
TEST_F(Runs, Reinstall) {
  const std::string dist = CopyDistribution("C:\\dist");
  ASSERT_TRUE(InstallWithDefaults(dist));
  WriteFile(Dest + "Gantrell.Exe", "the Gantrell.Exe of the first installation");
  WriteFile(Dest + "Gantrell.Lib", "the user's own library");
  WriteFile(Dest + "Gantrell.Dtp", "the user's own desktop");
  WriteFile(Dest + "ReadMe.Txt", "an older readme");

  ASSERT_TRUE(InstallWithDefaults(dist));
  EXPECT_EQ(ReadFile(Dest + "Gantrell.Exe"), "the Gantrell.Exe of the first installation");
  EXPECT_EQ(ReadFile(Dest + "Gantrell.$$$"), ReadFile(SourceOf("Gantrell.Exe")));
  EXPECT_EQ(ReadFile(Dest + "Gantrell.Lib"), "the user's own library");
  EXPECT_EQ(ReadFile(Dest + "Gantrell.Dtp"), "the user's own desktop");
  for (const char* name : {"ReadMe.Txt", "Ferrovale.Dll", "UnInstal.Exe"})
    EXPECT_EQ(ReadFile(Dest + name), ReadFile(SourceOf(name))) << name;
  EXPECT_EQ(ReadFile(WindowsDir() + "\\Help\\Gantrell.Hlp"), ReadFile(SourceOf("Gantrell.Hlp")));
  EXPECT_FALSE(Exists(Dest + "Gantrell._AV"));

  const std::string line = ShortPath(Dest + "Gantrell.Exe") + "=" + ShortPath(Dest + "Gantrell.$$$");
  EXPECT_EQ(line.find(' '), std::string::npos) << line;  // short forms: no "Program Files"
  EXPECT_EQ(ReadFile(WindowsDir() + "\\WinInit.Ini"), "[Rename]\r\n" + line + "\r\n");
}

// Disks 2 and 3 are not in the folder at first: each prompt comes, OK with
// the disk still missing says so, and the disk put in place lets the copy go
// on. The result is the same as from one volume.
TEST_F(Runs, ThreeVolumes) {
  const std::string source = ThreeVolumePackageDir();
  const std::string dist = CopyDistribution("C:\\dist3", source);
  ASSERT_TRUE(DeleteFileA((dist + "Gantrell.002").c_str()));
  ASSERT_TRUE(DeleteFileA((dist + "Gantrell.003").c_str()));

  SetupRun run(dist);
  ASSERT_TRUE(Agree(run));
  ASSERT_TRUE(AcceptDestination(run));
  for (const char* disk : {"2", "3"}) {
    const std::string prompt = std::string("Please Insert Disk number ") + disk;
    HWND ask = WaitForMessage(prompt, run.Pid());
    ASSERT_TRUE(ask) << prompt;
    EXPECT_EQ(autopilot::WindowText(ask), "Ferrovale");
    EXPECT_EQ(autopilot::WindowText(autopilot::OwnerOf(ask)), "Please Stand By...");  // the copy page
    autopilot::ClickButton(ask, IDOK);
    ASSERT_TRUE(autopilot::WaitUntilGone(ask));

    HWND wrong = WaitForMessage("This is not the appropriate disk.\r\nPlease insert the correct disk and Press Enter",
                                run.Pid());
    ASSERT_TRUE(wrong);
    EXPECT_EQ(autopilot::WindowText(wrong), "");
    autopilot::ClickButton(wrong, IDOK);
    ASSERT_TRUE(autopilot::WaitUntilGone(wrong));

    ask = WaitForMessage(prompt, run.Pid());
    ASSERT_TRUE(ask) << prompt << " once more";
    const std::string volume = std::string("Gantrell.00") + disk;
    ASSERT_TRUE(CopyFileA((source + volume).c_str(), (dist + volume).c_str(), FALSE));
    autopilot::ClickButton(ask, IDOK);
    ASSERT_TRUE(autopilot::WaitUntilGone(ask));
  }
  ASSERT_TRUE(AcceptGroup(run));
  HWND question = run.Wait("Ferrovale");
  ASSERT_TRUE(question);
  autopilot::ClickButton(question, IDNO);
  EXPECT_EQ(run.Exit(), 0);
  ExpectFreshInstallation();
}

// Yes to the completion question starts the installed main program.
TEST_F(Runs, LaunchAfterInstall) {
  const std::string dist = CopyDistribution("C:\\dist");
  SetupRun run(dist);
  HWND question = WalkToCompletion(run);
  ASSERT_TRUE(question);
  autopilot::ClickButton(question, IDYES);
  HWND product = autopilot::WaitForWindow({"Ferrovale", "FerrovaleMain", 0}, 30000);
  ASSERT_TRUE(product);
  EXPECT_EQ(run.Exit(), 0);

  DWORD pid = 0;
  GetWindowThreadProcessId(product, &pid);
  EXPECT_NE(pid, run.Pid());
  if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
    char image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    ASSERT_TRUE(QueryFullProcessImageNameA(process, 0, image, &size));
    EXPECT_EQ(lstrcmpiA(image, (Dest + "Gantrell.Exe").c_str()), 0) << image;
    CloseHandle(process);
  }
  PostMessageA(product, WM_CLOSE, 0, 0);
  EXPECT_TRUE(autopilot::WaitUntilGone(product));
}
