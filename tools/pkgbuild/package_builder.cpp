#include "pkgbuild/package_builder.h"

#include <filesystem>
#include <limits>

#include "expand/core/crc32.h"
#include "package/core/package_directory.h"
#include "pkgbuild/build_error.h"
#include "pkgbuild/lzh_encoder.h"
#include "pkgbuild/output_set.h"
#include "pkgbuild/trailer_writer.h"
#include "setup/core/names.h"

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t MaxStreamSize = std::numeric_limits<std::int32_t>::max();

// The expanded stream: the main program, then every file in order.
std::vector<std::uint8_t> JoinFiles(const Manifest& manifest, std::vector<TrailerEntry>& entries) {
  std::vector<const PackageFile*> parts = {&manifest.MainProgram};
  for (const auto& file : manifest.Files) parts.push_back(&file);

  std::int64_t total = 0;
  for (const PackageFile* part : parts) {
    std::error_code ec;
    const auto size = fs::file_size(part->Source, ec);
    if (ec) throw BuildError("cannot read '" + part->Source + "': " + ec.message());
    total += static_cast<std::int64_t>(size);
    if (total > MaxStreamSize) {
      throw BuildError("the package is larger than 2147483647 bytes when '" + part->Source + "' is added");
    }
  }

  std::vector<std::uint8_t> stream;
  stream.reserve(static_cast<std::size_t>(total));
  for (const PackageFile* part : parts) {
    const auto bytes = ReadWholeFile(part->Source);
    if (part != &manifest.MainProgram) {
      entries.push_back({part->Name, static_cast<std::int32_t>(stream.size()), static_cast<std::int32_t>(bytes.size())});
    }
    stream.insert(stream.end(), bytes.begin(), bytes.end());
    if (static_cast<std::int64_t>(stream.size()) > MaxStreamSize) {
      throw BuildError("the package is larger than 2147483647 bytes when '" + part->Source + "' is added");
    }
  }
  return stream;
}

}  // namespace

std::string VolumeName(const std::string& firstVolumeName, int k) {
  if (k == 1) return firstVolumeName;
  return ReplaceExtension(firstVolumeName, k == 2 ? ".002" : ".003");
}

BuildResult BuildPackage(const Manifest& manifest, const std::string& outDir, std::int64_t capacity) {
  if (capacity <= 0) capacity = manifest.VolumeCapacity;
  const std::string& first = manifest.Config.FirstVolumeName;
  if (!IsPlainFileName(first)) throw BuildError("FirstVolumeName '" + first + "' is not a plain file name");
  if (VolumeName(first, 2) == first) {
    throw BuildError("FirstVolumeName '" + first + "' must not end in .002 or .003: its followers take those names");
  }

  std::vector<TrailerEntry> entries;
  const std::vector<std::uint8_t> expanded = JoinFiles(manifest, entries);
  const auto expandedSize = static_cast<std::int32_t>(expanded.size());
  const std::vector<std::uint8_t> stream = EncodeLzh(expanded);
  if (DecodeLzh(stream, expandedSize) != expanded) {
    throw BuildError("internal error: the compressed stream does not expand back to the package");
  }
  if (static_cast<std::int64_t>(stream.size()) > MaxStreamSize) {
    throw BuildError("the compressed package is larger than 2147483647 bytes");
  }

  const std::int64_t volumeCount =
      std::max<std::int64_t>(1, (static_cast<std::int64_t>(stream.size()) + capacity - 1) / capacity);
  if (volumeCount > MaxVolumes) {
    throw BuildError("the compressed package (" + std::to_string(stream.size()) + " bytes) needs " +
                     std::to_string(volumeCount) + " volumes of " + std::to_string(capacity) +
                     " bytes; the setup reads at most 3");
  }

  BuildResult result;
  result.ExpandedSize = expandedSize;
  result.Figures.VolumeCount = static_cast<std::int32_t>(volumeCount);
  result.Figures.TotalVolumeSize = static_cast<std::int32_t>(stream.size());
  result.Figures.ExpandedCrc = Crc32Update(Crc32Start, expanded.data(), expanded.size());

  const std::vector<std::uint8_t> trailer = EncodePackageTrailer(entries, expandedSize);
  {
    PackageDirectoryRecord check{nullptr, nullptr, 0};
    ParsePackageTrailer(trailer.data(), trailer.size(), check);
    const std::string problem = ValidatePackageDirectory(check);
    FreePackageDirectory(check);
    if (!problem.empty()) throw BuildError("the package directory would be refused: " + problem);
  }

  OutputSet out(outDir);
  for (int k = 1; k <= volumeCount; ++k) {
    const std::size_t begin = static_cast<std::size_t>((k - 1) * capacity);
    const std::size_t end = std::min(stream.size(), static_cast<std::size_t>(k * capacity));
    const std::vector<std::uint8_t> volume(stream.begin() + static_cast<std::ptrdiff_t>(begin),
                                           stream.begin() + static_cast<std::ptrdiff_t>(end));
    result.VolumeNames.push_back(VolumeName(first, k));
    result.Figures.VolumeSizes.push_back(static_cast<std::int32_t>(volume.size()));
    out.Write(result.VolumeNames.back(), volume);
  }
  out.Write(ConfigFileName, ConfigSource(manifest, result.Figures));
  out.Write(TrailerFileName, trailer);
  out.Commit();

  // Followers of an earlier, larger build would pass for this package's disks.
  for (int k = static_cast<int>(volumeCount) + 1; k <= MaxVolumes; ++k) {
    std::error_code ec;
    fs::remove(out.PathOf(VolumeName(first, k)), ec);
  }
  return result;
}

void SealSetup(const std::string& setupExe, const std::string& trailerPath, const std::string& outFile) {
  std::vector<std::uint8_t> image = ReadWholeFile(setupExe);
  const std::vector<std::uint8_t> trailer = ReadWholeFile(trailerPath);

  PackageDirectoryRecord check{nullptr, nullptr, 0};
  std::string problem = "it is too short";
  if (ParsePackageTrailer(trailer.data(), trailer.size(), check)) {
    problem = ValidatePackageDirectory(check);
    const std::size_t count = trailer[trailer.size() - PackageTrailerTailBytes];
    if (problem.empty() && trailer.size() != PackageRecordBytes * count + PackageTrailerTailBytes) {
      problem = "it has bytes in front of its records";
    }
  }
  FreePackageDirectory(check);
  if (!problem.empty()) throw BuildError("'" + trailerPath + "' is not a sound package directory: " + problem);

  image.insert(image.end(), trailer.begin(), trailer.end());
  const fs::path target(outFile);
  OutputSet out(target.parent_path().string());
  out.Write(target.filename().string(), image);
  out.Commit();
}
