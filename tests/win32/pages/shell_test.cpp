// The shell integration read back through the platform: the shortcut loaded
// through the shell link object, the uninstall entry and the registry layer
// through the registry functions. Fatal cases run in a child process.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <string>
#include <vector>

#include "autopilot.h"
#include "child_run.h"
#include "test_files.h"
#include "setup/core/config.h"
#include "setup/core/errors.h"
#include "setup/state.h"
#include "shell/registry.h"
#include "shell/shell.h"

namespace {

constexpr const char* ShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* EntryKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ferrovale";
constexpr const char* ScratchKey = "Software\\FerrovaleShellTest";

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

// A fresh scratch directory under the temporary directory, without a
// trailing backslash.
std::string ScratchDir() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string dir = std::string(temp) + "shell_test";
  RemoveTree(dir);
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

struct RegValue {
  bool Present = false;
  DWORD Type = 0;
  std::string Data;
};

RegValue ReadValue(HKEY root, const char* path, const char* name) {
  RegValue value;
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, &value.Type, nullptr, &size) == ERROR_SUCCESS) {
    value.Data.resize(size);
    value.Present = RegQueryValueExA(key, name, nullptr, &value.Type, reinterpret_cast<BYTE*>(&value.Data[0]),
                                     &size) == ERROR_SUCCESS;
    value.Data.resize(size);
  }
  RegCloseKey(key);
  return value;
}

// The text of a REG_SZ value as read back, without its terminating zero.
std::string Text(const RegValue& value) { return value.Data.substr(0, value.Data.find('\0')); }

void WriteValue(HKEY root, const char* path, const char* name, DWORD type, const std::string& data) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                           static_cast<DWORD>(data.size())),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void WriteText(HKEY root, const char* path, const char* name, const std::string& text) {
  WriteValue(root, path, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

void DeleteValue(HKEY root, const char* path, const char* name) {
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, name);
  RegCloseKey(key);
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

struct LinkContents {
  bool Loaded = false;
  std::string Target;
  std::string WorkingDirectory;
  int ShowCommand = 0;
};

// Loads a shortcut file through the system's shell link object.
LinkContents ReadLink(const std::string& path) {
  LinkContents link;
  CoInitialize(nullptr);
  IShellLinkA* shellLink = nullptr;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&shellLink))) &&
      SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    std::wstring wide(path.begin(), path.end());
    if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
      link.Loaded = true;
      char text[MAX_PATH] = {};
      shellLink->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
      link.Target = text;
      text[0] = '\0';
      shellLink->GetWorkingDirectory(text, MAX_PATH);
      link.WorkingDirectory = text;
      shellLink->GetShowCmd(&link.ShowCommand);
    }
  }
  if (file) file->Release();
  if (shellLink) shellLink->Release();
  CoUninitialize();
  return link;
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// A child run of the shell steps as they follow a confirmed group page.
std::string ShellCommand(const std::string& destination, const std::string& options = std::string(),
                         const std::string& modeOptions = std::string()) {
  return Quoted(OwnExecutable()) + " --set " + Quoted("DestinationDir=" + destination) + " " + options +
         " --run-shell " + modeOptions;
}

// Waits for the child's fatal report, checks its text, confirms it and
// returns the exit code.
int ExpectFatalReport(ChildRun& run, const std::string& message) {
  HWND report = autopilot::WaitForWindow({"Application Error", autopilot::DialogClass, run.ProcessId()});
  EXPECT_TRUE(report);
  if (!report) return run.Wait(0);
  const std::string text = autopilot::MessageBoxText(report);
  EXPECT_EQ(text.rfind("Exception ERegistryException in module win32_tests.exe at ", 0), 0u) << text;
  EXPECT_NE(text.find("\n" + message), std::string::npos) << text;
  // The report is the only window the run shows.
  for (HWND window : autopilot::TopLevelWindows(run.ProcessId())) {
    if (autopilot::ClassOf(window) == autopilot::DialogClass) {
      EXPECT_EQ(window, report);
    }
  }
  autopilot::ClickButton(report, IDOK);
  return run.Wait();
}

