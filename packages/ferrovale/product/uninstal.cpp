// UnInstal.Exe, the Ferrovale product's uninstaller, registered by the setup
// as the product's "UnInstallString".
//
// After a confirmation it removes what the setup installed and nothing else:
// the product's files in its own directory (their names are fixed when the
// package is built), the help file from the Windows "Help" directory, the
// Start-menu shortcuts that point at the product's main program, and the
// uninstall entry when it names this uninstaller. The directory goes only
// when it is then empty. A file the user added stays, and so does the
// directory that holds it.
//
// A running program cannot delete its own file, so the uninstaller copies
// itself to the temporary directory and lets the copy do the work once the
// original has ended ("/finish DIR PID"); the copy is deleted at the next
// restart.
//
// A .LIB or .DTP file that existed before the installation is left alone by
// the setup, so such a name may hold the user's own file: the uninstaller
// removes it only while it still holds the bytes the package shipped.
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "setup/core/names.h"
#include "setup/core/wininit.h"
#include "uninstal_files.h"  // ProductName, MainProgramName, InstalledFiles[]

namespace {

const char* const UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string OwnPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

std::string WindowsHelpDir() {
  char dir[MAX_PATH] = {};
  GetWindowsDirectoryA(dir, MAX_PATH);
  return JoinPath(dir, "Help");
}

bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

std::string ProgramsFolder() {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, path))) return std::string();
  return path;
}

// The target of a shell link, or "" when it cannot be read.
std::string LinkTarget(const std::string& linkPath) {
  std::string target;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return target;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
    char path[MAX_PATH] = {};
    if (SUCCEEDED(file->Load(wide, STGM_READ)) && SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0)))
      target = path;
    file->Release();
  }
  link->Release();
  return target;
}

// Deletes the .LNK files of the Programs folder (and its subfolders, since a
// group name may hold a backslash) whose target is the main program.
void RemoveShortcuts(const std::string& folder, const std::string& mainProgram, int depth = 0) {
  if (folder.empty() || depth > 4) return;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(JoinPath(folder, "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = JoinPath(folder, name);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveShortcuts(path, mainProgram, depth + 1);
    } else if (UpperCaseAscii(ExtensionOf(name)) == ".LNK" && SamePath(LinkTarget(path), mainProgram)) {
      DeleteFileA(path.c_str());
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

// Deletes the uninstall entry when it names the uninstaller of this
// directory (an entry of another installation stays).
void RemoveUninstallEntry(const std::string& uninstaller) {
  HKEY key = nullptr;
  const std::string subkey = std::string(UninstallKey) + "\\" + ProductName;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  char value[1024] = {};
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  const bool ours = RegQueryValueExA(key, "UnInstallString", nullptr, &type, reinterpret_cast<BYTE*>(value),
                                     &size) == ERROR_SUCCESS &&
                    type == REG_SZ && SamePath(value, uninstaller);
  RegCloseKey(key);
  if (!ours) return;
  HKEY parent = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKey, 0, KEY_ALL_ACCESS, &parent) == ERROR_SUCCESS) {
    RegDeleteKeyA(parent, ProductName);
    RegCloseKey(parent);
  }
}

// True when the file holds exactly the given bytes.
bool HoldsBytes(const std::string& path, const void* bytes, DWORD size) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string content;
  char block[4096];
  DWORD got = 0;
  while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0 && content.size() <= size)
    content.append(block, got);
  CloseHandle(file);
  return content.size() == size && content.compare(0, size, static_cast<const char*>(bytes), size) == 0;
}

// False for a guarded file that no longer holds what the package shipped.
bool MayRemove(const std::string& name, const std::string& path) {
  for (const GuardedFile* g = GuardedFiles; g->Name; ++g) {
    if (lstrcmpiA(g->Name, name.c_str()) != 0) continue;
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(g->ResourceId), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const void* shipped = loaded ? LockResource(loaded) : nullptr;
    return shipped && HoldsBytes(path, shipped, SizeofResource(nullptr, found));
  }
  return true;
}

