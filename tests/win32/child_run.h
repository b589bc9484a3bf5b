// Starts a program as a child process and waits for its end, so that tests
// can walk it with the autopilot (by its process id) and read its exit code.
#pragma once

#include <windows.h>

#include <string>

class ChildRun {
 public:
  // commandLine is passed as it stands; currentDir may be empty.
  explicit ChildRun(const std::string& commandLine, const std::string& currentDir = std::string());
  ~ChildRun();
  ChildRun(const ChildRun&) = delete;
  ChildRun& operator=(const ChildRun&) = delete;

  bool Started() const { return process_.hProcess != nullptr; }
  DWORD ProcessId() const { return process_.dwProcessId; }
  // Waits for the end; returns the exit code, or -1 after a timeout (the
  // child is then terminated).
  int Wait(DWORD timeoutMs = 30000);

 private:
  PROCESS_INFORMATION process_{};
};

// The full path of this test executable.
std::string OwnExecutable();
// The directory of this test executable, with a trailing backslash.
std::string OwnDirectory();