// Keeps the user's "programs" value as it was and the run state the tests
// change; each test gets a fresh scratch directory with a Programs folder in
// it and a destination holding the main program.
class ShellTest : public testing::Test {
 protected:
  void SetUp() override {
    savedPrograms_ = ReadValue(HKEY_CURRENT_USER, ShellFoldersKey, "programs");
    savedConfig_ = SetupConfig;
    savedDestination_ = SetupState.DestinationDir;
    scratch_ = ScratchDir();
    programs_ = scratch_ + "\\Start Menu\\Programs";
    CreateDirectoryA((scratch_ + "\\Start Menu").c_str(), nullptr);
    CreateDirectoryA(programs_.c_str(), nullptr);
    destination_ = scratch_ + "\\Ferrovale Dest";
    CreateDirectoryA(destination_.c_str(), nullptr);
    WriteFile(destination_ + "\\Gantrell.Exe");
    WriteText(HKEY_CURRENT_USER, ShellFoldersKey, "programs", programs_);
    SetupState.DestinationDir = destination_;
  }
  void TearDown() override {
    if (savedPrograms_.Present)
      WriteValue(HKEY_CURRENT_USER, ShellFoldersKey, "programs", savedPrograms_.Type, savedPrograms_.Data);
    else
      DeleteValue(HKEY_CURRENT_USER, ShellFoldersKey, "programs");
    SetupConfig = savedConfig_;
    SetupState.DestinationDir = savedDestination_;
    RemoveTree(scratch_);
  }

  std::string scratch_, programs_, destination_;

 private:
  RegValue savedPrograms_;
  SetupConfigBlock savedConfig_;
  std::string savedDestination_;
};

using ProgramShortcut = ShellTest;
using UninstallEntry = ShellTest;

}  // namespace

TEST_F(ProgramShortcut, PointsAtTheMainProgramAndStartsInTheDestination) {
  CreateProgramShortcut();
  const LinkContents link = ReadLink(programs_ + "\\Ferrovale.LNK");
  ASSERT_TRUE(link.Loaded);
  EXPECT_EQ(link.Target, destination_ + "\\Gantrell.Exe");
  EXPECT_EQ(link.WorkingDirectory, destination_);
  EXPECT_EQ(link.ShowCommand, SW_SHOWNORMAL);
}

// The group entry is used as it stands: nothing is stripped, and a
// backslash reaches into a subfolder that must already be there.
TEST_F(ProgramShortcut, FileNameIsTheGroupEntryWithLnkAppended) {
  CreateDirectoryA((programs_ + "\\Games").c_str(), nullptr);
  const struct {
    const char* Group;
    const char* File;  // relative to the Programs folder
  } cases[] = {
      {"Ferrovale.LNK", "Ferrovale.LNK.LNK"},
      {"", ".LNK"},
      {"Games\\Ferrovale", "Games\\Ferrovale.LNK"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Group);
    SetupConfig.GroupName = c.Group;
    CreateProgramShortcut();
    const LinkContents link = ReadLink(programs_ + "\\" + c.File);
    ASSERT_TRUE(link.Loaded);
    EXPECT_EQ(link.Target, destination_ + "\\Gantrell.Exe");
  }
}

TEST_F(ProgramShortcut, MissingSubfolderIsNotCreated) {
  SetupConfig.GroupName = "Ferrovale Tools\\Ferrovale";
  CreateProgramShortcut();
  EXPECT_FALSE(Exists(programs_ + "\\Ferrovale Tools"));
}

TEST_F(ProgramShortcut, WithoutProgramsValueTheFileNameIsBare) {
  DeleteValue(HKEY_CURRENT_USER, ShellFoldersKey, "programs");
  char saved[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryA(destination_.c_str()));
  CreateProgramShortcut();
  SetCurrentDirectoryA(saved);
  const LinkContents link = ReadLink(destination_ + "\\Ferrovale.LNK");
  ASSERT_TRUE(link.Loaded);
  EXPECT_EQ(link.Target, destination_ + "\\Gantrell.Exe");
  EXPECT_FALSE(Exists(programs_ + "\\Ferrovale.LNK"));
}

