// The package directory as the setup reads it from the end of SETUP.EXE
// (layout in package/core/package_directory.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TrailerEntry {
  std::string Name;  // at most 19 characters
  std::int32_t Offset;
  std::int32_t Size;
};

std::vector<std::uint8_t> EncodePackageTrailer(const std::vector<TrailerEntry>& entries, std::int32_t expandedSize);
