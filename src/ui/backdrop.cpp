#include "ui/backdrop.h"

#include "setup/state.h"

LRESULT BackdropWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
    case WM_DESTROY:
      PostMessageA(SetupState.BackdropWindow, WM_QUIT, 0, 0);
      break;
    case WM_PAINT:
      PaintBackdrop();
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void PaintBackdrop() {}
