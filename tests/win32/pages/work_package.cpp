#include "work_package.h"

#include <windows.h>

#include <fstream>
#include <sstream>

#include "expand/core/crc32.h"
#include "package/core/package_directory.h"
#include "pkgbuild/lzh_encoder.h"

namespace work {

namespace {

void PutInt32(std::string& out, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint32_t Next(std::uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

}  // namespace

TestPackage MakePackage(const std::string& mainProgram, const std::vector<ProductFile>& files) {
  TestPackage p;
  p.MainProgram = mainProgram;
  p.Files = files;
  p.Expanded = mainProgram;
  for (const auto& f : files) p.Expanded += f.Bytes;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(p.Expanded.data());
  const std::vector<std::uint8_t> code = EncodeLzh(bytes, p.Expanded.size());
  p.Compressed.assign(code.begin(), code.end());
  p.Crc = Crc32Update(Crc32Start, bytes, p.Expanded.size());
  return p;
}

std::string TestPackage::Trailer() const {
  std::string out;
  std::int32_t offset = static_cast<std::int32_t>(MainProgram.size());
  for (const auto& f : Files) {
    std::string field(20, '\0');
    field[0] = static_cast<char>(f.Name.size());
    field.replace(1, f.Name.size(), f.Name);
    out += field.substr(0, 20);
    PutInt32(out, offset);
    PutInt32(out, static_cast<std::int32_t>(f.Bytes.size()));
    offset += static_cast<std::int32_t>(f.Bytes.size());
  }
  out.push_back(static_cast<char>(Files.size()));
  PutInt32(out, ExpandedSize());
  return out;
}

void TestPackage::FillDirectory() const {
  FreePackageDirectory();
  PackageDirectory.ExpandedSize = ExpandedSize();
  std::int32_t offset = static_cast<std::int32_t>(MainProgram.size());
  for (const auto& f : Files) {
    auto* entry = new PackageEntry{f.Name, offset, static_cast<std::int32_t>(f.Bytes.size()), nullptr};
    AppendPackageEntry(PackageDirectory, entry);
    offset += static_cast<std::int32_t>(f.Bytes.size());
  }
}

std::string NoiseBytes(std::size_t count, std::uint32_t seed) {
  std::string out(count, '\0');
  for (auto& c : out) c = static_cast<char>(Next(seed));
  return out;
}

std::string TextBytes(std::size_t count, std::uint32_t seed) {
  static const char* const words[] = {"track ", "signal ", "points ", "gantry ", "Ferrovale ", "\r\n",
                                      "timetable ", "depot ", "shunting ", "platform "};
  std::string out;
  while (out.size() < count) out += words[Next(seed) % 10];
  out.resize(count);
  return out;
}

std::string FreshDirectory(const std::string& name) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  std::string dir = std::string(temp) + name;
  RemoveTree(dir + "\\");
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir + "\\";
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool IsFile(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool ReadOnlyIsEnforced(const std::string& dir) {
  const std::string probe = dir + "probe";
  WriteBytes(probe, "x");
  SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_READONLY);
  HANDLE h = CreateFileA(probe.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  const bool enforced = h == INVALID_HANDLE_VALUE;
  if (!enforced) CloseHandle(h);
  SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(probe.c_str());
  return enforced;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace work
