// The group page: asks for the name under which the shortcut is made.
#include "setup/state.h"
#include "ui/page_helpers.h"
#include "ui/pages.h"

namespace {

constexpr int GroupField = 102;

}  // namespace

INT_PTR GroupPage(HWND page, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowTextA(page, "Program Group");
      CenterOnScreen(page);
      SetDlgItemTextA(page, GroupField, SetupConfig.GroupName.c_str());
      SetFocus(GetDlgItem(page, IDOK));
      break;
    case WM_COMMAND:
      // Any entry is taken as it stands, an empty one included; Cancel
      // leaves without asking.
      if (LOWORD(wParam) == IDOK) {
        SetupConfig.GroupName = ReadFieldText(page, GroupField);
        EndDialog(page, 1);
      } else if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(page, 0);
      }
      break;
    case WM_DESTROY:
      EndDialog(page, 0);
      break;
  }
  return 0;
}
