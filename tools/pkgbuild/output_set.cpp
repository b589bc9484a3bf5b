#include "pkgbuild/output_set.h"

#include <filesystem>
#include <fstream>

#include "pkgbuild/build_error.h"

namespace fs = std::filesystem;

namespace {

std::string TemporaryName(const std::string& name) { return "." + name + ".pkgbuild-part"; }

}  // namespace

OutputSet::OutputSet(const std::string& directory) : directory_(directory.empty() ? "." : directory) {
  std::error_code ec;
  if (!fs::is_directory(directory_, ec)) {
    if (!fs::create_directories(directory_, ec) || ec) {
      throw BuildError("cannot create the output directory '" + directory_ + "': " + ec.message());
    }
    createdDirectory_ = true;
  }
}

OutputSet::~OutputSet() {
  if (!committed_) Rollback();
}

std::string OutputSet::PathOf(const std::string& name) const { return (fs::path(directory_) / name).string(); }

void OutputSet::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  const std::string path = PathOf(TemporaryName(name));
  names_.push_back(name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw BuildError("cannot write '" + path + "'");
}

void OutputSet::Write(const std::string& name, const std::string& text) {
  Write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
}

void OutputSet::Commit() {
  for (const auto& name : names_) {
    std::error_code ec;
    fs::rename(PathOf(TemporaryName(name)), PathOf(name), ec);
    if (ec) throw BuildError("cannot rename into '" + PathOf(name) + "': " + ec.message());
  }
  committed_ = true;
}

void OutputSet::Rollback() noexcept {
  std::error_code ec;
  for (const auto& name : names_) fs::remove(PathOf(TemporaryName(name)), ec);
  if (createdDirectory_ && fs::is_empty(directory_, ec)) fs::remove(directory_, ec);
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw BuildError("cannot read '" + path + "'");
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw BuildError("cannot read '" + path + "'");
  return bytes;
}
