// The package builder's readers of a package definition: any manifest text
// and any agreement text. Either the reader refuses with a BuildError (any
// other exception, a crash or a hang is a finding), or what it accepts is
// something the setup can use: plain names for the main program, the first
// volume and the work archive, the first and the last different; at least
// one and at most 255 files, each under a plain name of at most 19
// characters, no two names alike and none taking the main program's or the
// work archive's name; an agreement with pieces.
//
// The input is the manifest, then a line "%%", then the agreement. Both are
// written to a scratch folder that also holds a few files a manifest can name
// (main.exe, one.dat, two.dat, sub/three.dat).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "package/core/package_directory.h"
#include "pkgbuild/build_error.h"
#include "pkgbuild/manifest.h"

namespace fs = std::filesystem;

// Stops with the broken condition named, so that a finding says what it broke.
#define Require(condition) \
  ((condition) ? (void)0 : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition), std::abort()))

namespace {

void Put(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

const fs::path& Scratch() {
  static const fs::path dir = [] {
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    const fs::path d = base / ("manifest_fuzz." + std::to_string(getpid()));
    fs::create_directories(d / "sub");
    Put(d / "main.exe", "MZ main program");
    Put(d / "one.dat", "one");
    Put(d / "two.dat", "");
    Put(d / "sub" / "three.dat", "three");
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(Scratch(), ec);
    });
    return d;
  }();
  return dir;
}

std::string Lower(std::string text) {
  for (char& ch : text) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  return text;
}

void CheckAgreement(const std::vector<AgreementPieceText>& pieces) {
  Require(!pieces.empty());
  for (const auto& piece : pieces) {
    Require(piece.Kind == AgreementPieceKind::Fragment ? !piece.Text.empty() : piece.Text.empty());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const auto split = input.find("\n%%\n");
  const std::string manifest = input.substr(0, split);
  const std::string agreement = split == std::string::npos ? std::string() : input.substr(split + 4);

  const fs::path dir = Scratch();
  Put(dir / "manifest.txt", manifest);
  Put(dir / "agreement.txt", agreement);

  try {
    CheckAgreement(ReadAgreement((dir / "agreement.txt").string()));
  } catch (const BuildError&) {
  }

  try {
    const Manifest m = ReadManifest((dir / "manifest.txt").string(), {(dir / "sub").string()});
    CheckAgreement(m.Agreement);
    Require(fs::is_regular_file(m.MainProgram.Source));
    Require(!m.Files.empty() && m.Files.size() <= 255);
    Require(m.VolumeCapacity >= 1);
    const SetupConfigBlock& c = m.Config;
    Require(IsPlainFileName(c.MainProgramName) && IsPlainFileName(c.FirstVolumeName) &&
            IsPlainFileName(c.WorkArchiveName));
    Require(c.VolumeCount == 0);
    std::set<std::string> names = {Lower(c.MainProgramName), Lower(c.WorkArchiveName)};
    Require(names.size() == 2);
    const std::size_t reserved = names.size();
    for (const auto& file : m.Files) {
      Require(file.Name.size() <= 19 && IsPlainFileName(file.Name));
      Require(fs::is_regular_file(file.Source));
      names.insert(Lower(file.Name));
    }
    Require(names.size() == reserved + m.Files.size());  // no name given twice
  } catch (const BuildError&) {
  }
  return 0;
}
