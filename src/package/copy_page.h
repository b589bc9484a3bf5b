// The copy page: joins the volumes into the work archive.
#pragma once

#include <windows.h>

INT_PTR CopyPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
