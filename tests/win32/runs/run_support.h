// Support for tests that run the real SETUP.EXE of the Ferrovale package in
// another process and walk it as a user would.
#pragma once

#include <windows.h>

#include <string>

#include "autopilot.h"
#include "child_run.h"

namespace runs {

// A Linux path as Wine sees it (through drive Z:).
std::string WinePath(const std::string& unixPath);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
bool Exists(const std::string& path);
std::string WindowsDir();

// The distribution folder as built (SETUP.EXE and its volumes).
std::string PackageDir();
// The product's files as the package was built from them.
std::string SourceOf(const std::string& name);

// Copies the distribution folder (or only the files named) to a fresh folder
// and returns it, with a trailing backslash.
std::string CopyDistribution(const std::string& folder);

// The Programs folder the shortcut goes into.
std::string ProgramsFolder();
// A string value under HKEY_LOCAL_MACHINE, "" when missing.
std::string MachineValue(const std::string& key, const std::string& name);

// A started SETUP.EXE and the autopilot queries for its windows.
class SetupRun {
 public:
  explicit SetupRun(const std::string& distribution);
  DWORD Pid() const { return run_.ProcessId(); }
  bool Started() const { return run_.Started(); }
  HWND Wait(const std::string& caption, DWORD timeoutMs = autopilot::DefaultTimeoutMs);
  // Waits for a window whose item `id` shows `text` (the two work pages share
  // their caption and differ in their static text).
  HWND WaitForItem(int id, const std::string& text, DWORD timeoutMs = autopilot::DefaultTimeoutMs);
  bool Answer(const std::string& caption, int buttonId, DWORD timeoutMs = autopilot::DefaultTimeoutMs);
  int Exit(DWORD timeoutMs = 60000) { return run_.Wait(timeoutMs); }

 private:
  ChildRun run_;
};

// The default walk: agree, accept the destination, let the work pages run,
// accept the group name; stops at the completion question and returns it.
HWND WalkToCompletion(SetupRun& run);

}  // namespace runs
