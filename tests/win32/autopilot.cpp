#include "autopilot.h"

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace autopilot {
namespace {

constexpr DWORD PollMs = 10;

struct EnumState {
  DWORD ProcessId;
  std::vector<HWND> Found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
  auto* state = reinterpret_cast<EnumState*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if ((state->ProcessId == 0 || pid == state->ProcessId) && IsWindowVisible(window))
    state->Found.push_back(window);
  return TRUE;
}

template <typename Predicate>
bool WaitFor(Predicate done, DWORD timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    Sleep(PollMs);
  }
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId) {
  EnumState state{processId, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&state));
  return state.Found;
}

std::string WindowText(HWND window) {
  char buffer[8192] = {};
  DWORD_PTR length = 0;
  // A timeout keeps a hung target from hanging the test.
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                           SMTO_ABORTIFHUNG, 2000, &length))
    return std::string();
  return std::string(buffer, length);
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

HWND FindTopLevel(const WindowQuery& query) {
  for (HWND window : TopLevelWindows(query.ProcessId)) {
    if (!query.ClassName.empty() && ClassOf(window) != query.ClassName) continue;
    if (WindowText(window) == query.Caption) return window;
  }
  return nullptr;
}

HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitFor([&] { return (found = FindTopLevel(query)) != nullptr; }, timeoutMs);
  return found;
}

bool WaitUntilGone(HWND window, DWORD timeoutMs) {
  return WaitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

bool WaitUntilNoWindow(const WindowQuery& query, DWORD timeoutMs) {
  return WaitFor([&] { return FindTopLevel(query) == nullptr; }, timeoutMs);
}

std::string ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item ? WindowText(item) : std::string();
}

std::string MessageBoxText(HWND box) {
  std::string text = ItemText(box, 0xFFFF);
  if (!text.empty()) return text;
  // Fall back to the longest static text of the box.
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (lstrcmpiA(ClassOf(child).c_str(), "Static") != 0) continue;
    std::string candidate = WindowText(child);
    if (candidate.size() > text.size()) text = candidate;
  }
  return text;
}

HWND OwnerOf(HWND window) { return GetWindow(window, GW_OWNER); }

void SetItemText(HWND dialog, int id, const std::string& text) {
  HWND item = GetDlgItem(dialog, id);
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 2000,
                      &ignored);
}

void ClickButton(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void PressKey(HWND dialog, UINT virtualKey) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  HWND target = dialog;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus)
    target = info.hwndFocus;
  const UINT scan = MapVirtualKeyA(virtualKey, 0);
  PostMessageA(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
  PostMessageA(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | (3u << 30));
}

bool AnswerWindow(const WindowQuery& query, int buttonId, DWORD timeoutMs) {
  std::string ignored;
  return AnswerWindow(query, buttonId, ignored, timeoutMs);
}

bool AnswerWindow(const WindowQuery& query, int buttonId, std::string& text, DWORD timeoutMs) {
  HWND window = WaitForWindow(query, timeoutMs);
  if (!window) return false;
  text = MessageBoxText(window);
  ClickButton(window, buttonId);
  return WaitUntilGone(window, timeoutMs);
}

std::vector<COLORREF> ReadPixels(HWND window, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  HDC dc = GetDC(window);
  HDC memory = CreateCompatibleDC(dc);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
  GdiFlush();
  // A 32-bit DIB holds 0x00RRGGBB; colour values are 0x00BBGGRR.
  std::vector<COLORREF> pixels(static_cast<std::size_t>(width) * height);
  const auto* dib = static_cast<const std::uint32_t*>(bits);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = ((dib[i] >> 16) & 0xFF) | (dib[i] & 0xFF00) | ((dib[i] & 0xFF) << 16);
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, dc);
  return pixels;
}

bool SaveScreenshot(const std::string& path) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  const DWORD stride = ((width * 3 + 3) / 4) * 4;
  const DWORD imageSize = stride * height;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + imageSize;
  info.bmiHeader.biSizeImage = imageSize;
  bool ok = false;
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    ok = std::fwrite(&file, sizeof file, 1, out) == 1 &&
         std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
         std::fwrite(bits, 1, imageSize, out) == imageSize;
    ok = (std::fclose(out) == 0) && ok;
  }
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

Pilot::Pilot(Steps steps)
    : thread_([this, steps = std::move(steps)] {
        ok_ = steps();
        if (ok_) return;
        // Unwind whatever the steps left open: answer Yes to questions,
        // OK to messages and cancel pages, until none is left.
        WaitFor(
            [] {
              auto windows = TopLevelWindows(GetCurrentProcessId());
              bool any = false;
              for (HWND w : windows) {
                if (ClassOf(w) != DialogClass) continue;
                any = true;
                if (GetDlgItem(w, IDYES)) ClickButton(w, IDYES);
                else if (GetDlgItem(w, IDOK) && !GetDlgItem(w, IDCANCEL)) ClickButton(w, IDOK);
                else ClickButton(w, IDCANCEL);
              }
              return !any;
            },
            20000);
      }) {}

Pilot::~Pilot() { Finish(); }

bool Pilot::Finish() {
  if (!joined_) {
    thread_.join();
    joined_ = true;
  }
  return ok_;
}

}  // namespace autopilot
