// setup_driver: starts a setup program and walks it by a script of steps, as
// a user would, from another process. Used by the demo and the benchmarks.
//
//   setup_driver.exe [--shots DIR] [--timeout MS] SCRIPT SETUP.EXE
//
// Script lines (blank lines and lines starting with # are ignored):
//   wait CAPTION            wait for a window of the setup with this caption
//   waittext ID TEXT        wait for a window whose item ID shows TEXT
//   catch ID TEXT           the same, watching closely, and hold the setup
//                           still the moment the window appears (for pages
//                           that are gone within milliseconds, such as the
//                           work pages of a small package); the next step
//                           lets it go on
//   shot NAME               save the screen as DIR/NAME.bmp (the setup is
//                           held still while it is taken, once its windows
//                           have painted themselves)
//   click ID                click button ID of the window last waited for
//   key enter|escape        press a key in that window
//   type ID TEXT            put TEXT into edit field ID of that window
//   gone                    wait until that window has gone
//   answer CAPTION ID       wait for a window with CAPTION, click button ID
//   mark NAME               print "NAME <ms> <held ms>": the time since the
//                           start, and how much of it went on holding the
//                           setup for screenshots
//   exit CODE               wait for the setup's end and expect this exit code
// The driver prints each step and exits with 0 when every step succeeded.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "autopilot.h"
#include "child_run.h"

namespace {

DWORD Timeout = 30000;
// How long a held setup runs between two looks while it paints itself.
constexpr auto PaintSlice = std::chrono::microseconds(1000);
constexpr int MeterFrameId = 101;  // the work pages' frame that the progress meter fills
std::string ShotDir = ".";
const auto StartTime = std::chrono::steady_clock::now();

long MsSince(std::chrono::steady_clock::time_point from) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - from).count());
}
long ElapsedMs() { return MsSince(StartTime); }

// Holding the setup still: its window thread is suspended, so a page that
// would be gone within milliseconds stays for a screenshot. The time held
// (screenshots included) is counted, so that the timings the driver prints
// can leave it out.
class Hold {
 public:
  ~Hold() {
    if (thread_) CloseHandle(thread_);
  }
  // Holds the thread that runs the process's windows (the setup has one).
  void Start(DWORD pid) {
    if (held_ || !FindThread(pid)) return;
    SuspendThread(thread_);
    held_ = true;
    since_ = std::chrono::steady_clock::now();
  }
  void Stop() {
    if (!held_) return;
    totalMs_ += MsSince(since_);
    ResumeThread(thread_);
    held_ = false;
  }
  // Lets a held setup run for a moment; the moment counts as held, since it
  // serves the screenshot.
  void Slice(std::chrono::microseconds length) {
    if (!held_) return;
    ResumeThread(thread_);
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < length) {
    }
    SuspendThread(thread_);
  }
  long TotalMs() const { return totalMs_ + (held_ ? MsSince(since_) : 0); }

 private:
  bool FindThread(DWORD pid) {
    if (thread_) return true;
    const std::vector<HWND> windows = autopilot::TopLevelWindows(pid);
    if (windows.empty()) return false;
    thread_ = OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(windows.front(), nullptr));
    return thread_ != nullptr;
  }

  HANDLE thread_ = nullptr;
  bool held_ = false;
  long totalMs_ = 0;
  std::chrono::steady_clock::time_point since_;
};
Hold Setup;

// The window text as the system keeps it; for another process's window this
// reads no message, so it works while that process is held.
std::string StoredText(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

HWND FindItemText(DWORD pid, int id, const std::string& text) {
  for (HWND w : autopilot::TopLevelWindows(pid)) {
    HWND item = GetDlgItem(w, id);
    if (item && StoredText(item) == text) return w;
  }
  return nullptr;
}

HWND WaitForItemText(DWORD pid, int id, const std::string& text, bool closely) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Timeout);
  while (std::chrono::steady_clock::now() < deadline) {
    if (HWND w = FindItemText(pid, id, text)) return w;
    if (closely) Sleep(0);
    else Sleep(5);
  }
  return nullptr;
}

