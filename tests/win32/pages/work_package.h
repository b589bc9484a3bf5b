// Packages and files for the tests of the work pages: a product made of a
// main program and appended files, compressed with the package builder's
// encoder, its trailer, and small file helpers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "test_files.h"

namespace work {

struct ProductFile {
  std::string Name;
  std::string Bytes;
};

struct TestPackage {
  std::string MainProgram;
  std::vector<ProductFile> Files;
  std::string Expanded;      // the main program followed by every file
  std::string Compressed;    // the work archive: the LZHUF code stream
  std::uint32_t Crc = 0;     // CRC-32 of Expanded

  std::int32_t ExpandedSize() const { return static_cast<std::int32_t>(Expanded.size()); }
  // The directory records, N and ExpandedSize, as appended to a setup program.
  std::string Trailer() const;
  // Fills PackageDirectory as the copy page's reading of the trailer would.
  void FillDirectory() const;
};

TestPackage MakePackage(const std::string& mainProgram, const std::vector<ProductFile>& files);

// Bytes that do not compress (a fixed pseudo-random sequence) and bytes that do.
std::string NoiseBytes(std::size_t count, std::uint32_t seed);
std::string TextBytes(std::size_t count, std::uint32_t seed);

// A fresh, empty directory under the temporary directory, trailing backslash
// included.
std::string FreshDirectory(const std::string& name);

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
bool IsFile(const std::string& path);
long long FileSize(const std::string& path);  // -1 when missing

// Whether the system refuses to open a read-only file in `dir` for writing
// (it does not when Wine runs as root: the file's permission bits do not
// bind root).
bool ReadOnlyIsEnforced(const std::string& dir);

// The text in double quotes, for command lines.
std::string Quoted(const std::string& text);

}  // namespace work
