// The group page in this process: the proposal, the entry taken as it
// stands, Escape without a question.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "autopilot.h"
#include "setup/fatal.h"
#include "setup/state.h"
#include "ui/pages.h"

namespace {

class GroupPageTest : public testing::Test {
 protected:
  void SetUp() override {
    savedConfig_ = SetupConfig;
    SetupState.ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    SetupState.ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
  }
  void TearDown() override { SetupConfig = savedConfig_; }

  static INT_PTR RunPage() {
    return DialogBoxParamA(GetModuleHandleA(nullptr), "Group", nullptr, GuardedDialogProc<GroupPage>, 0);
  }

 private:
  SetupConfigBlock savedConfig_;
};

}  // namespace

TEST_F(GroupPageTest, TakesTheEntryAsItStands) {
  for (const char* entry : {"My Tools", ""}) {
    SCOPED_TRACE(entry);
    SetupConfig.GroupName = "Ferrovale";
    std::string proposed;
    autopilot::Pilot pilot([&] {
      HWND page = autopilot::WaitForWindow({"Program Group"});
      if (!page) return false;
      proposed = autopilot::ItemText(page, 102);
      autopilot::SetItemText(page, 102, entry);
      autopilot::PressKey(page, VK_RETURN);  // the focus is on OK
      return autopilot::WaitUntilGone(page);
    });
    const INT_PTR result = RunPage();
    ASSERT_TRUE(pilot.Finish());
    EXPECT_EQ(result, 1);
    EXPECT_EQ(proposed, "Ferrovale");
    EXPECT_EQ(SetupConfig.GroupName, entry);
  }
}

// Escape ends the page with 0 at once: a question would keep it open.
TEST_F(GroupPageTest, EscapeLeavesWithoutAQuestion) {
  autopilot::Pilot pilot([] {
    HWND page = autopilot::WaitForWindow({"Program Group"});
    if (!page) return false;
    autopilot::SetItemText(page, 102, "Not taken");
    autopilot::PressKey(page, VK_ESCAPE);
    return autopilot::WaitUntilGone(page, 3000);
  });
  const INT_PTR result = RunPage();
  ASSERT_TRUE(pilot.Finish());
  EXPECT_EQ(result, 0);
  EXPECT_EQ(SetupConfig.GroupName, "Ferrovale");
}
