// Minimal page until its real behaviour lands: OK goes on, Cancel stops.
#include "expand/expand_page.h"

INT_PTR ExpandPage(HWND page, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) SetWindowTextA(page, "Please Stand By...");
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
    EndDialog(page, LOWORD(wParam) == IDOK ? 1 : 0);
  return 0;
}