// The screen's pixels, 24 bits each, rows bottom-up.
struct Screen {
  int Width = 0, Height = 0, Stride = 0;
  std::vector<std::uint8_t> Bits;

  static Screen Capture() {
    Screen s;
    s.Width = GetSystemMetrics(SM_CXSCREEN);
    s.Height = GetSystemMetrics(SM_CYSCREEN);
    s.Stride = ((s.Width * 3 + 3) / 4) * 4;
    s.Bits.resize(static_cast<std::size_t>(s.Stride) * s.Height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, s.Width, s.Height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, s.Width, s.Height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = s.Width;
    info.bmiHeader.biHeight = s.Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    GetDIBits(memory, bitmap, 0, s.Height, s.Bits.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return s;
  }
  const std::uint8_t* Pixel(int x, int y) const {
    return &Bits[static_cast<std::size_t>(Height - 1 - y) * Stride + static_cast<std::size_t>(x) * 3];
  }
  // Whether a rectangle of the screen shows one colour only (a control that
  // has not been drawn yet).
  bool Uniform(const RECT& r) const {
    const int left = std::max<int>(r.left, 0), top = std::max<int>(r.top, 0);
    const int right = std::min<int>(r.right, Width), bottom = std::min<int>(r.bottom, Height);
    if (left >= right || top >= bottom) return false;
    const std::uint8_t* first = Pixel(left, top);
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x)
        if (std::memcmp(Pixel(x, y), first, 3) != 0) return false;
    return true;
  }
  // Whether two screens agree everywhere outside some rectangles.
  bool SameAs(const Screen& other, const std::vector<RECT>& skip) const {
    if (Width != other.Width || Height != other.Height) return false;
    for (int y = 0; y < Height; ++y)
      for (int x = 0; x < Width; ++x) {
        bool skipped = false;
        for (const RECT& r : skip) skipped = skipped || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
        if (!skipped && std::memcmp(Pixel(x, y), other.Pixel(x, y), 3) != 0) return false;
      }
    return true;
  }
};

struct Look {
  bool PaintPending = false;
  std::vector<RECT> Controls;  // every visible control of the setup's windows
  std::vector<RECT> Meters;    // the progress meters' frames, which change as the work runs
};

BOOL CALLBACK NoteControl(HWND control, LPARAM param) {
  auto* look = reinterpret_cast<Look*>(param);
  if (!IsWindowVisible(control)) return TRUE;
  if (GetUpdateRect(control, nullptr, FALSE)) look->PaintPending = true;
  RECT r;
  GetWindowRect(control, &r);
  look->Controls.push_back(r);
  if (GetDlgCtrlID(control) == MeterFrameId) look->Meters.push_back(r);
  return TRUE;
}

Look LookAt(DWORD pid) {
  Look look;
  for (HWND w : autopilot::TopLevelWindows(pid)) {
    if (GetUpdateRect(w, nullptr, FALSE)) look.PaintPending = true;
    EnumChildWindows(w, NoteControl, reinterpret_cast<LPARAM>(&look));
  }
  return look;
}

// Lets a held setup run in short slices until its windows are on the screen
// as they should be: nothing waits for a paint, every control has been drawn
// (a meter once its bar shows), and three captures in a row agree (the meters
// aside, which move on with the work). Wine shows what a window drew only
// when its thread next looks for messages, so the screen itself is compared,
// not the windows' state alone. A page that runs on by itself (the work
// pages) moves on only a little meanwhile.
void LetPaint(DWORD pid) {
  const auto start = std::chrono::steady_clock::now();
  Screen before;
  int steadyCaptures = 0;
  for (;;) {
    Setup.Slice(PaintSlice);
    if (MsSince(start) > 2000) return;
    const Look look = LookAt(pid);
    if (look.PaintPending) continue;
    Screen now = Screen::Capture();
    bool drawn = true;
    for (const RECT& r : look.Controls) drawn = drawn && !now.Uniform(r);
    for (RECT r : look.Meters) {
      InflateRect(&r, -2, -2);  // inside the frame: one colour until the bar is first drawn
      drawn = drawn && !now.Uniform(r);
    }
    steadyCaptures = drawn && now.SameAs(before, look.Meters) ? steadyCaptures + 1 : 0;
    before = std::move(now);
    if (steadyCaptures == 2) return;
  }
}

bool RunStep(const std::string& line, ChildRun& run, HWND& current) {
  // A setup held by "catch" goes on with the next step.
  if (line.rfind("shot", 0) != 0 && line.rfind("mark", 0) != 0) Setup.Stop();
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  std::string rest;
  std::getline(in >> std::ws, rest);
  const DWORD pid = run.ProcessId();
  if (verb == "wait") {
    current = autopilot::WaitForWindow({rest, autopilot::DialogClass, pid}, Timeout);
    return current != nullptr;
  }
  if (verb == "waittext" || verb == "catch") {
    std::istringstream args(rest);
    int id = 0;
    args >> id;
    std::string text;
    std::getline(args >> std::ws, text);
    const bool closely = verb == "catch";
    current = WaitForItemText(pid, id, text, closely);
    if (current && closely) Setup.Start(pid);
    return current != nullptr;
  }
  if (verb == "shot") {
    Setup.Start(pid);
    LetPaint(pid);
    const bool ok = autopilot::SaveScreenshot(ShotDir + "\\" + rest + ".bmp");
    Setup.Stop();
    return ok;
  }
  if (verb == "click") {
    if (!current) return false;
    autopilot::ClickButton(current, std::atoi(rest.c_str()));
    return true;
  }
  if (verb == "key") {
    if (!current) return false;
    autopilot::PressKey(current, rest == "escape" ? VK_ESCAPE : VK_RETURN);
    return true;
  }
  if (verb == "type") {
    if (!current) return false;
    std::istringstream args(rest);
    int id = 0;
    args >> id;
    std::string text;
    std::getline(args >> std::ws, text);
    autopilot::SetItemText(current, id, text);
    return true;
  }
  if (verb == "gone") return current && autopilot::WaitUntilGone(current, Timeout);
  if (verb == "answer") {
    const auto space = rest.rfind(' ');
    if (space == std::string::npos) return false;
    return autopilot::AnswerWindow({rest.substr(0, space), autopilot::DialogClass, pid},
                                   std::atoi(rest.c_str() + space + 1), Timeout);
  }
  if (verb == "mark") {
    std::printf("%s %ld %ld\n", rest.c_str(), ElapsedMs(), Setup.TotalMs());
    return true;
  }
  if (verb == "exit") {
    const int code = run.Wait(Timeout);
    std::printf("exit code %d\n", code);
    return code == std::atoi(rest.c_str());
  }
  std::fprintf(stderr, "unknown step: %s\n", line.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  int i = 1;
  for (; i + 1 < argc && argv[i][0] == '-'; i += 2) {
    if (std::string(argv[i]) == "--shots") ShotDir = argv[i + 1];
    else if (std::string(argv[i]) == "--timeout") Timeout = static_cast<DWORD>(std::atol(argv[i + 1]));
  }
  if (argc - i != 2) {
    std::fprintf(stderr, "usage: setup_driver [--shots DIR] [--timeout MS] SCRIPT SETUP.EXE\n");
    return 2;
  }
  std::ifstream script(argv[i]);
  if (!script) {
    std::fprintf(stderr, "cannot read %s\n", argv[i]);
    return 2;
  }
  const std::string setup = argv[i + 1];
  const std::string setupDir = setup.substr(0, setup.find_last_of("\\/") + 1);
  ChildRun run("\"" + setup + "\"", setupDir);
  if (!run.Started()) {
    std::fprintf(stderr, "cannot start %s\n", setup.c_str());
    return 2;
  }
  HWND current = nullptr;
  std::string line;
  while (std::getline(script, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::printf("[%6ld ms] %s\n", ElapsedMs(), line.c_str());
    std::fflush(stdout);
    if (!RunStep(line, run, current)) {
      Setup.Stop();
      std::printf("step failed: %s\n", line.c_str());
      return 1;
    }
  }
  return 0;
}
