// The fatal-error report: a task-modal stop box captioned "Application Error"
// that names the error, then exit code 1. No page ends its dialog and no
// clean-up runs.
//
// Window and dialog procedures are wrapped with GuardedDialogProc /
// GuardedWindowProc so that no C++ exception ever crosses a Win32 callback:
// an exception is caught at the boundary and turned into the report.
#pragma once

#include <windows.h>

#include <exception>

#include "setup/core/errors.h"

[[noreturn]] void ReportFatal(const SetupException& error, const void* address);
[[noreturn]] void ReportFatalCurrentException(const void* address);

// Throws EInOutError with the calling thread's last system error code (or
// the given code), for the runtime-style file operations.
[[noreturn]] void ThrowLastIoError();

template <INT_PTR (*Procedure)(HWND, UINT, WPARAM, LPARAM)>
INT_PTR CALLBACK GuardedDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return Procedure(window, message, wParam, lParam);
  } catch (...) {
    ReportFatalCurrentException(reinterpret_cast<const void*>(Procedure));
  }
}

template <LRESULT (*Procedure)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK GuardedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return Procedure(window, message, wParam, lParam);
  } catch (...) {
    ReportFatalCurrentException(reinterpret_cast<const void*>(Procedure));
  }
}
