// The destination page in this process: the default accepted with Enter,
// malformed entries refused with a beep, uncreatable ones in silence, a bare
// drive accepted, Cancel asking first.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "autopilot.h"
#include "child_run.h"
#include "import_patch.h"
#include "setup/fatal.h"
#include "setup/state.h"
#include "ui/pages.h"

namespace {

std::atomic<int> Beeps{0};

BOOL WINAPI CountBeep(UINT) {
  ++Beeps;
  return TRUE;
}

std::string CurrentDirectory() {
  char dir[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, dir);
  return dir;
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Sends OK to the page and waits until it has been handled.
void PressOk(HWND page) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(page, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                      reinterpret_cast<LPARAM>(GetDlgItem(page, IDOK)), SMTO_NORMAL, 5000, &ignored);
}

class DestinationPageTest : public testing::Test {
 protected:
  void SetUp() override {
    savedConfig_ = SetupConfig;
    savedDirectory_ = CurrentDirectory();
    SetupState.ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    SetupState.ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
    SetupState.DestinationDir.clear();
    CreateDirectoryA(Parent, nullptr);
    Beeps = 0;
  }
  void TearDown() override {
    SetCurrentDirectoryA(savedDirectory_.c_str());
    SetupConfig = savedConfig_;
  }

  static INT_PTR RunPage() {
    return DialogBoxParamA(GetModuleHandleA(nullptr), "Main", nullptr, GuardedDialogProc<DestinationPage>, 0);
  }

  static constexpr const char* Parent = "C:\\DestinationTest";
  ImportPatch beep_{"user32.dll", "MessageBeep", reinterpret_cast<void*>(&CountBeep)};

 private:
  SetupConfigBlock savedConfig_;
  std::string savedDirectory_;
};

}  // namespace

// Enter right after the page opens accepts DefaultDestination: created,
// entered, result 1.
TEST_F(DestinationPageTest, EnterAcceptsTheDefault) {
  ASSERT_TRUE(beep_.Active());
  const std::string target = std::string(Parent) + "\\Ferrovale";
  RemoveDirectoryA(target.c_str());
  SetupConfig.DefaultDestination = target;
  std::string shown, destinationAtOpen;
  autopilot::Pilot pilot([&] {
    HWND page = autopilot::WaitForWindow({"Destination Directory"});
    if (!page) return false;
    shown = autopilot::ItemText(page, 104);
    destinationAtOpen = SetupState.DestinationDir;
    autopilot::PressKey(page, VK_RETURN);
    return autopilot::WaitUntilGone(page);
  });
  const INT_PTR result = RunPage();
  ASSERT_TRUE(pilot.Finish());
  EXPECT_EQ(result, 1);
  EXPECT_EQ(destinationAtOpen, OwnDirectory());  // set when the page opens
  EXPECT_EQ(lstrcmpiA(shown.c_str(), target.c_str()), 0) << shown;  // the field shows capitals
  EXPECT_EQ(SetupState.DestinationDir, shown);
  EXPECT_TRUE(IsDirectory(target));
  EXPECT_EQ(lstrcmpiA(CurrentDirectory().c_str(), target.c_str()), 0) << CurrentDirectory();
  EXPECT_EQ(Beeps, 0);
}

// Each refused OK leaves the page open with DestinationDir holding the
// entry; a malformed one beeps, one that cannot be made and entered does
// not. Cancel then asks: No keeps the page, Yes ends it with 0.
TEST_F(DestinationPageTest, RefusedEntriesKeepThePage) {
  ASSERT_TRUE(beep_.Active());
  ASSERT_EQ(GetDriveTypeA("Q:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR)) << "test needs Q: to be absent";
  // In capitals, as the field's upper-case style leaves every entry (the
  // form check's lower-case rule is covered where it is defined).
  struct Entry { const char* text; int beeps; };
  const Entry entries[] = {
      {"", 1}, {"C", 1}, {"1:\\FERROVALE", 1}, {"\\\\SERVER\\SHARE", 1},
      {"C:\\DESTINATIONTEST\\MISSING\\FERROVALE", 0},  // the middle level does not exist
      {"Q:\\FERROVALE", 0},                            // no such drive
  };
  struct Seen { bool Open; int Beeps; std::string Destination; };
  std::vector<Seen> seen;
  std::string afterNo;
  autopilot::Pilot pilot([&] {
    HWND page = autopilot::WaitForWindow({"Destination Directory"});
    if (!page) return false;
    for (const Entry& entry : entries) {
      const int before = Beeps;
      autopilot::SetItemText(page, 104, entry.text);
      PressOk(page);
      seen.push_back({IsWindowVisible(page) != 0, Beeps - before, SetupState.DestinationDir});
    }
    autopilot::ClickButton(page, IDCANCEL);
    if (!autopilot::AnswerWindow({"Exit Ferrovale"}, IDNO)) return false;
    afterNo = SetupState.DestinationDir;
    if (!IsWindowVisible(page)) return false;
    autopilot::PressKey(page, VK_ESCAPE);
    if (!autopilot::AnswerWindow({"Exit Ferrovale"}, IDYES)) return false;
    return autopilot::WaitUntilGone(page);
  });
  const std::string directoryBefore = CurrentDirectory();
  const INT_PTR result = RunPage();
  ASSERT_TRUE(pilot.Finish());
  EXPECT_EQ(result, 0);
  ASSERT_EQ(seen.size(), std::size(entries));
  for (size_t i = 0; i < seen.size(); ++i) {
    SCOPED_TRACE(entries[i].text);
    EXPECT_TRUE(seen[i].Open);
    EXPECT_EQ(seen[i].Beeps, entries[i].beeps);
    EXPECT_EQ(seen[i].Destination, entries[i].text);
  }
  EXPECT_EQ(afterNo, "Q:\\FERROVALE");
  EXPECT_FALSE(IsDirectory("C:\\DestinationTest\\Missing"));
  EXPECT_EQ(CurrentDirectory(), directoryBefore);
}

// A bare drive passes the form; creating it fails but entering it succeeds,
// so the page ends with 1 and the drive's current directory stays current.
TEST_F(DestinationPageTest, BareDriveIsAccepted) {
  ASSERT_TRUE(SetCurrentDirectoryA(Parent));
  autopilot::Pilot pilot([] {
    HWND page = autopilot::WaitForWindow({"Destination Directory"});
    if (!page) return false;
    autopilot::SetItemText(page, 104, "C:");
    autopilot::ClickButton(page, IDOK);
    return autopilot::WaitUntilGone(page);
  });
  const INT_PTR result = RunPage();
  ASSERT_TRUE(pilot.Finish());
  EXPECT_EQ(result, 1);
  EXPECT_EQ(SetupState.DestinationDir, "C:");
  EXPECT_EQ(lstrcmpiA(CurrentDirectory().c_str(), Parent), 0) << CurrentDirectory();
  EXPECT_EQ(Beeps, 0);
}
