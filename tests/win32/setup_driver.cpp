// setup_driver: starts a setup program and walks it by a script of steps, as
// a user would, from another process. Used by the demo and the benchmarks.
//
//   setup_driver.exe [--shots DIR] [--timeout MS] SCRIPT SETUP.EXE
//
// Script lines (blank lines and lines starting with # are ignored):
//   wait CAPTION            wait for a window of the setup with this caption
//   waittext ID TEXT        wait for a window whose item ID shows TEXT
//   shot NAME               save the screen as DIR/NAME.bmp (the window last
//                           waited for is held still while it is taken)
//   click ID                click button ID of the window last waited for
//   key enter|escape        press a key in that window
//   type ID TEXT            put TEXT into edit field ID of that window
//   gone                    wait until that window has gone
//   answer CAPTION ID       wait for a window with CAPTION, click button ID
//   mark NAME               print the time since the start as "NAME <ms>"
//   exit CODE               wait for the setup's end and expect this exit code
// The driver prints each step and exits with 0 when every step succeeded.
#include <windows.h>
#include <tlhelp32.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "autopilot.h"
#include "child_run.h"

namespace {

DWORD Timeout = 30000;
std::string ShotDir = ".";
const auto StartTime = std::chrono::steady_clock::now();

long ElapsedMs() {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - StartTime).count());
}

// Suspends or resumes every thread of a process, so a screenshot catches a
// page that would otherwise be gone before it is taken.
void SetProcessRunning(DWORD pid, bool running) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != pid) continue;
    if (HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID)) {
      if (running) ResumeThread(thread);
      else SuspendThread(thread);
      CloseHandle(thread);
    }
  }
  CloseHandle(snapshot);
}

HWND WaitForItemText(DWORD pid, int id, const std::string& text) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Timeout);
  while (std::chrono::steady_clock::now() < deadline) {
    for (HWND w : autopilot::TopLevelWindows(pid))
      if (autopilot::ItemText(w, id) == text) return w;
    Sleep(5);
  }
  return nullptr;
}

bool RunStep(const std::string& line, ChildRun& run, HWND& current) {
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
  if (verb == "waittext") {
    std::istringstream args(rest);
    int id = 0;
    args >> id;
    std::string text;
    std::getline(args >> std::ws, text);
    current = WaitForItemText(pid, id, text);
    return current != nullptr;
  }
  if (verb == "shot") {
    SetProcessRunning(pid, false);
    Sleep(20);
    SetProcessRunning(pid, true);
    Sleep(60);  // let the page paint itself
    SetProcessRunning(pid, false);
    const bool ok = autopilot::SaveScreenshot(ShotDir + "\\" + rest + ".bmp");
    SetProcessRunning(pid, true);
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
    std::printf("%s %ld\n", rest.c_str(), ElapsedMs());
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
      std::printf("step failed: %s\n", line.c_str());
      return 1;
    }
  }
  return 0;
}
