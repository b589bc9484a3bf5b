// Minimal page until its real behaviour lands: OK goes on, Cancel stops.
#include "ui/pages.h"

INT_PTR LicensePage(HWND page, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
    EndDialog(page, LOWORD(wParam) == IDOK ? 1 : 0);
  return 0;
}
