// Cancelled runs of the real SETUP.EXE: at each page, and during the copy and
// the expansion. A cancel before the group page removes what the run wrote
// and says so; nothing that the run did not write is ever deleted, neither an
// earlier installation's main program nor files named like the product's in
// the setup's current directory.
#include <gtest/gtest.h>

#include "run_support.h"

using namespace runs;

namespace {

const std::string Dest = std::string(DefaultDestination) + "\\";
const char* const EarlierProgram = "the Gantrell.Exe of an earlier installation";
const char* const Bystander = "not the setup's to delete";

// An earlier installation's main program in the default destination, and
// files named like the main program and the work archive in the folder the
// setup starts from (its current directory, and its own directory).
std::string PrepareCancelledRun() {
  CreateDirectoryA("C:\\Program Files", nullptr);
  CreateDirectoryA(DefaultDestination, nullptr);
  WriteFile(Dest + "Gantrell.Exe", EarlierProgram);
  const std::string dist = CopyDistribution("C:\\dist");
  WriteFile(dist + "Gantrell.Exe", Bystander);
  WriteFile(dist + "Gantrell._AV", Bystander);
  return dist;
}

void ExpectNothingForeignDeleted(const std::string& dist) {
  EXPECT_EQ(ReadFile(Dest + "Gantrell.Exe"), EarlierProgram);
  EXPECT_EQ(ReadFile(dist + "Gantrell.Exe"), Bystander);
  EXPECT_EQ(ReadFile(dist + "Gantrell._AV"), Bystander);
}

// Confirms the exit question, then expects the termination message, owned by
// the backdrop, and the end of the run with exit code 0.
void ConfirmAndExpectTermination(SetupRun& run) {
  ASSERT_TRUE(run.Answer("Exit Ferrovale", IDYES));
  HWND message = WaitForMessage("The Installation process has been terminated.", run.Pid());
  ASSERT_TRUE(message);
  EXPECT_EQ(autopilot::WindowText(message), "Ferrovale");
  EXPECT_EQ(autopilot::ClassOf(autopilot::OwnerOf(message)), "AVSetUp");
  autopilot::ClickButton(message, IDOK);
  EXPECT_EQ(run.Exit(), 0);
}

void ExpectNoRegistration() {
  EXPECT_FALSE(MachineKeyExists(UninstallKey));
  EXPECT_FALSE(Exists(ProgramsFolder() + "\\Ferrovale.LNK"));
  EXPECT_FALSE(Exists(WindowsDir() + "\\Help\\Gantrell.Hlp"));
}

}  // namespace

// Exit on the licence page: No keeps the page, Yes ends the run.
TEST_F(Runs, CancelOnLicence) {
  const std::string dist = PrepareCancelledRun();
  SetupRun run(dist);
  HWND page = run.Wait("License Agreement");
  ASSERT_TRUE(page);
  autopilot::ClickButton(page, IDCANCEL);
  ASSERT_TRUE(run.Answer("Exit Ferrovale", IDNO));
  EXPECT_TRUE(IsWindowVisible(page));
  autopilot::ClickButton(page, IDCANCEL);
  ConfirmAndExpectTermination(run);
  ExpectNothingForeignDeleted(dist);
  ExpectNoRegistration();
}

TEST_F(Runs, CancelOnDestination) {
  const std::string dist = PrepareCancelledRun();
  SetupRun run(dist);
  ASSERT_TRUE(Agree(run));
  HWND page = run.Wait("Destination Directory");
  ASSERT_TRUE(page);
  autopilot::ClickButton(page, IDCANCEL);
  ConfirmAndExpectTermination(run);
  ExpectNothingForeignDeleted(dist);
  ExpectNoRegistration();
}

