// Builds a package: the volumes, the setup's configuration source and the
// trailer that is appended to SETUP.EXE.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pkgbuild/config_writer.h"
#include "pkgbuild/manifest.h"

// Names of what `build` writes besides the volumes.
constexpr const char* ConfigFileName = "package_config.cpp";
constexpr const char* TrailerFileName = "trailer.bin";
constexpr int MaxVolumes = 3;  // the setup asks for disks 2 and 3, never a fourth

struct BuildResult {
  std::vector<std::string> VolumeNames;
  PackageFigures Figures;
  std::int32_t ExpandedSize;
};

// Compresses the main program and the files into one stream, cuts it into
// volumes of `capacity` bytes (0: the manifest's VolumeCapacity), and writes
// the volumes, package_config.cpp and trailer.bin into `outDir`, all of them
// or nothing. Throws BuildError.
BuildResult BuildPackage(const Manifest& manifest, const std::string& outDir, std::int64_t capacity = 0);

// Writes `outFile`: the setup executable with the trailer appended. Refuses a
// trailer that is not a sound package directory.
void SealSetup(const std::string& setupExe, const std::string& trailerPath, const std::string& outFile);

// Volume k (1-based) of a package whose first volume has this name.
std::string VolumeName(const std::string& firstVolumeName, int k);
