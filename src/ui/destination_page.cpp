// The destination page: asks for the installation directory, checks its
// form, creates it (one level) and makes it the current directory.
#include "setup/core/names.h"
#include "setup/state.h"
#include "ui/core/destination_form.h"
#include "ui/page_helpers.h"
#include "ui/pages.h"

namespace {

constexpr int DestinationField = 104;

// The setup program's own directory, trailing backslash included.
std::string OwnDirectory() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return DirectoryPart(path);
}

// OK: the entry becomes DestinationDir whether it passes or not. A malformed
// entry beeps; one that cannot be created and entered is refused in silence.
void AcceptDestination(HWND page) {
  SetupState.DestinationDir = ReadFieldText(page, DestinationField);
  if (!HasDriveForm(SetupState.DestinationDir)) {
    MessageBeep(0);
    return;
  }
  if (MakeAndEnterDirectory(SetupState.DestinationDir)) EndDialog(page, 1);
}

}  // namespace

INT_PTR DestinationPage(HWND page, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetupState.DestinationDir = OwnDirectory();
      SetWindowTextA(page, "Destination Directory");
      SetDlgItemTextA(page, DestinationField, SetupConfig.DefaultDestination.c_str());
      CenterOnScreen(page);
      SetFocus(GetDlgItem(page, IDOK));
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) AcceptDestination(page);
      else if (LOWORD(wParam) == IDCANCEL && ConfirmExit()) EndDialog(page, 0);
      break;
    case WM_DESTROY:
      EndDialog(page, 0);
      break;
  }
  return 0;
}

// An existing directory is accepted, a new one when its parent exists; the
// creation's own error is not looked at, only whether the path can be
// entered afterwards.
bool MakeAndEnterDirectory(const std::string& path) {
  CreateDirectoryA(path.c_str(), nullptr);
  return SetCurrentDirectoryA(path.c_str()) != 0;
}
