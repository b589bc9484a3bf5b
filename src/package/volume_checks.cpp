#include "package/volume_checks.h"

#include <cstdint>

#include "setup/core/names.h"
#include "setup/fatal.h"

const PackageIntegrity* RecordedChecks = &PackageChecks;

namespace {

// The recorded size of volume k, or -1 when none is recorded.
std::int64_t RecordedSize(int k) {
  const auto& sizes = RecordedChecks->VolumeSizes;
  return k >= 1 && static_cast<std::size_t>(k) <= sizes.size() ? sizes[k - 1] : -1;
}

std::string FileNameOf(const std::string& path) { return path.substr(DirectoryPart(path).size()); }

}  // namespace

bool IsExpectedVolume(const std::string& path, int k) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  const std::int64_t expected = RecordedSize(k);
  const std::int64_t size = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return expected < 0 || size == expected;
}

std::string VolumeProblem(HANDLE volume, const std::string& path, int k) {
  const std::int64_t expected = RecordedSize(k);
  if (expected < 0) return std::string();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(volume, &size)) ThrowLastIoError();
  if (size.QuadPart == expected) return std::string();
  return FileNameOf(path) + " holds " + std::to_string(size.QuadPart) + " bytes, but disk " + std::to_string(k) +
         " of this package holds " + std::to_string(expected) +
         ": it belongs to another package or it is damaged.";
}
