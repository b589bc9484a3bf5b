// Whole installations with the real SETUP.EXE, walked from another process.
// Each scenario runs in a Wine prefix of its own (see tests/win32/CMakeLists.txt).
#include <gtest/gtest.h>

#include "run_support.h"

using namespace runs;

namespace {

const char* const Destination = "C:\\Program Files\\Ferrovale";
const char* const UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ferrovale";
const char* const ProductFiles[] = {"Gantrell.Lib", "Gantrell.Dtp", "Ferrovale.Dll", "UnInstal.Exe", "ReadMe.Txt"};

}  // namespace

TEST(Runs, FreshInstall) {
  const std::string dist = CopyDistribution("C:\\dist");
  SetupRun run(dist);
  ASSERT_TRUE(run.Started());
  HWND question = WalkToCompletion(run);
  ASSERT_TRUE(question);
  EXPECT_EQ(autopilot::MessageBoxText(question),
            "Ferrovale has been successfully installed.\r\n\r\nDo you wish to run Ferrovale?");
  autopilot::ClickButton(question, IDNO);
  EXPECT_EQ(run.Exit(), 0);

  const std::string dest = std::string(Destination) + "\\";
  EXPECT_EQ(ReadFile(dest + "Gantrell.Exe"), ReadFile(SourceOf("Gantrell.Exe")));  // exactly its own length
  for (const char* name : ProductFiles) EXPECT_EQ(ReadFile(dest + name), ReadFile(SourceOf(name))) << name;
  EXPECT_EQ(ReadFile(WindowsDir() + "\\Help\\Gantrell.Hlp"), ReadFile(SourceOf("Gantrell.Hlp")));
  EXPECT_FALSE(Exists(dest + "Gantrell.Hlp"));
  EXPECT_FALSE(Exists(dest + "Gantrell._AV"));
  EXPECT_EQ(ReadFile(WindowsDir() + "\\WinInit.Ini"), "[Rename]\r\n");
  EXPECT_TRUE(Exists(ProgramsFolder() + "\\Ferrovale.LNK"));
  EXPECT_EQ(MachineValue(UninstallKey, "DisplayName"), "Ferrovale");
  // The destination field upper-cases its text, so the accepted destination
  // is the default in capitals.
  EXPECT_EQ(MachineValue(UninstallKey, "UnInstallString"), "C:\\PROGRAM FILES\\FERROVALE\\UnInstal.Exe");
}
