#include "ui/page_helpers.h"

#include <string>

#include "setup/state.h"
#include "ui/core/centre.h"
#include "ui/meter.h"

void CenterOnScreen(HWND page) {
  RECT r{};
  GetWindowRect(page, &r);
  const WindowOrigin at = CentredOrigin(SetupState.ScreenWidth, SetupState.ScreenHeight,
                                        r.right - r.left, r.bottom - r.top);
  SetWindowPos(page, HWND_TOP, at.X, at.Y, 0, 0, SWP_NOSIZE);
}

bool ConfirmExit() {
  const std::string caption = "Exit " + SetupConfig.ProductName;
  return MessageBoxA(nullptr, SetupConfig.ExitQuestion.c_str(), caption.c_str(), MB_YESNO) == IDYES;
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void ShowStop(HWND page, const std::string& text) {
  const std::string message = text + "\r\n\r\nThe installation cannot continue.";
  MessageBoxA(page, message.c_str(), SetupConfig.ProductName.c_str(), MB_OK | MB_ICONSTOP);
}

std::string ReadFieldText(HWND page, int controlId) {
  char buffer[256] = {};
  GetDlgItemTextA(page, controlId, buffer, 255);
  return buffer;
}

INT_PTR WorkPageMessage(HWND page, UINT message, WPARAM wParam, void (*work)(HWND page)) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowTextA(page, "Please Stand By...");
      InitMeter(page);
      SetFocus(GetDlgItem(page, IDCANCEL));
      PostMessageA(page, StartWorkMessage, 0, 0);
      return 0;
    case StartWorkMessage:
      work(page);
      return 1;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL && ConfirmExit()) KeepGoing = 0;
      return 0;
    case WM_DESTROY:
      KeepGoing = 0;
      return 0;
  }
  return 0;
}
