// File helpers shared by the Win32 test executables.
#pragma once

#include <string>

// Deletes a directory and everything below it, read-only files included.
// The directory may be given with or without its trailing backslash.
void RemoveTree(const std::string& dir);