// 254 characters are the most the save gets; one more and it gets nothing.
TEST_F(ProgramShortcut, PathOfMoreThan254CharactersMakesNoShortcut) {
  const std::string group = "Ferrovale";
  const std::size_t fileLength = 1 + group.size() + 4;  // backslash, name, ".LNK"
  ASSERT_LT(scratch_.size() + 1 + fileLength, 254u);
  const std::string folder = scratch_ + "\\" + std::string(254 - fileLength - scratch_.size() - 1, 'p');
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  WriteText(HKEY_CURRENT_USER, ShellFoldersKey, "programs", folder);

  SetupConfig.GroupName = group;
  ASSERT_EQ((folder + "\\" + group + ".LNK").size(), 254u);
  CreateProgramShortcut();
  EXPECT_TRUE(ReadLink(folder + "\\" + group + ".LNK").Loaded);

  SetupConfig.GroupName = group + "X";
  CreateProgramShortcut();
  EXPECT_FALSE(Exists(folder + "\\" + group + "X.LNK"));
}

// After an expansion redirected to ".$$$" the shortcut names the file the
// restart will have renamed.
TEST_F(ProgramShortcut, RedirectedExpansionTargetsTheConfiguredName) {
  ChildRun run(ShellCommand(destination_, "", "--redirected"));
  ASSERT_TRUE(run.Started());
  EXPECT_EQ(run.Wait(), 0);
  const LinkContents link = ReadLink(programs_ + "\\Ferrovale.LNK");
  ASSERT_TRUE(link.Loaded);
  EXPECT_EQ(link.Target, destination_ + "\\Gantrell.Exe");
}

TEST_F(ProgramShortcut, ProgramsValueThatIsNotAStringIsFatal) {
  WriteValue(HKEY_CURRENT_USER, ShellFoldersKey, "programs", REG_DWORD, std::string(4, '\0'));
  ChildRun run(ShellCommand(destination_));
  ASSERT_TRUE(run.Started());
  EXPECT_EQ(ExpectFatalReport(run, "Invalid data type for 'programs'."), 1);
}

TEST_F(UninstallEntry, NamesTheProductAndTheUninstallerInTheDestination) {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, EntryKey);
  WriteText(HKEY_LOCAL_MACHINE, EntryKey, "Publisher", "kept");
  // A later registration overwrites the earlier one's values.
  for (const char* destination : {"C:\\Program Files\\Ferrovale", "D:\\Other Place", "C:\\", "C:"}) {
    SCOPED_TRACE(destination);
    SetupState.DestinationDir = destination;
    RegisterUninstall();
    const RegValue name = ReadValue(HKEY_LOCAL_MACHINE, EntryKey, "DisplayName");
    const RegValue command = ReadValue(HKEY_LOCAL_MACHINE, EntryKey, "UnInstallString");
    EXPECT_EQ(name.Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Text(name), "Ferrovale");
    EXPECT_EQ(command.Type, static_cast<DWORD>(REG_SZ));
    const std::string dir = destination;
    EXPECT_EQ(Text(command), (dir.back() == '\\' ? dir : dir + "\\") + "UnInstal.Exe");
  }
  EXPECT_EQ(Text(ReadValue(HKEY_LOCAL_MACHINE, EntryKey, "Publisher")), "kept");
}

// The uninstall registration fails after the shortcut was saved: the run
// ends with the report, and the shortcut stays.
TEST_F(UninstallEntry, FailedWriteIsFatalAndKeepsTheShortcut) {
  ChildRun run(ShellCommand(destination_, "--fail-registry-writes"));
  ASSERT_TRUE(run.Started());
  EXPECT_EQ(ExpectFatalReport(run, "Failed to set data for 'DisplayName'."), 1);
  EXPECT_TRUE(ReadLink(programs_ + "\\Ferrovale.LNK").Loaded);
}

// The registry layer on a scratch key of the current user.
namespace {
LONG WINAPI DenyWrite(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD) { return ERROR_ACCESS_DENIED; }
}  // namespace

class RegistryLayer : public testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, ScratchKey); }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, ScratchKey);
    RegistrySetValue = RegSetValueExA;
  }
  static std::string Section() { return std::string(ScratchKey) + "\\Section"; }
};

