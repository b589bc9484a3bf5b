// Helpers that every page uses.
#pragma once

#include <windows.h>

#include <string>

// The private message a work page posts to itself at the end of
// WM_INITDIALOG; its handler does the page's whole work.
constexpr UINT StartWorkMessage = 32000;  // 0x7D00

// Moves the page to the middle of the screen, at the top of the Z order,
// keeping its size.
void CenterOnScreen(HWND page);

// Asks ExitQuestion in an ownerless Yes/No box captioned "Exit " + ProductName.
// True only for Yes.
bool ConfirmExit();

// Dispatches every message waiting for the thread's windows, without waiting;
// a WM_QUIT is removed and dropped.
void PumpMessages();

// Tells the user why the installation stops: a stop box owned by the page,
// captioned ProductName, with the text followed by a blank line and "The
// installation cannot continue."
void ShowStop(HWND page, const std::string& text);

// The dialog procedure shared by the two work pages: WM_INITDIALOG sets the
// caption "Please Stand By...", sets up the meter (which centres the page and
// sets KeepGoing), gives Cancel the focus and posts StartWorkMessage, whose
// handling runs `work` (which ends the dialog); Cancel clears KeepGoing on a
// confirmed exit; WM_DESTROY clears it. Returns 1 for StartWorkMessage only.
INT_PTR WorkPageMessage(HWND page, UINT message, WPARAM wParam, void (*work)(HWND page));

// The text of a dialog item, read as the pages read their edit fields: into a
// 256-byte buffer with a limit of 255, so at most 254 characters.
std::string ReadFieldText(HWND page, int controlId);
