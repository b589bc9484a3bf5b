// The in-process Win32 tests.
//
// The executable also serves as a stand-in setup program for tests that
// need a run of their own process (exit codes, fatal reports, clean state):
//   --run-setup [MODULE]         the whole sequence, with the templates of
//                                MODULE (a resource DLL) or its own
//   --run-page TEMPLATE          the start of a run, then one page, then the end
//   --run-shell [--redirected]   the start of a run, the shortcut and the
//                                uninstall registration as after a confirmed
//                                group page, then the end; --redirected first
//                                gives MainProgramName the extension ".$$$" as
//                                the expand page does over an earlier program
//   --fail-registry-writes       before any mode: every registry value write fails
//   --delete-at-expand PATH      before any mode: the file PATH is deleted when
//                                the expand page opens (lost between the pages)
//   --set Field=Value            before either: sets a SetupConfig field (any
//                                text field, VolumeCount) or DestinationDir,
//                                TotalVolumeSize; VolumeSizes=a,b,c and
//                                ExpandedCrc=hex set the recorded integrity
//                                figures; may be repeated
// The exit code is the run's (0, or 1 after a fatal report); --run-page
// exits with 10 + the page's result (so 11 for a page that returned 1).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "expand/expand_page.h"
#include "package/copy_page.h"
#include "package/volume_checks.h"
#include "setup/core/names.h"
#include "setup/fatal.h"
#include "setup/sequence.h"
#include "setup/state.h"
#include "shell/registry.h"
#include "shell/shell.h"
#include "ui/pages.h"

namespace {

PackageIntegrity ChildChecks{};

// VolumeSizes=a,b,c or ExpandedCrc=hex: the integrity figures the pages check.
bool SetCheck(const std::string& name, const std::string& value) {
  if (name == "VolumeSizes") {
    ChildChecks.VolumeSizes.clear();
    for (const char* p = value.c_str(); *p; ++p) {
      ChildChecks.VolumeSizes.push_back(static_cast<std::int32_t>(std::strtol(p, const_cast<char**>(&p), 10)));
      if (*p != ',') break;
    }
  } else if (name == "ExpandedCrc") {
    ChildChecks.ExpandedCrcKnown = true;
    ChildChecks.ExpandedCrc = static_cast<std::uint32_t>(std::strtoul(value.c_str(), nullptr, 16));
  } else {
    return false;
  }
  RecordedChecks = &ChildChecks;
  return true;
}

bool SetField(const std::string& assignment) {
  const auto eq = assignment.find('=');
  if (eq == std::string::npos) return false;
  const std::string name = assignment.substr(0, eq);
  const std::string value = assignment.substr(eq + 1);
  for (const auto& field : ConfigTextFields)
    if (name == field.Name) return SetupConfig.*field.Field = value, true;
  if (name == "DestinationDir") return SetupState.DestinationDir = value, true;
  if (name == "VolumeCount") return SetupConfig.VolumeCount = std::atoi(value.c_str()), true;
  if (name == "TotalVolumeSize") return TotalVolumeSize = std::atoi(value.c_str()), true;
  return SetCheck(name, value);
}

DLGPROC PageProcedure(const std::string& templateName) {
  if (templateName == "License") return GuardedDialogProc<LicensePage>;
  if (templateName == "Main") return GuardedDialogProc<DestinationPage>;
  if (templateName == "IProgress") return GuardedDialogProc<CopyPage>;
  if (templateName == "Progress") return GuardedDialogProc<ExpandPage>;
  if (templateName == "Group") return GuardedDialogProc<GroupPage>;
  return nullptr;
}

LONG WINAPI FailingSetValue(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD) { return ERROR_ACCESS_DENIED; }

std::string DeleteAtExpand;
HHOOK ExpandPageHook = nullptr;

// Sees every message before its window procedure: the expand page's
// WM_INITDIALOG comes before its work opens the work archive.
LRESULT CALLBACK BeforeExpandPage(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_INITDIALOG &&
      FindWindowExA(call->hwnd, nullptr, "Static", "Uncompressing the Ferrovale files.") != nullptr)
    DeleteFileA(DeleteAtExpand.c_str());
  return CallNextHookEx(ExpandPageHook, code, wParam, lParam);
}

int RunChild(int argc, char** argv) {
  int i = 1;
  for (;;) {
    if (i + 1 < argc && std::strcmp(argv[i], "--set") == 0) {
      if (!SetField(argv[i + 1])) return 98;
      i += 2;
    } else if (i < argc && std::strcmp(argv[i], "--fail-registry-writes") == 0) {
      RegistrySetValue = FailingSetValue;
      ++i;
    } else if (i + 1 < argc && std::strcmp(argv[i], "--delete-at-expand") == 0) {
      DeleteAtExpand = argv[i + 1];
      ExpandPageHook = SetWindowsHookExA(WH_CALLWNDPROC, BeforeExpandPage, nullptr, GetCurrentThreadId());
      i += 2;
    } else {
      break;
    }
  }
  if (i >= argc) return 97;
  HINSTANCE module = GetModuleHandleA(nullptr);
  if (std::strcmp(argv[i], "--run-setup") == 0) {
    if (i + 1 < argc) module = LoadLibraryExA(argv[i + 1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return RunSetup(module);
  }
  if (std::strcmp(argv[i], "--run-page") == 0 && i + 1 < argc) {
    DLGPROC procedure = PageProcedure(argv[i + 1]);
    if (!procedure) return 96;
    PrepareRun(module);
    const INT_PTR result = DialogBoxParamA(module, argv[i + 1], SetupState.BackdropWindow, procedure, 0);
    EndRun();
    return 10 + static_cast<int>(result);
  }
  if (std::strcmp(argv[i], "--run-shell") == 0) {
    PrepareRun(module);
    if (i + 1 < argc && std::strcmp(argv[i + 1], "--redirected") == 0)
      SetupConfig.MainProgramName = ReplaceExtension(SetupConfig.MainProgramName, ".$$$");
    CreateProgramShortcut();
    RegisterUninstall();
    EndRun();
    return 0;
  }
  return 97;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && argv[1][0] == '-' && argv[1][1] == '-' && std::strncmp(argv[1], "--gtest", 7) != 0) {
    try {
      return RunChild(argc, argv);
    } catch (...) {
      ReportFatalCurrentException(reinterpret_cast<const void*>(&RunChild));
    }
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
