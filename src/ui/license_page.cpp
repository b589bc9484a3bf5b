// The licence page: the agreement in a scrolling read-only box, "I Agree"
// to go on, "Exit" to leave after ConfirmExit.
#include "setup/state.h"
#include "ui/core/agreement.h"
#include "ui/page_helpers.h"
#include "ui/pages.h"

namespace {

// The box that shows the agreement: sunken, vertical scroll bar only, so
// long lines wrap at its width. Pixel coordinates in the page's client
// area; the system font, since none is set.
void CreateAgreementView(HWND page, const std::string& agreement) {
  CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", agreement.c_str(),
                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_READONLY | ES_MULTILINE, 10, 30, 380, 200, page,
                  nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

INT_PTR LicensePage(HWND page, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CreateAgreementView(page,
                          AssembleAgreement(AgreementPieces, SetupConfig.ProductName, SetupConfig.GroupName));
      CenterOnScreen(page);
      SetFocus(GetDlgItem(page, IDOK));
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) EndDialog(page, 1);
      else if (LOWORD(wParam) == IDCANCEL && ConfirmExit()) EndDialog(page, 0);
      break;
    case WM_DESTROY:
      EndDialog(page, 0);
      break;
  }
  return 0;
}
