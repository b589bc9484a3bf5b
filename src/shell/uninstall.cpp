#include "setup/core/names.h"
#include "setup/state.h"
#include "shell/registry.h"
#include "shell/shell.h"

namespace {

// The machine-wide list of removable programs.
constexpr const char* UninstallKey = "Software\\microsoft\\windows\\currentversion\\uninstall";

}  // namespace

void RegisterUninstall() {
  // The product's entry is the subkey ProductName of the uninstall key, and
  // only there: if that key cannot be opened, each write below fails with
  // "Failed to create key".
  RegIniFile uninstall(HKEY_LOCAL_MACHINE, UninstallKey);
  uninstall.WriteString(SetupConfig.ProductName, "DisplayName", SetupConfig.ProductName);
  uninstall.WriteString(SetupConfig.ProductName, "UnInstallString", JoinPath(SetupState.DestinationDir, "UnInstal.Exe"));
}
