// The setup executable's trailer as a damaged or foreign file may hold it:
// any bytes. Parsing must never read outside the image, and a directory that
// validates must be one the expansion can follow safely: every name a plain
// file name that stays in the directory it is joined to (also after the
// ".$$$" redirection), and every entry inside the expanded stream.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "package/core/package_directory.h"
#include "setup/core/names.h"

// Stops with the broken condition named, so that a finding says what it broke.
#define Require(condition) \
  ((condition) ? (void)0 : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition), std::abort()))

namespace {

// The checks of a joined path, made independently of IsPlainFileName.
void RequireInside(const std::string& name) {
  Require(!name.empty() && name.size() <= 20);
  Require(name.find_first_of(std::string("\\/:\0", 4)) == std::string::npos);
  Require(name != "." && name != "..");
  const std::string dir = "C:\\Program Files\\Ferrovale";
  const std::string path = JoinPath(dir, name);
  Require(DirectoryPart(path) == dir + "\\");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly the input's size, so that a read past its end is seen.
  const std::vector<std::uint8_t> image(data, data + size);
  PackageDirectoryRecord directory{nullptr, nullptr, 0};
  const bool parsed = ParsePackageTrailer(image.data(), image.size(), directory);

  if (!parsed) {
    Require(directory.FirstEntry == nullptr && directory.LastEntry == nullptr);
    Require(size < 5 || size - 5 < 28u * image[size - 5]);
    return 0;
  }

  // Records in file order, as many as the count byte says.
  const std::size_t count = image[size - 5];
  const std::size_t recordsAt = size - 5 - 28 * count;
  std::size_t n = 0;
  for (const PackageEntry* e = directory.FirstEntry; e != nullptr; e = e->Next, ++n) {
    const std::uint8_t* record = image.data() + recordsAt + 28 * n;
    Require(e->Name.size() == record[0]);
    Require(e->Offset == DecodeInt32(record + 20) && e->Size == DecodeInt32(record + 24));
    if (e->Next == nullptr) Require(e == directory.LastEntry);
  }
  Require(n == count);
  Require(directory.ExpandedSize == DecodeInt32(image.data() + size - 4));

  if (ValidatePackageDirectory(directory).empty()) {
    const PackageEntry* first = directory.FirstEntry;
    Require(first != nullptr);
    std::int64_t lastEnd = 0;
    for (const PackageEntry* e = first; e != nullptr; e = e->Next) {
      RequireInside(e->Name);
      Require(e->Name.size() <= 19 && IsPlainFileName(e->Name));
      // The name an entry gets when its file cannot be created.
      RequireInside(ReplaceExtension(e->Name, ".$$$").substr(0, 20));
      Require(e->Offset >= first->Offset && e->Size >= 0);
      lastEnd = static_cast<std::int64_t>(e->Offset) + e->Size;
      Require(lastEnd <= directory.ExpandedSize);
    }
    Require(lastEnd == directory.ExpandedSize);
  }
  FreePackageDirectory(directory);
  Require(directory.FirstEntry == nullptr && directory.LastEntry == nullptr);
  return 0;
}
