// pkgbuild: builds a ready-to-ship setup package from a package definition.
//
//   pkgbuild build MANIFEST --out DIR [--search DIR]... [--capacity N]
//   pkgbuild seal SETUP_EXE TRAILER --out FILE
//   pkgbuild encode IN OUT
//   pkgbuild decode --size N IN OUT
//
// Errors are reported on one line on stderr, with exit code 1.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "pkgbuild/build_error.h"
#include "pkgbuild/lzh_encoder.h"
#include "pkgbuild/manifest.h"
#include "pkgbuild/output_set.h"
#include "pkgbuild/package_builder.h"

namespace fs = std::filesystem;

namespace {

const char* const Usage =
    "usage: pkgbuild build MANIFEST --out DIR [--search DIR]... [--capacity N]\n"
    "       pkgbuild seal SETUP_EXE TRAILER --out FILE\n"
    "       pkgbuild encode IN OUT\n"
    "       pkgbuild decode --size N IN OUT\n";

// Options of the form "--name value" and the remaining plain arguments.
struct Arguments {
  std::vector<std::string> plain;
  std::vector<std::pair<std::string, std::string>> options;

  Arguments(int argc, char** argv, int from) {
    for (int i = from; i < argc; ++i) {
      const std::string arg = argv[i];
      if (arg.rfind("--", 0) == 0) {
        if (i + 1 >= argc) throw BuildError("the option " + arg + " needs a value");
        options.emplace_back(arg, argv[++i]);
      } else {
        plain.push_back(arg);
      }
    }
  }
  std::vector<std::string> All(const std::string& name) const {
    std::vector<std::string> values;
    for (const auto& [key, value] : options) {
      if (key == name) values.push_back(value);
    }
    return values;
  }
  std::string One(const std::string& name, bool required) const {
    const auto values = All(name);
    if (values.size() > 1) throw BuildError("the option " + name + " is given more than once");
    if (values.empty() && required) throw BuildError("the option " + name + " is required");
    return values.empty() ? "" : values[0];
  }
  void Expect(std::size_t count, const std::vector<std::string>& known) const {
    if (plain.size() != count) throw BuildError("wrong number of arguments (run pkgbuild alone for its usage)");
    for (const auto& option : options) {
      bool ok = false;
      for (const auto& k : known) ok = ok || option.first == k;
      if (!ok) throw BuildError("unknown option " + option.first);
    }
  }
};

std::int64_t ParseCount(const std::string& text, const std::string& what) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 10) {
    throw BuildError(what + " is not a number: '" + text + "'");
  }
  const std::int64_t value = std::stoll(text);
  if (value > 0x7FFFFFFF) throw BuildError(what + " is too large: '" + text + "'");
  return value;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const fs::path target(path);
  OutputSet out(target.parent_path().string());
  out.Write(target.filename().string(), bytes);
  out.Commit();
}

int Build(const Arguments& args) {
  args.Expect(1, {"--out", "--search", "--capacity"});
  const std::string outDir = args.One("--out", true);
  const std::string capacityText = args.One("--capacity", false);
  const std::int64_t capacity = capacityText.empty() ? 0 : ParseCount(capacityText, "--capacity");
  if (!capacityText.empty() && capacity == 0) throw BuildError("--capacity must be at least 1");

  const Manifest manifest = ReadManifest(args.plain[0], args.All("--search"));
  const BuildResult result = BuildPackage(manifest, outDir, capacity);

  std::printf("%s: %d file(s) after the main program, %d bytes expanded, CRC-32 %08X\n", manifest.Path.c_str(),
              static_cast<int>(manifest.Files.size()), static_cast<int>(result.ExpandedSize),
              static_cast<unsigned>(result.Figures.ExpandedCrc));
  for (std::size_t k = 0; k < result.VolumeNames.size(); ++k) {
    std::printf("  %s: %d bytes\n", result.VolumeNames[k].c_str(), static_cast<int>(result.Figures.VolumeSizes[k]));
  }
  std::printf("  total %d bytes in %d volume(s) (%.1f%% of the expanded size); wrote %s and %s to %s\n",
              static_cast<int>(result.Figures.TotalVolumeSize), static_cast<int>(result.Figures.VolumeCount),
              result.ExpandedSize ? 100.0 * result.Figures.TotalVolumeSize / result.ExpandedSize : 0.0,
              ConfigFileName, TrailerFileName, outDir.c_str());
  return 0;
}

int Seal(const Arguments& args) {
  args.Expect(2, {"--out"});
  SealSetup(args.plain[0], args.plain[1], args.One("--out", true));
  return 0;
}

int Encode(const Arguments& args) {
  args.Expect(2, {});
  const auto input = ReadWholeFile(args.plain[0]);
  if (input.size() > 0x7FFFFFFF) throw BuildError("'" + args.plain[0] + "' is larger than 2147483647 bytes");
  WriteFile(args.plain[1], EncodeLzh(input));
  return 0;
}

int Decode(const Arguments& args) {
  args.Expect(2, {"--size"});
  const std::int64_t size = ParseCount(args.One("--size", true), "--size");
  WriteFile(args.plain[1], DecodeLzh(ReadWholeFile(args.plain[0]), static_cast<std::int32_t>(size)));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(Usage, stderr);
    return 1;
  }
  const std::string command = argv[1];
  try {
    const Arguments args(argc, argv, 2);
    if (command == "build") return Build(args);
    if (command == "seal") return Seal(args);
    if (command == "encode") return Encode(args);
    if (command == "decode") return Decode(args);
    throw BuildError("unknown command '" + command + "' (run pkgbuild alone for its usage)");
  } catch (const BuildError& e) {
    std::fprintf(stderr, "pkgbuild: %s\n", e.what());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pkgbuild: %s\n", e.what());
  }
  return 1;
}
