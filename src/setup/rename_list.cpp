#include "setup/rename_list.h"

#include <windows.h>

#include <vector>

#include "setup/core/names.h"
#include "setup/core/wininit.h"
#include "setup/fatal.h"
#include "setup/handles.h"

namespace {

struct QueuedLine {
  std::string NewPath;
  std::string Line;
};

FileHandle ListFile;
WinInitText ListText;
std::vector<QueuedLine> Queued;

std::string ReadWholeFile(HANDLE file) {
  std::string content;
  char block[4096];
  DWORD got = 0;
  for (;;) {
    if (!ReadFile(file, block, sizeof block, &got, nullptr)) ThrowLastIoError();
    if (got == 0) break;
    content.append(block, got);
  }
  return content;
}

// Rewrites the whole file from its start and forces it to the disk.
void WriteBack() {
  const std::string text = ListText.Text();
  if (SetFilePointer(ListFile.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) ThrowLastIoError();
  DWORD written = 0;
  if (!WriteFile(ListFile.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
    ThrowLastIoError();
  if (written != text.size()) throw EInOutError(101);
  if (!SetEndOfFile(ListFile.get())) ThrowLastIoError();
  if (!FlushFileBuffers(ListFile.get())) ThrowLastIoError();
}

}  // namespace

void OpenRenameList(const std::string& path) {
  ListFile.reset(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!ListFile) ThrowLastIoError();
  ListText = WinInitText(ReadWholeFile(ListFile.get()));
  ListText.EnsureRenameSection();
  Queued.clear();
  WriteBack();
}

void CloseRenameList() {
  if (!ListFile) return;
  if (!CloseHandle(ListFile.release())) ThrowLastIoError();
}

std::string ShortPathOf(const std::string& fullPath) {
  char buffer[256] = {};
  lstrcpynA(buffer, fullPath.c_str(), sizeof buffer);
  const DWORD length = GetShortPathNameA(fullPath.c_str(), buffer, 255);
  if (length == 0 || length > 255) return fullPath;
  return buffer;
}

void QueueRename(const std::string& shortExisting, const std::string& newPath) {
  if (!ListFile) throw EInOutError(103);  // "file not open"
  const std::string line = shortExisting + "=" + ShortPathOf(newPath);
  ListText.AppendRename(line);
  WriteBack();
  Queued.push_back({newPath, line});
}

void WithdrawRenamesFor(const std::string& newPath) {
  if (!ListFile) return;
  bool changed = false;
  for (auto it = Queued.begin(); it != Queued.end();) {
    if (lstrcmpiA(it->NewPath.c_str(), newPath.c_str()) == 0) {
      changed |= ListText.Withdraw(it->Line);
      it = Queued.erase(it);
    } else {
      ++it;
    }
  }
  if (changed) WriteBack();
}
