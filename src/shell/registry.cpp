#include "shell/registry.h"

#include <vector>

#include "setup/core/errors.h"

RegSetValueCall RegistrySetValue = RegSetValueExA;

RegIniFile::RegIniFile(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) == ERROR_SUCCESS)
    key_.reset(key);
}

std::string RegIniFile::ReadString(const std::string& section, const std::string& ident,
                                   const std::string& defaultValue) const {
  if (!key_) return defaultValue;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(key_.get(), section.c_str(), 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS) return defaultValue;
  const RegKey subkey(opened);

  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(subkey.get(), ident.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return defaultValue;
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw ERegistryException("Invalid data type for '" + ident + "'");

  // The stored bytes need not end with a zero; one extra byte makes room for it.
  std::vector<char> data(size + 1, '\0');
  if (RegQueryValueExA(subkey.get(), ident.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
      ERROR_SUCCESS)
    return defaultValue;
  return std::string(data.data());
}

void RegIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  HKEY created = nullptr;
  if (!key_ || RegCreateKeyExA(key_.get(), section.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                               nullptr, &created, nullptr) != ERROR_SUCCESS)
    throw ERegistryException("Failed to create key " + section);
  const RegKey subkey(created);

  if (RegistrySetValue(subkey.get(), ident.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
    throw ERegistryException("Failed to set data for '" + ident + "'");
}
