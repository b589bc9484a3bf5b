// The setup's configuration source for one package: the definitions of
// SetupConfig, TotalVolumeSize, AgreementPieces and PackageChecks that
// setup/core/config.h declares, compiled into that package's SETUP.EXE.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pkgbuild/manifest.h"

// A C++ string literal that holds exactly these bytes: quotes, backslashes,
// control characters and every byte above 0x7E are escaped.
std::string CStringLiteral(const std::string& bytes);

struct PackageFigures {
  std::int32_t VolumeCount;
  std::vector<std::int32_t> VolumeSizes;
  std::int32_t TotalVolumeSize;
  std::uint32_t ExpandedCrc;
};

std::string ConfigSource(const Manifest& manifest, const PackageFigures& figures);
