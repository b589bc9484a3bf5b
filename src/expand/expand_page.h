// The expand page: expands the work archive and places the product's files.
#pragma once

#include <windows.h>

INT_PTR ExpandPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
