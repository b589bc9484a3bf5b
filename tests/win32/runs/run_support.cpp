#include "run_support.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <fstream>
#include <sstream>

namespace runs {

const char* const DefaultDestination = "C:\\PROGRAM FILES\\FERROVALE";
const char* const UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ferrovale";
const char* const ProductFiles[5] = {"Gantrell.Lib", "Gantrell.Dtp", "Ferrovale.Dll", "UnInstal.Exe", "ReadMe.Txt"};

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

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
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
std::string ThreeVolumePackageDir() { return WinePath(SETUP_PACKAGE3_DIR) + "\\"; }

std::string SourceOf(const std::string& name) {
  const std::string data = WinePath(PRODUCT_FILES_DIR) + "\\" + name;
  if (Exists(data)) return data;
  return WinePath(PRODUCT_PROGRAMS_DIR) + "\\" + name;
}

std::string CopyDistribution(const std::string& folder, const std::string& from) {
  RemoveTree(folder);
  CreateDirectoryA(folder.c_str(), nullptr);
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

std::string ShortPath(const std::string& path) {
  char shortPath[MAX_PATH] = {};
  const DWORD length = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
  return length > 0 && length < MAX_PATH ? shortPath : path;
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

LinkSettings ReadLink(const std::string& path) {
  LinkSettings settings;
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t wide[MAX_PATH] = {};
      MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
      char text[MAX_PATH] = {};
      if (SUCCEEDED(file->Load(wide, STGM_READ))) {
        settings.Read = true;
        if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, 0))) settings.Target = text;
        if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) settings.WorkingDirectory = text;
        link->GetShowCmd(&settings.ShowCommand);
      }
      file->Release();
    }
    link->Release();
  }
  CoUninitialize();
  return settings;
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

bool MachineKeyExists(const std::string& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
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

HWND SetupRun::CatchItem(int id, const std::string& text, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    for (HWND w : autopilot::TopLevelWindows(Pid())) {
      // The text the system keeps for another process's window: no message
      // goes to the busy page.
      char shown[256] = {};
      if (HWND item = GetDlgItem(w, id)) GetWindowTextA(item, shown, sizeof shown);
      if (text == shown) return w;
    }
    Sleep(0);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

bool SetupRun::Answer(const std::string& caption, int buttonId, DWORD timeoutMs) {
  return autopilot::AnswerWindow({caption, autopilot::DialogClass, Pid()}, buttonId, timeoutMs);
}

const char* const CopyPageText = "Installing the Ferrovale files.";
const char* const ExpandPageText = "Uncompressing the Ferrovale files.";

namespace {

bool PressEnterOn(SetupRun& run, const std::string& caption, DWORD timeoutMs = autopilot::DefaultTimeoutMs) {
  HWND page = run.Wait(caption, timeoutMs);
  if (!page) return false;
  autopilot::PressKey(page, VK_RETURN);
  return autopilot::WaitUntilGone(page);
}

}  // namespace

bool Agree(SetupRun& run) { return PressEnterOn(run, "License Agreement"); }

bool AcceptDestination(SetupRun& run, const std::string& destination) {
  HWND page = run.Wait("Destination Directory");
  if (!page) return false;
  if (!destination.empty()) autopilot::SetItemText(page, 104, destination);
  autopilot::PressKey(page, VK_RETURN);
  return autopilot::WaitUntilGone(page);
}

// The work pages run between the destination page and the group page.
bool AcceptGroup(SetupRun& run) { return PressEnterOn(run, "Program Group", 60000); }

HWND WalkToCompletion(SetupRun& run, const std::string& destination) {
  if (!Agree(run) || !AcceptDestination(run, destination) || !AcceptGroup(run)) return nullptr;
  return run.Wait("Ferrovale");
}

HWND WaitForMessage(const std::string& text, DWORD pid, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    for (HWND w : autopilot::TopLevelWindows(pid))
      if (autopilot::ClassOf(w) == autopilot::DialogClass && autopilot::MessageBoxText(w) == text) return w;
    Sleep(10);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

void Runs::SetUp() {
  RemoveTree(DefaultDestination);
  DeleteFileA((WindowsDir() + "\\WinInit.Ini").c_str());
  DeleteFileA((WindowsDir() + "\\Help\\Gantrell.Hlp").c_str());
  DeleteFileA((ProgramsFolder() + "\\Ferrovale.LNK").c_str());
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKey);
}

}  // namespace runs
