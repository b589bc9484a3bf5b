#include "pkgbuild/trailer_writer.h"

#include "package/core/package_directory.h"
#include "pkgbuild/build_error.h"

namespace {

void PutInt32(std::vector<std::uint8_t>& out, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(bits >> shift));
}

}  // namespace

std::vector<std::uint8_t> EncodePackageTrailer(const std::vector<TrailerEntry>& entries, std::int32_t expandedSize) {
  if (entries.size() > 255) throw BuildError("more than 255 files (the setup's directory holds at most 255)");
  std::vector<std::uint8_t> out;
  for (const auto& e : entries) {
    if (e.Name.size() > MaxPackageNameLength) throw BuildError("the file name '" + e.Name + "' is longer than 19 characters");
    out.push_back(static_cast<std::uint8_t>(e.Name.size()));
    std::string field = e.Name;
    field.resize(MaxPackageNameLength, '\0');
    out.insert(out.end(), field.begin(), field.end());
    PutInt32(out, e.Offset);
    PutInt32(out, e.Size);
  }
  out.push_back(static_cast<std::uint8_t>(entries.size()));
  PutInt32(out, expandedSize);
  return out;
}