// A file the setup could not write under its own name waits beside it as
// "<name>.$$$" (cut to 20 characters), with a line in WinInit.Ini that puts
// it in place at the next restart. Removing the product removes those files
// and withdraws their lines, or the restart would bring the product back.
void RemovePendingReplacements(const std::string& dir) {
  std::vector<std::string> replaced;  // the full and short paths of each file removed
  for (const char* name : InstalledFiles) {
    std::string pending = ReplaceExtension(name, ".$$$");
    if (pending.size() > 20) pending.resize(20);
    const std::string path = JoinPath(dir, pending);
    char shortPath[MAX_PATH] = {};
    const DWORD length = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    if (!DeleteFileA(path.c_str())) continue;
    replaced.push_back(path);
    if (length > 0 && length < MAX_PATH) replaced.push_back(shortPath);
  }
  if (replaced.empty()) return;

  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string listPath = JoinPath(windows, "WinInit.Ini");
  HANDLE file = CreateFileA(listPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string content;
  char block[4096];
  DWORD got = 0;
  while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) content.append(block, got);
  WinInitText text(content);
  std::vector<std::string> withdrawn;
  for (const std::string& line : text.Lines()) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    for (const std::string& path : replaced)
      if (SamePath(line.substr(eq + 1), path)) withdrawn.push_back(line);
  }
  for (const std::string& line : withdrawn) text.Withdraw(line);
  if (!withdrawn.empty()) {
    const std::string updated = text.Text();
    DWORD written = 0;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    WriteFile(file, updated.data(), static_cast<DWORD>(updated.size()), &written, nullptr);
    SetEndOfFile(file);
  }
  CloseHandle(file);
}

void RemoveProduct(const std::string& dir) {
  RemovePendingReplacements(dir);
  for (const char* name : InstalledFiles) {
    const bool help = UpperCaseAscii(ExtensionOf(name)) == ".HLP";
    const std::string path = JoinPath(help ? WindowsHelpDir() : dir, name);
    if (MayRemove(name, path)) DeleteFileA(path.c_str());
  }
  CoInitialize(nullptr);
  RemoveShortcuts(ProgramsFolder(), JoinPath(dir, MainProgramName));
  CoUninitialize();
  RemoveUninstallEntry(JoinPath(dir, "UnInstal.Exe"));
  RemoveDirectoryA(dir.c_str());  // only succeeds when nothing else is left
}

// The temporary copy: waits for the original to end, then removes the product.
int Finish(const std::string& dir, DWORD originalPid) {
  if (HANDLE original = OpenProcess(SYNCHRONIZE, FALSE, originalPid)) {
    WaitForSingleObject(original, 30000);
    CloseHandle(original);
  }
  RemoveProduct(dir);
  MoveFileExA(OwnPath().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  const std::string done = std::string(ProductName) + " has been removed from your computer.";
  MessageBoxA(nullptr, done.c_str(), ProductName, MB_OK | MB_ICONINFORMATION);
  return 0;
}

int Start() {
  const std::string question = "Do you want to remove " + std::string(ProductName) + " and all of its components?";
  if (MessageBoxA(nullptr, question.c_str(), ProductName, MB_YESNO | MB_ICONQUESTION) != IDYES) return 0;

  const std::string self = OwnPath();
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string copy = JoinPath(temp, "FerrovaleUninstall.exe");
  const std::string dir = DirectoryPart(self);
  const std::string cleanDir = dir.size() > 3 && dir.back() == '\\' ? dir.substr(0, dir.size() - 1) : dir;
  if (!CopyFileA(self.c_str(), copy.c_str(), FALSE)) {
    // No temporary copy: remove everything but this program itself.
    RemoveProduct(cleanDir);
    return 0;
  }
  std::string command = "\"" + copy + "\" /finish \"" + cleanDir + "\" " + std::to_string(GetCurrentProcessId());
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, temp, &startup, &process)) {
    RemoveProduct(cleanDir);
    return 0;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc == 4 && lstrcmpiA(__argv[1], "/finish") == 0)
    return Finish(__argv[2], static_cast<DWORD>(std::strtoul(__argv[3], nullptr, 10)));
  return Start();
}
