#include "run_support.h"

#include <fstream>
#include <sstream>

namespace runs {

std::string WinePath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string WindowsDir() {
  char dir[MAX_PATH] = {};
  GetWindowsDirectoryA(dir, MAX_PATH);
  return dir;
}

std::string PackageDir() { return WinePath(SETUP_PACKAGE_DIR) + "\\"; }

std::string SourceOf(const std::string& name) {
  const std::string data = WinePath(PRODUCT_FILES_DIR) + "\\" + name;
  if (Exists(data)) return data;
  return WinePath(PRODUCT_PROGRAMS_DIR) + "\\" + name;
}

std::string CopyDistribution(const std::string& folder) {
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string from = PackageDir();
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((from + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        CopyFileA((from + found.cFileName).c_str(), (folder + "\\" + found.cFileName).c_str(), FALSE);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  return folder + "\\";
}

std::string ProgramsFolder() {
  HKEY key = nullptr;
  std::string folder;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                    KEY_READ, &key) == ERROR_SUCCESS) {
    char value[MAX_PATH] = {};
    DWORD size = sizeof value - 1;
    if (RegQueryValueExA(key, "Programs", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS)
      folder = value;
    RegCloseKey(key);
  }
  return folder;
}

std::string MachineValue(const std::string& key, const std::string& name) {
  HKEY handle = nullptr;
  std::string result;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    if (RegQueryValueExA(handle, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
            ERROR_SUCCESS &&
        type == REG_SZ)
      result = value;
    RegCloseKey(handle);
  }
  return result;
}

SetupRun::SetupRun(const std::string& distribution)
    : run_("\"" + distribution + "SETUP.EXE\"", distribution) {}

HWND SetupRun::Wait(const std::string& caption, DWORD timeoutMs) {
  return autopilot::WaitForWindow({caption, autopilot::DialogClass, Pid()}, timeoutMs);
}

HWND SetupRun::WaitForItem(int id, const std::string& text, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    for (HWND w : autopilot::TopLevelWindows(Pid()))
      if (autopilot::ItemText(w, id) == text) return w;
    Sleep(5);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

bool SetupRun::Answer(const std::string& caption, int buttonId, DWORD timeoutMs) {
  return autopilot::AnswerWindow({caption, autopilot::DialogClass, Pid()}, buttonId, timeoutMs);
}

HWND WalkToCompletion(SetupRun& run) {
  for (const char* caption : {"License Agreement", "Destination Directory"}) {
    HWND page = run.Wait(caption);
    if (!page) return nullptr;
    autopilot::PressKey(page, VK_RETURN);
    if (!autopilot::WaitUntilGone(page)) return nullptr;
  }
  HWND group = run.Wait("Program Group", 60000);
  if (!group) return nullptr;
  autopilot::PressKey(group, VK_RETURN);
  return run.Wait("Ferrovale");
}

}  // namespace runs