TEST_F(RegistryLayer, ReadsStringsAndGivesTheDefaultForWhatIsMissing) {
  WriteText(HKEY_CURRENT_USER, Section().c_str(), "plain", "C:\\Start Menu");
  WriteValue(HKEY_CURRENT_USER, Section().c_str(), "expand", REG_EXPAND_SZ, std::string("%WINDIR%\\x", 11));
  WriteValue(HKEY_CURRENT_USER, Section().c_str(), "unterminated", REG_SZ, "abc");
  WriteValue(HKEY_CURRENT_USER, Section().c_str(), "empty", REG_SZ, "");
  RegIniFile ini(HKEY_CURRENT_USER, ScratchKey);
  ASSERT_TRUE(ini.IsOpen());
  EXPECT_EQ(ini.ReadString("Section", "plain", "-"), "C:\\Start Menu");
  EXPECT_EQ(ini.ReadString("section", "PLAIN", "-"), "C:\\Start Menu");
  EXPECT_EQ(ini.ReadString("Section", "expand", "-"), "%WINDIR%\\x");
  EXPECT_EQ(ini.ReadString("Section", "unterminated", "-"), "abc");
  EXPECT_EQ(ini.ReadString("Section", "empty", "-"), "");
  EXPECT_EQ(ini.ReadString("Section", "missing", "-"), "-");
  EXPECT_EQ(ini.ReadString("No Section", "plain", "-"), "-");
}

TEST_F(RegistryLayer, ValueThatIsNotAStringIsAnError) {
  WriteValue(HKEY_CURRENT_USER, Section().c_str(), "number", REG_DWORD, std::string(4, '\1'));
  WriteValue(HKEY_CURRENT_USER, Section().c_str(), "bytes", REG_BINARY, "ab");
  WriteValue(HKEY_CURRENT_USER, Section().c_str(), "list", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
  RegIniFile ini(HKEY_CURRENT_USER, ScratchKey);
  for (const char* name : {"number", "bytes", "list"}) {
    try {
      ini.ReadString("Section", name, "-");
      ADD_FAILURE() << name << " was read";
    } catch (const ERegistryException& e) {
      EXPECT_EQ(std::string(e.what()), "Invalid data type for '" + std::string(name) + "'");
    }
  }
}

TEST_F(RegistryLayer, WriteCreatesTheKeysAndOverwrites) {
  RegIniFile ini(HKEY_CURRENT_USER, std::string(ScratchKey) + "\\Root");
  ini.WriteString("New Section", "Name", "first");
  ini.WriteString("New Section", "Name", "second value");
  const RegValue value = ReadValue(HKEY_CURRENT_USER, (std::string(ScratchKey) + "\\Root\\New Section").c_str(), "Name");
  EXPECT_EQ(value.Type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value.Data, std::string("second value", 13));  // with its terminating zero
}

TEST_F(RegistryLayer, FailedSetIsAnErrorNamingTheValue) {
  RegistrySetValue = DenyWrite;
  RegIniFile ini(HKEY_CURRENT_USER, ScratchKey);
  try {
    ini.WriteString("Section", "Name", "value");
    ADD_FAILURE() << "the write succeeded";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(std::string(e.what()), "Failed to set data for 'Name'");
  }
}

// A key that could not be opened takes no sections: the write fails instead
// of creating the section anywhere else.
TEST_F(RegistryLayer, WriteUnderAKeyThatDidNotOpenFailsToCreateTheSection) {
  const std::string tooLong = std::string(ScratchKey) + "\\" + std::string(300, 'k');
  RegIniFile ini(HKEY_CURRENT_USER, tooLong);
  ASSERT_FALSE(ini.IsOpen());
  EXPECT_EQ(ini.ReadString("Section", "Name", "-"), "-");
  try {
    ini.WriteString("FerrovaleOrphan", "Name", "value");
    ADD_FAILURE() << "the write succeeded";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(std::string(e.what()), "Failed to create key FerrovaleOrphan");
  }
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "FerrovaleOrphan"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::string(ScratchKey) + "\\FerrovaleOrphan"));
}
