#include "package/read_package_directory.h"

#include <windows.h>

#include <cstdint>

#include "package/core/package_directory.h"
#include "setup/core/errors.h"
#include "setup/handles.h"

namespace {

[[noreturn]] void FailWithLastError() { throw EInOutError(static_cast<int>(GetLastError())); }

DWORD SizeOf(HANDLE file) {
  const DWORD size = GetFileSize(file, nullptr);
  if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) FailWithLastError();
  return size;
}

void SeekTo(HANDLE file, std::int64_t position) {
  LARGE_INTEGER where;
  where.QuadPart = position;  // a negative position fails in the system call
  if (!SetFilePointerEx(file, where, nullptr, FILE_BEGIN)) FailWithLastError();
}

void ReadExactly(HANDLE file, std::uint8_t* destination, DWORD count) {
  DWORD got = 0;
  if (!ReadFile(file, destination, count, &got, nullptr)) FailWithLastError();
  if (got != count) throw EInOutError(100);
}

}  // namespace

void ReadPackageDirectory() {
  char path[MAX_PATH + 1];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) FailWithLastError();

  FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) FailWithLastError();

  std::uint8_t bytes[PackageRecordBytes];
  SeekTo(file.get(), static_cast<std::int64_t>(SizeOf(file.get())) - 4);
  ReadExactly(file.get(), bytes, 4);
  PackageDirectory.ExpandedSize = DecodeInt32(bytes);

  SeekTo(file.get(), static_cast<std::int64_t>(SizeOf(file.get())) - 5);
  ReadExactly(file.get(), bytes, 1);
  const unsigned count = bytes[0];

  PackageDirectory.FirstEntry = nullptr;  // an earlier list is not freed: one read per run
  SeekTo(file.get(), static_cast<std::int64_t>(SizeOf(file.get())) - 5 -
                         static_cast<std::int64_t>(PackageRecordBytes) * count);
  for (unsigned i = 0; i < count; ++i) {
    ReadExactly(file.get(), bytes, PackageNameFieldBytes);
    ReadExactly(file.get(), bytes + PackageNameFieldBytes, 4);
    ReadExactly(file.get(), bytes + PackageNameFieldBytes + 4, 4);
    AppendPackageEntry(PackageDirectory, DecodePackageRecord(bytes));
  }

  if (!CloseHandle(file.release())) FailWithLastError();
}
