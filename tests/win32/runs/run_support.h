// Support for tests that run the real SETUP.EXE of the Ferrovale package in
// another process and walk it as a user would.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "autopilot.h"
#include "child_run.h"
#include "test_files.h"

namespace runs {

// The package's defaults and the names it installs.
extern const char* const DefaultDestination;        // as the destination page accepts it
extern const char* const UninstallKey;              // under HKEY_LOCAL_MACHINE
extern const char* const ProductFiles[5];           // in the destination, besides the main program

// A Linux path as Wine sees it (through drive Z:).
std::string WinePath(const std::string& unixPath);

std::string ReadFile(const std::string& path);
long long FileSize(const std::string& path);  // -1 when missing
void WriteFile(const std::string& path, const std::string& content);
bool Exists(const std::string& path);
std::string WindowsDir();

// The distribution folders as built (SETUP.EXE and its volumes): the
// package in one volume, and the same package in three.
std::string PackageDir();
std::string ThreeVolumePackageDir();
// The product's files as the package was built from them.
std::string SourceOf(const std::string& name);

// Copies a distribution folder (by default the one-volume package) to a
// fresh folder and returns it, with a trailing backslash.
std::string CopyDistribution(const std::string& folder, const std::string& from = PackageDir());

// The short 8.3 form of an existing path.
std::string ShortPath(const std::string& path);

// The Programs folder the shortcut goes into.
std::string ProgramsFolder();
// What a shell link file holds; Read is false when it cannot be loaded.
struct LinkSettings {
  bool Read = false;
  std::string Target, WorkingDirectory;
  int ShowCommand = 0;
};
LinkSettings ReadLink(const std::string& path);
// A string value under HKEY_LOCAL_MACHINE, "" when missing.
std::string MachineValue(const std::string& key, const std::string& name);
bool MachineKeyExists(const std::string& key);
// The files a directory holds (no subdirectories), by name.
std::vector<std::string> FilesIn(const std::string& dir);

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
  // The same, watching closely, for a page that may be gone within
  // milliseconds (the work pages of a small package).
  HWND CatchItem(int id, const std::string& text, DWORD timeoutMs = autopilot::DefaultTimeoutMs);
  bool Answer(const std::string& caption, int buttonId, DWORD timeoutMs = autopilot::DefaultTimeoutMs);
  int Exit(DWORD timeoutMs = 60000) { return run_.Wait(timeoutMs); }

 private:
  ChildRun run_;
};

// Steps of a walk; each returns false when its page does not appear or does
// not go. The destination page takes `destination` when it is not empty.
bool Agree(SetupRun& run);
bool AcceptDestination(SetupRun& run, const std::string& destination = std::string());
bool AcceptGroup(SetupRun& run);

// The default walk: agree, accept the destination, let the work pages run,
// accept the group name; stops at the completion question and returns it.
HWND WalkToCompletion(SetupRun& run, const std::string& destination = std::string());

// The work pages' texts, which tell the two apart (they share a caption).
extern const char* const CopyPageText;
extern const char* const ExpandPageText;

// Waits for a message box of a process (0: any) that says `text`.
HWND WaitForMessage(const std::string& text, DWORD pid = 0, DWORD timeoutMs = autopilot::DefaultTimeoutMs);

// Each whole run starts from a machine without Ferrovale: no destination,
// help file, shortcut, uninstall entry or WinInit.Ini, so that the scenarios
// also hold when they run one after another in one prefix.
class Runs : public testing::Test {
 protected:
  void SetUp() override;
};

}  // namespace runs
