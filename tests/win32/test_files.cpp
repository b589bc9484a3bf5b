#include "test_files.h"

#include <windows.h>

void RemoveTree(const std::string& dir) {
  const std::string base = !dir.empty() && dir.back() == '\\' ? dir : dir + "\\";
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((base + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = base + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(base.substr(0, base.size() - 1).c_str());
}
