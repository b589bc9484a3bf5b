// The integrity checks of the work pages, against the figures the package
// builder recorded (PackageChecks): the size of each volume and the CRC-32 of
// the expanded stream. A package built without them has none, and then every
// volume of the right name passes and no checksum is compared.
#pragma once

#include <windows.h>

#include <string>

#include "setup/core/config.h"

// The figures the checks use: the package's own. Tests point this at figures
// of their own.
extern const PackageIntegrity* RecordedChecks;

// Whether volume k (1 to 3) at path is there (a file, not a directory) with
// the recorded size.
bool IsExpectedVolume(const std::string& path, int k);

// For an open volume k: an empty text when its size is the recorded one (or
// none is recorded), else a message that says what is wrong.
std::string VolumeProblem(HANDLE volume, const std::string& path, int k);
