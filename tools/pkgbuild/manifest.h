// The package definition: a small text file of `Key = Value` lines.
//
//   # comment lines start with '#'; blank lines are skipped
//   GradientTop = 0x00FF0000        colours: hex (0x...) or decimal
//   ProductName = Ferrovale         a value is the trimmed rest of the line,
//   NoticeText = "(c) Somebody "    or a double-quoted string with the escapes
//                                   \\ \" \r \n \t
//   Agreement = agreement.txt       the licence agreement's pieces (see below)
//   MainProgram = Gantrell.Exe      the file the expanded stream starts with
//   File = Gantrell.Hlp             further files, in order; stored under their
//   File = build/x.dat as Data.Dat  base name, or under the name after " as "
//   VolumeCapacity = 1457664        optional; bytes per volume
//
// Every field of the setup's configuration block but VolumeCount is required
// (the builder counts the volumes it writes). Paths are looked up next to the
// manifest first, then in each search directory in turn.
//
// The agreement file holds one piece per line: ProductName, GroupName, Break
// (a paragraph break) or a double-quoted fragment; '#' comments and blank
// lines are skipped.
//
// Texts may be written in Windows-1252 or UTF-8 (converted to Windows-1252).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "setup/core/config.h"

struct PackageFile {
  std::string Source;  // resolved path of the file to pack
  std::string Name;    // name the setup gives it
  int Line;            // manifest line that named it
};

struct AgreementPieceText {
  AgreementPieceKind Kind;
  std::string Text;  // the fragment; empty for the other kinds
};

constexpr std::int64_t DefaultVolumeCapacity = 1457664;  // one 3.5-inch HD disk

struct Manifest {
  std::string Path;
  SetupConfigBlock Config{};  // VolumeCount stays 0: the builder fills it in
  std::vector<AgreementPieceText> Agreement;
  PackageFile MainProgram;
  std::vector<PackageFile> Files;
  std::int64_t VolumeCapacity = DefaultVolumeCapacity;
};

// Reads and checks a manifest and its agreement file; throws BuildError with
// "file:line: problem" for the first problem found.
Manifest ReadManifest(const std::string& path, const std::vector<std::string>& searchDirs);

// Reads an agreement file (see above).
std::vector<AgreementPieceText> ReadAgreement(const std::string& path);

// Parses a double-quoted string with the escapes \\ \" \r \n \t, from
// text[pos] (the opening quote) on; pos ends behind the closing quote.
// Throws BuildError(where + ": ...") when it is not well-formed.
std::string ParseQuoted(const std::string& text, std::size_t& pos, const std::string& where);
