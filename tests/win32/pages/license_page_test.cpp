// The licence page in this process: the agreement view, Enter to agree,
// Exit and Escape to ask first.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "autopilot.h"
#include "setup/fatal.h"
#include "setup/state.h"
#include "ui/core/agreement.h"
#include "ui/pages.h"

namespace {

class LicensePageTest : public testing::Test {
 protected:
  void SetUp() override {
    savedConfig_ = SetupConfig;
    SetupState.ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    SetupState.ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
  }
  void TearDown() override { SetupConfig = savedConfig_; }

  static INT_PTR RunPage() {
    return DialogBoxParamA(GetModuleHandleA(nullptr), "License", nullptr, GuardedDialogProc<LicensePage>, 0);
  }

 private:
  SetupConfigBlock savedConfig_;
};

struct ViewFacts {
  bool Found = false;
  std::string Class;
  std::string Text;
  LONG Style = 0;
  LONG ExStyle = 0;
  RECT Place{};  // in the page's client area
  bool FocusOnAgree = false;
};

ViewFacts Inspect(HWND page) {
  ViewFacts facts;
  HWND view = GetDlgItem(page, 0);
  if (!view) return facts;
  facts.Found = true;
  facts.Class = autopilot::ClassOf(view);
  facts.Text = autopilot::WindowText(view);
  facts.Style = GetWindowLongA(view, GWL_STYLE);
  facts.ExStyle = GetWindowLongA(view, GWL_EXSTYLE);
  GetWindowRect(view, &facts.Place);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&facts.Place), 2);
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(page, nullptr), &info);
  facts.FocusOnAgree = info.hwndFocus == GetDlgItem(page, IDOK);
  return facts;
}

}  // namespace

// Opening shows the assembled agreement, the group name in every insertion
// but the first; Enter agrees at once.
TEST_F(LicensePageTest, ShowsTheAgreementAndEnterAgrees) {
  SetupConfig.GroupName = "Other Group";
  ViewFacts facts;
  autopilot::Pilot pilot([&] {
    HWND page = autopilot::WaitForWindow({"License Agreement"});
    if (!page) return false;
    facts = Inspect(page);
    autopilot::PressKey(page, VK_RETURN);
    return autopilot::WaitUntilGone(page);
  });
  const INT_PTR result = RunPage();
  ASSERT_TRUE(pilot.Finish());
  EXPECT_EQ(result, 1);

  ASSERT_TRUE(facts.Found);
  EXPECT_EQ(facts.Class, "Edit");
  EXPECT_EQ(facts.Text, AssembleAgreement(AgreementPieces, "Ferrovale", "Other Group"));
  EXPECT_NE(facts.Text.find("Other Group"), std::string::npos);
  const LONG wanted = WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_READONLY | ES_MULTILINE;
  EXPECT_EQ(facts.Style & wanted, wanted);
  EXPECT_EQ(facts.Style & (WS_HSCROLL | ES_AUTOHSCROLL | WS_BORDER), 0);  // lines wrap
  EXPECT_TRUE(facts.ExStyle & WS_EX_CLIENTEDGE);
  EXPECT_EQ(facts.Place.left, 10);
  EXPECT_EQ(facts.Place.top, 30);
  EXPECT_EQ(facts.Place.right - facts.Place.left, 380);
  EXPECT_EQ(facts.Place.bottom - facts.Place.top, 200);
  EXPECT_TRUE(facts.FocusOnAgree);
}

// Exit asks ConfirmExit: No leaves the page as it was, and Escape asks the
// same question, where Yes ends the page with 0.
TEST_F(LicensePageTest, ExitAndEscapeAskFirst) {
  std::string question, before, after;
  bool stayed = false;
  autopilot::Pilot pilot([&] {
    HWND page = autopilot::WaitForWindow({"License Agreement"});
    if (!page) return false;
    before = autopilot::WindowText(GetDlgItem(page, 0));
    autopilot::ClickButton(page, IDCANCEL);
    HWND box = autopilot::WaitForWindow({"Exit Ferrovale"});
    if (!box) return false;
    question = autopilot::MessageBoxText(box);
    autopilot::ClickButton(box, IDNO);
    if (!autopilot::WaitUntilGone(box)) return false;
    stayed = IsWindowVisible(page) != 0;
    after = autopilot::WindowText(GetDlgItem(page, 0));
    autopilot::PressKey(page, VK_ESCAPE);
    if (!autopilot::AnswerWindow({"Exit Ferrovale"}, IDYES)) return false;
    return autopilot::WaitUntilGone(page);
  });
  const INT_PTR result = RunPage();
  ASSERT_TRUE(pilot.Finish());
  EXPECT_EQ(result, 0);
  EXPECT_EQ(question, "Do you really want to terminate the Setup program?");
  EXPECT_TRUE(stayed);
  EXPECT_FALSE(before.empty());
  EXPECT_EQ(after, before);
}
