// The product's uninstaller, UnInstal.Exe, started as the uninstall entry
// names it after a whole installation.
#include <gtest/gtest.h>

#include "run_support.h"

using namespace runs;

namespace {

const std::string Dest = std::string(DefaultDestination) + "\\";

bool InstallWithDefaults() {
  SetupRun run(CopyDistribution("C:\\dist"));
  HWND question = WalkToCompletion(run);
  if (!question) return false;
  autopilot::ClickButton(question, IDNO);
  return run.Exit() == 0;
}

// Runs the registered uninstaller and says Yes; it finishes from a copy of
// itself in the temporary directory, which reports the removal.
void Uninstall() {
  const std::string command = MachineValue(UninstallKey, "UnInstallString");
  ASSERT_EQ(command, Dest + "UnInstal.Exe");
  ChildRun uninstaller("\"" + command + "\"");
  ASSERT_TRUE(uninstaller.Started());
  HWND ask = WaitForMessage("Do you want to remove Ferrovale and all of its components?", uninstaller.ProcessId());
  ASSERT_TRUE(ask);
  autopilot::ClickButton(ask, IDYES);
  EXPECT_EQ(uninstaller.Wait(), 0);
  HWND done = WaitForMessage("Ferrovale has been removed from your computer.", 0, 30000);
  ASSERT_TRUE(done);
  autopilot::ClickButton(done, IDOK);
  EXPECT_TRUE(autopilot::WaitUntilGone(done));
}

void ExpectProductRemoved() {
  EXPECT_FALSE(Exists(Dest + "Gantrell.Exe"));
  for (const char* name : ProductFiles) EXPECT_FALSE(Exists(Dest + name)) << name;
  EXPECT_FALSE(Exists(WindowsDir() + "\\Help\\Gantrell.Hlp"));
  EXPECT_FALSE(Exists(ProgramsFolder() + "\\Ferrovale.LNK"));
  EXPECT_FALSE(MachineKeyExists(UninstallKey));
}

}  // namespace

// Everything the installation placed goes; a file the user added stays, and
// so does the directory that holds it. Without such a file the directory goes
// too.
TEST_F(Runs, Uninstall) {
  ASSERT_TRUE(InstallWithDefaults());
  WriteFile(Dest + "My Notes.Txt", "the user's own notes");
  WriteFile(WindowsDir() + "\\Help\\Other.Hlp", "another product's help");
  Uninstall();
  ExpectProductRemoved();
  EXPECT_EQ(ReadFile(Dest + "My Notes.Txt"), "the user's own notes");
  EXPECT_EQ(ReadFile(WindowsDir() + "\\Help\\Other.Hlp"), "another product's help");

  ASSERT_TRUE(DeleteFileA((Dest + "My Notes.Txt").c_str()));
  ASSERT_TRUE(InstallWithDefaults());
  Uninstall();
  ExpectProductRemoved();
  EXPECT_FALSE(Exists(DefaultDestination));
}

// The setup leaves an existing .LIB or .DTP alone, so the user's own file of
// that name is never the package's: the uninstaller keeps it.
TEST_F(Runs, UninstallKeepsTheUsersOwnLibAndDtp) {
  CreateDirectoryA("C:\\Program Files", nullptr);
  CreateDirectoryA(DefaultDestination, nullptr);
  WriteFile(Dest + "Gantrell.Lib", "the user's own library");
  ASSERT_TRUE(InstallWithDefaults());
  WriteFile(Dest + "Gantrell.Dtp", "a template the user changed");
  Uninstall();
  EXPECT_EQ(ReadFile(Dest + "Gantrell.Lib"), "the user's own library");
  EXPECT_EQ(ReadFile(Dest + "Gantrell.Dtp"), "a template the user changed");
  EXPECT_FALSE(Exists(Dest + "Gantrell.Exe"));
  EXPECT_FALSE(Exists(Dest + "ReadMe.Txt"));
}

// After a reinstall the new main program waits as Gantrell.$$$ for the
// restart that puts it in place: the uninstaller removes it and withdraws
// its rename line, so the restart does not bring the product back.
TEST_F(Runs, UninstallAfterReinstall) {
  ASSERT_TRUE(InstallWithDefaults());
  ASSERT_TRUE(InstallWithDefaults());
  ASSERT_TRUE(Exists(Dest + "Gantrell.$$$"));
  WriteFile(WindowsDir() + "\\WinInit.Ini",
            ReadFile(WindowsDir() + "\\WinInit.Ini") + "NUL=C:\\OTHER\\KEEP.TMP\r\n");
  Uninstall();
  ExpectProductRemoved();
  EXPECT_FALSE(Exists(Dest + "Gantrell.$$$"));
  EXPECT_FALSE(Exists(DefaultDestination));
  EXPECT_EQ(ReadFile(WindowsDir() + "\\WinInit.Ini"), "[Rename]\r\nNUL=C:\\OTHER\\KEEP.TMP\r\n");
}
