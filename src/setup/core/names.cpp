#include "setup/core/names.h"

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '\\') return dir + name;
  return dir + '\\' + name;
}

static std::string::size_type ExtensionStart(const std::string& name) {
  const auto dot = name.rfind('.');
  if (dot == std::string::npos) return std::string::npos;
  const auto sep = name.find_last_of("\\:");
  if (sep != std::string::npos && sep > dot) return std::string::npos;
  return dot;
}

std::string ExtensionOf(const std::string& name) {
  const auto start = ExtensionStart(name);
  return start == std::string::npos ? std::string() : name.substr(start);
}

std::string ReplaceExtension(const std::string& name, const std::string& ext) {
  const auto start = ExtensionStart(name);
  return (start == std::string::npos ? name : name.substr(0, start)) + ext;
}

std::string UpperCaseAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string DirectoryPart(const std::string& path) {
  const auto sep = path.find_last_of("\\:");
  return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}
