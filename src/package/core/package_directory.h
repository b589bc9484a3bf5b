// The package directory: which product files follow the main program in the
// expanded stream, and where. It travels in a trailer at the end of the setup
// executable, found only by counting back from the file's end (little-endian):
//
//   S - 5 - 28 N   N records of 28 bytes, first entry first:
//                    1 byte name length L, 19 bytes name (first L used),
//                    4 bytes Offset, 4 bytes Size (signed)
//   S - 5          1 byte N (0..255)
//   S - 4          4 bytes ExpandedSize (signed): length of the expanded stream
//
// The trailer has no signature or checksum. The parsing here is portable; the
// Win32 reader (package/read_package_directory.h) does the file operations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct PackageEntry {
  std::string Name;
  std::int32_t Offset;  // position of the file's first byte in the expanded stream
  std::int32_t Size;    // length of the file in bytes
  PackageEntry* Next;   // null for the last entry
};

struct PackageDirectoryRecord {
  PackageEntry* FirstEntry;  // null while the directory is empty
  PackageEntry* LastEntry;   // the entry appended last (the expansion reuses it as its cursor)
  std::int32_t ExpandedSize;
};

// The run's package directory: read on the copy page, walked and freed by the
// expansion.
extern PackageDirectoryRecord PackageDirectory;

constexpr std::size_t PackageRecordBytes = 28;
constexpr std::size_t PackageNameFieldBytes = 20;  // length byte and 19 characters
constexpr std::size_t MaxPackageNameLength = 19;
constexpr std::size_t PackageTrailerTailBytes = 5;  // N and ExpandedSize

// A signed 32-bit little-endian value.
std::int32_t DecodeInt32(const std::uint8_t* bytes);

// One 28-byte record as a new entry (Next null). A length byte above 19 is
// kept as the name's length, the characters past the 19 stored ones reading
// as zero bytes, so that validation can refuse it; nothing beyond the name
// field is read into the name.
PackageEntry* DecodePackageRecord(const std::uint8_t* record);

// Appends an entry at the end of the list and makes it LastEntry.
void AppendPackageEntry(PackageDirectoryRecord& directory, PackageEntry* entry);

// Frees every entry and leaves the directory empty (ExpandedSize stays).
void FreePackageDirectory(PackageDirectoryRecord& directory = PackageDirectory);

// Reads a whole trailer from the end of a file image held in memory, in the
// same order as the file reader. Returns false, with the directory left empty,
// when the image is too short to hold what its last bytes announce.
bool ParsePackageTrailer(const std::uint8_t* image, std::size_t size, PackageDirectoryRecord& directory);

// Checks what the setup relies on before it installs anything: at least one
// entry; plain file names of at most 19 characters; offsets and sizes not
// negative; every entry inside the expanded stream and at or after the first
// entry's offset (the end of the main program); ExpandedSize equal to the end
// of the last entry. Returns an empty text when the directory is sound, else
// a message naming the first problem found.
std::string ValidatePackageDirectory(const PackageDirectoryRecord& directory);

// Whether a name can be used as a plain file name in a directory: not empty,
// no "\", "/", ":", wildcard or control characters, not "." or "..", no
// final "." or blank, and not a device name such as NUL or COM1 (with or
// without an extension).
bool IsPlainFileName(const std::string& name);
