// A small autopilot for tests: finds top-level windows (pages and message
// boxes) by caption and class, reads texts, types into edit fields, clicks
// buttons and presses keys, always with bounded waits. It works on windows of
// this process (run it on a helper thread while a page's modal loop runs on
// the test's thread) and of another process (pass its process id).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace autopilot {

constexpr DWORD DefaultTimeoutMs = 15000;
constexpr const char* DialogClass = "#32770";  // dialogs and message boxes

struct WindowQuery {
  std::string Caption;                     // exact window text
  std::string ClassName = DialogClass;     // empty: any class
  DWORD ProcessId = GetCurrentProcessId(); // 0: any process
};

HWND FindTopLevel(const WindowQuery& query);
HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs = DefaultTimeoutMs);
bool WaitUntilGone(HWND window, DWORD timeoutMs = DefaultTimeoutMs);
// Waits until no visible top-level dialog of the process has the caption.
bool WaitUntilNoWindow(const WindowQuery& query, DWORD timeoutMs = DefaultTimeoutMs);

// Every visible top-level window of a process (0: any), with its caption.
std::vector<HWND> TopLevelWindows(DWORD processId);

std::string WindowText(HWND window);
std::string ClassOf(HWND window);
std::string ItemText(HWND dialog, int id);
// The message of a message box.
std::string MessageBoxText(HWND box);
// The owner of a top-level window (null for an ownerless one).
HWND OwnerOf(HWND window);

void SetItemText(HWND dialog, int id, const std::string& text);
// Clicks a button of a dialog (a page or a message box) as the mouse would:
// the dialog gets the button's command.
void ClickButton(HWND dialog, int id);
// Presses and releases a key in the window that has the focus in the
// dialog's thread (Enter and Escape then get their dialog meaning).
void PressKey(HWND dialog, UINT virtualKey);

// Waits for a window, then clicks one of its buttons; false on a timeout.
bool AnswerWindow(const WindowQuery& query, int buttonId, DWORD timeoutMs = DefaultTimeoutMs);
// The same, keeping the message of the box (a message box) in `text`.
bool AnswerWindow(const WindowQuery& query, int buttonId, std::string& text, DWORD timeoutMs = DefaultTimeoutMs);

// The pixels of a window's client area as drawn now, top row first, each as
// a colour value 0x00BBGGRR.
std::vector<COLORREF> ReadPixels(HWND window, int width, int height);

// Saves the whole screen as a 24-bit BMP file.
bool SaveScreenshot(const std::string& path);

// Runs steps on a helper thread while the calling thread runs a modal page.
// If the steps fail or time out, the pilot keeps cancelling and answering
// the process's dialogs so that the page's modal loop ends and the test
// reports the failure instead of hanging.
class Pilot {
 public:
  using Steps = std::function<bool()>;
  explicit Pilot(Steps steps);
  ~Pilot();
  Pilot(const Pilot&) = delete;
  Pilot& operator=(const Pilot&) = delete;
  // Joins the helper thread; true when every step succeeded.
  bool Finish();

 private:
  std::thread thread_;
  bool ok_ = false;
  bool joined_ = false;
};

}  // namespace autopilot
