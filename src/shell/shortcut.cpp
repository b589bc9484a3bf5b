#include <objbase.h>
#include <shlobj.h>

#include "setup/core/names.h"
#include "setup/handles.h"
#include "setup/sequence.h"
#include "setup/state.h"
#include "shell/registry.h"
#include "shell/shell.h"

namespace {

// Where the current user's Start-menu folders are named.
constexpr const char* ExplorerKey = "Software\\microsoft\\windows\\currentversion\\explorer";

// The wide path handed to the save: at most 254 characters and the zero.
constexpr int WidePathCapacity = 255;

// COM initialised for the calling thread for the holder's life.
class ComInitialization {
 public:
  ComInitialization() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComInitialization() {
    if (initialized_) CoUninitialize();
  }
  ComInitialization(const ComInitialization&) = delete;
  ComInitialization& operator=(const ComInitialization&) = delete;

 private:
  bool initialized_;
};

// The user's Programs folder, or the empty text when the registry names none.
std::string ProgramsFolder() {
  return RegIniFile(HKEY_CURRENT_USER, ExplorerKey).ReadString("Shell Folders", "programs", "");
}

}  // namespace

void CreateProgramShortcut() {
  const std::string folder = ProgramsFolder();

  // Declared in this order so that the interfaces are released before COM
  // is uninitialised.
  ComInitialization com;
  ComPtr<IShellLinkA> link;
  ComPtr<IPersistFile> file;

  // Without the link object or its file interface there is no shortcut, and
  // the run goes on.
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.out())))
    return;
  // The target is the main program under the name it keeps after the restart
  // that renames a redirected one: a ".$$$" file cannot be started.
  link->SetPath(JoinPath(SetupState.DestinationDir, InstalledMainProgramName()).c_str());
  link->SetWorkingDirectory(SetupState.DestinationDir.c_str());
  link->SetShowCmd(SW_SHOWNORMAL);
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) return;

  const std::string path = JoinPath(folder, SetupConfig.GroupName + ".LNK");
  // A path that does not fit becomes the empty text, which saves nothing.
  wchar_t widePath[WidePathCapacity];
  if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, WidePathCapacity) == 0) widePath[0] = L'\0';
  file->Save(widePath, FALSE);
}
