#include "work_page_run.h"

#include <gtest/gtest.h>

#include <atomic>

#include "autopilot.h"
#include "package/core/package_directory.h"
#include "package/volume_checks.h"
#include "setup/core/names.h"
#include "setup/rename_list.h"
#include "setup/state.h"
#include "ui/meter.h"

namespace work {

PageRunState::PageRunState(const std::string& destinationDir, const std::string& windowsDir) {
  SetupState.ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
  SetupState.ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
  SetupState.DestinationDir = destinationDir;
  SetupState.WindowsDir = windowsDir;
  SetupState.DecodeInBuffer = new std::uint8_t[2064];
  SetupState.DecodeOutBuffer = new std::uint8_t[2064];
  SetupConfig.VolumeCount = 1;
  SetupConfig.MainProgramName = "Gantrell.Exe";
  SetupConfig.FirstVolumeName = "Gantrell.001";
  SetupConfig.WorkArchiveName = "Gantrell._AV";
  CreatedByThisRun = RunFiles{};
  RecordedChecks = &PackageChecks;
  KeepGoing = 0;
  Percent = 0;
  DrawnPercent = 0;
  OpenRenameList(JoinPath(windowsDir, "WinInit.Ini"));
}

PageRunState::~PageRunState() {
  CloseRenameList();
  FreePackageDirectory();
  delete[] SetupState.DecodeInBuffer;
  delete[] SetupState.DecodeOutBuffer;
  SetupState.DecodeInBuffer = nullptr;
  SetupState.DecodeOutBuffer = nullptr;
  RecordedChecks = &PackageChecks;
}

INT_PTR RunWorkPage(const char* templateName, DLGPROC procedure, std::function<bool()> steps, bool* stepsOk) {
  std::atomic<bool> ended{false};
  autopilot::Pilot pilot([&] {
    if (steps && !steps()) return false;
    for (int i = 0; i < 3000 && !ended; ++i) Sleep(10);
    return ended.load();
  });
  const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), templateName, nullptr, procedure, 0);
  ended = true;
  const bool ok = pilot.Finish();
  if (stepsOk) *stepsOk = ok;
  else EXPECT_TRUE(ok) << "the steps on the " << templateName << " page failed";
  return result;
}

namespace {

HHOOK ActiveHook = nullptr;

LRESULT CALLBACK AfterInitDialog(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_INITDIALOG && GetDlgItem(call->hwnd, MeterFrameId)) {
    PostMessageA(call->hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(call->hwnd, IDCANCEL)));
  }
  return CallNextHookEx(ActiveHook, code, wParam, lParam);
}

}  // namespace

CancelAtStart::CancelAtStart()
    : hook_(SetWindowsHookExA(WH_CALLWNDPROCRET, AfterInitDialog, nullptr, GetCurrentThreadId())) {
  ActiveHook = hook_;
}

CancelAtStart::~CancelAtStart() {
  UnhookWindowsHookEx(hook_);
  ActiveHook = nullptr;
}

}  // namespace work
