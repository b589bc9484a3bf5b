// UnInstal.Exe, the Ferrovale product's uninstaller (registered by the setup).
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, "The Ferrovale uninstaller is not available in this build.", "Ferrovale", MB_OK);
  return 0;
}
