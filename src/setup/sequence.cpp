#include "setup/sequence.h"

#include <shellapi.h>

#include "expand/expand_page.h"
#include "package/copy_page.h"
#include "setup/core/names.h"
#include "setup/fatal.h"
#include "setup/rename_list.h"
#include "setup/state.h"
#include "shell/shell.h"
#include "ui/backdrop.h"
#include "ui/pages.h"

namespace {

constexpr int DecodeBufferSize = 2064;

struct Page {
  const char* TemplateName;
  DLGPROC Procedure;
};

const Page Pages[] = {
    {"License", GuardedDialogProc<LicensePage>},
    {"Main", GuardedDialogProc<DestinationPage>},
    {"IProgress", GuardedDialogProc<CopyPage>},
    {"Progress", GuardedDialogProc<ExpandPage>},
    {"Group", GuardedDialogProc<GroupPage>},
};
constexpr int PageCount = 5;

std::string ConfiguredMainProgramName;

// Shows one page; false when its template is missing or cannot be loaded.
bool RunPage(const Page& page) {
  HRSRC found = FindResourceA(SetupState.Module, page.TemplateName, MAKEINTRESOURCEA(5) /* RT_DIALOG */);
  HGLOBAL loaded = found ? LoadResource(SetupState.Module, found) : nullptr;
  auto* dialog = loaded ? static_cast<LPCDLGTEMPLATEA>(LockResource(loaded)) : nullptr;
  if (!dialog) return false;
  SetupState.PageResult = static_cast<std::int32_t>(
      DialogBoxIndirectParamA(SetupState.Module, dialog, SetupState.BackdropWindow, page.Procedure, 0));
  FreeResource(loaded);
  return true;
}

}  // namespace

void PrepareRun(HINSTANCE module) {
  SetupState.Module = module;
  ConfiguredMainProgramName = SetupConfig.MainProgramName;

  WNDCLASSA windowClass{};
  windowClass.style = CS_PARENTDC;
  windowClass.lpfnWndProc = GuardedWindowProc<BackdropWindowProc>;
  windowClass.hInstance = module;
  windowClass.lpszClassName = "AVSetUp";

  char ownPath[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, ownPath, MAX_PATH);
  SetupState.SourceDir = DirectoryPart(ownPath);

  SetupState.DecodeInBuffer = new std::uint8_t[DecodeBufferSize];
  SetupState.DecodeOutBuffer = new std::uint8_t[DecodeBufferSize];

  SetupState.ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
  SetupState.ScreenHeight = GetSystemMetrics(SM_CYSCREEN);

  RegisterClassA(&windowClass);
  SetupState.BackdropWindow =
      CreateWindowExA(0, "AVSetUp", "Installation", WS_POPUP | WS_VISIBLE, 0, 0, SetupState.ScreenWidth,
                      SetupState.ScreenHeight, nullptr, nullptr, module, nullptr);
  SetupState.LogoBitmap = LoadBitmapA(module, "logo");

  char windowsDir[256] = {};
  GetWindowsDirectoryA(windowsDir, sizeof windowsDir);
  SetupState.WindowsDir = windowsDir;

  OpenRenameList(JoinPath(SetupState.WindowsDir, "WinInit.Ini"));
  SetupState.Cancelled = false;
}

namespace {

void DeleteIfCreated(const std::string& path) {
  if (path.empty() || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  if (DeleteFileA(path.c_str())) WithdrawRenamesFor(path);
}

// Removes what a cancelled run left: the work archive, then the main program
// file, each only when this run created it.
void CleanUp() {
  DeleteIfCreated(CreatedByThisRun.WorkArchivePath);
  DeleteIfCreated(CreatedByThisRun.MainProgramPath);
  MessageBoxA(SetupState.BackdropWindow, SetupConfig.TerminatedMessage.c_str(),
              SetupConfig.ProductName.c_str(), MB_OK);
}

void Launch() {
  ShellExecuteA(SetupState.BackdropWindow, nullptr,
                JoinPath(SetupState.DestinationDir, InstalledMainProgramName()).c_str(), nullptr,
                SetupState.DestinationDir.c_str(), SW_SHOW);
}

void Finish() {
  if (SetupState.PageResult == 1) CreateProgramShortcut();
  RegisterUninstall();
  if (SetupState.PageResult == 1) {
    const std::string question = SetupConfig.CompletionPrefix + SetupConfig.ProductName + "?";
    if (MessageBoxA(nullptr, question.c_str(), SetupConfig.ProductName.c_str(), MB_YESNO) == IDYES) Launch();
  }
}

}  // namespace

void EndRun() {
  CloseRenameList();
  delete[] SetupState.DecodeInBuffer;
  delete[] SetupState.DecodeOutBuffer;
  SetupState.DecodeInBuffer = nullptr;
  SetupState.DecodeOutBuffer = nullptr;
}

std::string InstalledMainProgramName() {
  if (ExtensionOf(SetupConfig.MainProgramName) == ".$$$" && !ConfiguredMainProgramName.empty())
    return ConfiguredMainProgramName;
  return SetupConfig.MainProgramName;
}

int RunSetup(HINSTANCE module) {
  PrepareRun(module);

  for (int i = 0; i < PageCount; ++i) {
    if (!RunPage(Pages[i])) {
      // A missing licence template ends the run silently; any later one
      // counts as a cancel.
      if (i > 0) SetupState.Cancelled = true;
      break;
    }
    if (i < PageCount - 1 && SetupState.PageResult != 1) {
      SetupState.Cancelled = true;
      break;
    }
    if (i == PageCount - 1) Finish();
  }

  if (SetupState.Cancelled) CleanUp();
  EndRun();
  return 0;
}
