// The dialog procedures of the licence, destination and group pages.
#pragma once

#include <windows.h>

#include <string>

INT_PTR LicensePage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR DestinationPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR GroupPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the directory (one level) and makes it current; true when it is
// now the current directory.
bool MakeAndEnterDirectory(const std::string& path);