// Cancel as soon as the copy page shows: the question comes between two
// blocks, with the work archive part written; the clean-up deletes it.
TEST_F(Runs, CancelDuringCopy) {
  const std::string dist = PrepareCancelledRun();
  SetupRun run(dist);
  ASSERT_TRUE(Agree(run));
  ASSERT_TRUE(AcceptDestination(run));
  HWND page = run.CatchItem(0xFFFF, CopyPageText);
  ASSERT_TRUE(page);
  autopilot::ClickButton(page, IDCANCEL);
  ASSERT_TRUE(run.Wait("Exit Ferrovale"));
  EXPECT_TRUE(IsWindow(page));
  const long long copied = FileSize(Dest + "Gantrell._AV");
  EXPECT_GT(copied, 0);
  EXPECT_LT(copied, FileSize(dist + "Gantrell.001"));
  ConfirmAndExpectTermination(run);
  EXPECT_FALSE(Exists(Dest + "Gantrell._AV"));
  EXPECT_FALSE(Exists(Dest + "Gantrell.$$$"));
  ExpectNothingForeignDeleted(dist);
  ExpectNoRegistration();
}

// Cancel as soon as the expand page shows, over an earlier installation and
// into a fresh destination: the partial main program of this run goes (with
// its rename line), the work archive goes, no product file is placed.
TEST_F(Runs, CancelDuringExpansion) {
  struct Case {
    const char* Destination;
    const char* NewProgram;  // the file this run expands into
  };
  for (const Case& c : {Case{DefaultDestination, "Gantrell.$$$"}, Case{"C:\\FRESH", "Gantrell.Exe"}}) {
    SCOPED_TRACE(c.Destination);
    const std::string dist = PrepareCancelledRun();
    RemoveTree("C:\\FRESH");
    const std::string dest = std::string(c.Destination) + "\\";
    SetupRun run(dist);
    ASSERT_TRUE(Agree(run));
    ASSERT_TRUE(AcceptDestination(run, c.Destination));
    HWND page = run.CatchItem(0xFFFF, ExpandPageText);
    ASSERT_TRUE(page);
    autopilot::ClickButton(page, IDCANCEL);
    ASSERT_TRUE(run.Wait("Exit Ferrovale"));
    EXPECT_TRUE(IsWindow(page));
    EXPECT_TRUE(Exists(dest + c.NewProgram));
    ConfirmAndExpectTermination(run);

    EXPECT_FALSE(Exists(dest + c.NewProgram));
    EXPECT_FALSE(Exists(dest + "Gantrell._AV"));
    for (const char* name : ProductFiles) EXPECT_FALSE(Exists(dest + name)) << name;
    EXPECT_EQ(ReadFile(WindowsDir() + "\\WinInit.Ini"), "[Rename]\r\n");
    ExpectNothingForeignDeleted(dist);
    ExpectNoRegistration();
  }
}

// Cancel on the group page: no question and no termination message; every
// placed file stays, the uninstall entry is written, no shortcut is made.
TEST_F(Runs, CancelOnGroup) {
  const std::string dist = PrepareCancelledRun();
  SetupRun run(dist);
  ASSERT_TRUE(Agree(run));
  ASSERT_TRUE(AcceptDestination(run));
  HWND page = run.Wait("Program Group", 60000);
  ASSERT_TRUE(page);
  autopilot::ClickButton(page, IDCANCEL);
  EXPECT_EQ(run.Exit(10000), 0);  // a message box would keep it from ending

  ExpectNothingForeignDeleted(dist);
  EXPECT_EQ(ReadFile(Dest + "Gantrell.$$$"), ReadFile(SourceOf("Gantrell.Exe")));
  for (const char* name : ProductFiles) EXPECT_EQ(ReadFile(Dest + name), ReadFile(SourceOf(name))) << name;
  EXPECT_EQ(ReadFile(WindowsDir() + "\\Help\\Gantrell.Hlp"), ReadFile(SourceOf("Gantrell.Hlp")));
  EXPECT_EQ(ReadFile(WindowsDir() + "\\WinInit.Ini"),
            "[Rename]\r\n" + ShortPath(Dest + "Gantrell.Exe") + "=" + ShortPath(Dest + "Gantrell.$$$") + "\r\n");
  EXPECT_EQ(MachineValue(UninstallKey, "UnInstallString"), Dest + "UnInstal.Exe");
  EXPECT_FALSE(Exists(ProgramsFolder() + "\\Ferrovale.LNK"));
}
