// The registry seen as an INI file: one key opened for the object's life,
// its subkeys as sections, their values as identifiers. Only string values
// are read and written. Every key is opened or created with full access.
#pragma once

#include <windows.h>

#include <string>

#include "setup/handles.h"

class RegIniFile {
 public:
  // Opens the key path under root, creating the missing keys. A key that
  // cannot be opened is not reported here: reads then give their default and
  // writes fail with "Failed to create key", so nothing is ever written
  // anywhere but under this key.
  RegIniFile(HKEY root, const std::string& path);

  bool IsOpen() const { return static_cast<bool>(key_); }

  // The string value `ident` of the subkey `section`, or defaultValue when the
  // subkey cannot be opened or has no such value. A value that holds anything
  // but a string (REG_SZ, REG_EXPAND_SZ; read as stored, not expanded) throws
  // ERegistryException "Invalid data type for '<ident>'".
  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& defaultValue) const;

  // Sets the value `ident` of the subkey `section` to value (REG_SZ), creating
  // the subkey when it is missing. Throws ERegistryException "Failed to
  // create key <section>" or "Failed to set data for '<ident>'".
  void WriteString(const std::string& section, const std::string& ident, const std::string& value);

 private:
  RegKey key_;
};

// The call that sets a value: RegSetValueExA. It is a variable only so that
// tests can make registry writes fail (a stand-in that returns an error
// code); the setup itself never changes it.
using RegSetValueCall = LONG(WINAPI*)(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                                      DWORD size);
extern RegSetValueCall RegistrySetValue;
