// The full-screen backdrop behind every page.
#pragma once

#include <windows.h>

LRESULT BackdropWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PaintBackdrop();
