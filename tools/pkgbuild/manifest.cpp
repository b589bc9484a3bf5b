#include "pkgbuild/manifest.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "package/core/package_directory.h"
#include "pkgbuild/build_error.h"
#include "pkgbuild/text_encoding.h"
#include "setup/core/names.h"

namespace fs = std::filesystem;

namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw BuildError(path + ": cannot be read");
  std::stringstream content;
  content << in.rdbuf();
  std::string text = content.str();
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);  // UTF-8 byte order mark

  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::string Where(const std::string& path, int line) { return path + ":" + std::to_string(line); }

// A quoted value must be all of the rest of its line.
std::string QuotedValue(const std::string& raw, const std::string& where) {
  std::size_t pos = 0;
  std::string value = ParseQuoted(raw, pos, where);
  if (!Trim(raw.substr(pos)).empty()) throw BuildError(where + ": unexpected text after the closing quote");
  return value;
}

std::uint64_t ParseNumber(const std::string& text, std::uint64_t max, const std::string& what,
                          const std::string& where) {
  std::string digits = text;
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits = digits.substr(2);
    base = 16;
  }
  if (digits.empty()) throw BuildError(where + ": " + what + " is not a number: '" + text + "'");
  std::uint64_t value = 0;
  for (const char ch : digits) {
    int d;
    if (ch >= '0' && ch <= '9') {
      d = ch - '0';
    } else if (base == 16 && ch >= 'a' && ch <= 'f') {
      d = ch - 'a' + 10;
    } else if (base == 16 && ch >= 'A' && ch <= 'F') {
      d = ch - 'A' + 10;
    } else {
      throw BuildError(where + ": " + what + " is not a number: '" + text + "'");
    }
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    if (value > max) throw BuildError(where + ": " + what + " is too large: '" + text + "'");
  }
  return value;
}

// Finds a file named in the manifest: absolute as it stands, relative next to
// the manifest and then in each search directory.
std::string Resolve(const std::string& name, const std::string& manifestPath,
                    const std::vector<std::string>& searchDirs, const std::string& where) {
  const fs::path given(name);
  std::vector<fs::path> candidates;
  if (given.is_absolute()) {
    candidates.push_back(given);
  } else {
    candidates.push_back(fs::path(manifestPath).parent_path() / given);
    for (const auto& dir : searchDirs) candidates.push_back(fs::path(dir) / given);
  }
  std::error_code ec;
  for (const auto& candidate : candidates) {
    if (fs::is_regular_file(candidate, ec)) return candidate.string();
  }
  std::string places;
  for (const auto& candidate : candidates) places += (places.empty() ? "" : ", ") + candidate.parent_path().string();
  throw BuildError(where + ": file not found: '" + name + "' (looked in " + places + ")");
}

std::string LowerAscii(std::string text) {
  for (char& ch : text) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  return text;
}

}  // namespace

std::string ParseQuoted(const std::string& text, std::size_t& pos, const std::string& where) {
  if (pos >= text.size() || text[pos] != '"') throw BuildError(where + ": expected a double-quoted string");
  std::string value;
  for (++pos; pos < text.size(); ++pos) {
    const char ch = text[pos];
    if (ch == '"') {
      ++pos;
      return value;
    }
    if (ch != '\\') {
      value += ch;
      continue;
    }
    if (++pos == text.size()) break;
    switch (text[pos]) {
      case '\\': value += '\\'; break;
      case '"': value += '"'; break;
      case 'r': value += '\r'; break;
      case 'n': value += '\n'; break;
      case 't': value += '\t'; break;
      default:
        throw BuildError(where + ": unknown escape '\\" + std::string(1, text[pos]) + "' (use \\\\ \\\" \\r \\n \\t)");
    }
  }
  throw BuildError(where + ": the closing double quote is missing");
}

std::vector<AgreementPieceText> ReadAgreement(const std::string& path) {
  std::vector<AgreementPieceText> pieces;
  const auto lines = ReadLines(path);
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string where = Where(path, static_cast<int>(n + 1));
    const std::string line = Trim(lines[n]);
    if (line.empty() || line[0] == '#') continue;
    if (line == "ProductName") {
      pieces.push_back({AgreementPieceKind::ProductName, ""});
    } else if (line == "GroupName") {
      pieces.push_back({AgreementPieceKind::GroupName, ""});
    } else if (line == "Break") {
      pieces.push_back({AgreementPieceKind::Break, ""});
    } else if (line[0] == '"') {
      std::string text = ToAnsi(QuotedValue(line, where), where);
      if (text.empty()) throw BuildError(where + ": empty fragment");
      pieces.push_back({AgreementPieceKind::Fragment, std::move(text)});
    } else {
      throw BuildError(where + ": expected ProductName, GroupName, Break or a double-quoted fragment");
    }
  }
  if (pieces.empty()) throw BuildError(path + ": the agreement has no pieces");
  return pieces;
}

Manifest ReadManifest(const std::string& path, const std::vector<std::string>& searchDirs) {
  Manifest m;
  m.Path = path;
  SetupConfigBlock& c = m.Config;
  std::map<std::string, std::string*> texts;
  for (const auto& field : ConfigTextFields) texts[field.Name] = &(c.*field.Field);
  const std::map<std::string, Colour*> colours = {
      {"GradientTop", &c.GradientTop}, {"GradientBottom", &c.GradientBottom}, {"TitleColor", &c.TitleColor}};
  const char* const others[] = {"Agreement", "MainProgram", "VolumeCapacity"};

  std::map<std::string, int> seen;  // key -> line it was first given on
  const auto lines = ReadLines(path);
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const int lineNumber = static_cast<int>(n + 1);
    const std::string where = Where(path, lineNumber);
    const std::string line = Trim(lines[n]);
    if (line.empty() || line[0] == '#') continue;

    const auto eq = line.find('=');
    if (eq == std::string::npos) throw BuildError(where + ": expected 'Key = Value'");
    const std::string key = Trim(line.substr(0, eq));
    const std::string raw = Trim(line.substr(eq + 1));
    if (key.empty() || key.find_first_of(" \t") != std::string::npos) {
      throw BuildError(where + ": expected 'Key = Value'");
    }
    const std::string value = !raw.empty() && raw[0] == '"' ? QuotedValue(raw, where) : raw;
    if (value.find('\0') != std::string::npos) throw BuildError(where + ": the value holds a NUL byte");

    if (key == "File") {
      if (value.empty()) throw BuildError(where + ": File needs a path");
      std::string source = value;
      std::string name;
      const auto as = value.rfind(" as ");
      if (as != std::string::npos) {
        source = Trim(value.substr(0, as));
        name = Trim(value.substr(as + 4));
      } else {
        name = fs::path(value).filename().string();
      }
      if (name.size() > MaxPackageNameLength) {
        throw BuildError(where + ": the file name '" + name + "' is longer than 19 characters");
      }
      if (!IsPlainFileName(name)) {
        throw BuildError(where + ": '" + name + "' is not a plain file name (no directory part, none of \\ / : * ? \" < > |, no final dot or blank, no device name such as NUL)");
      }
      if (m.Files.size() == 255) throw BuildError(where + ": more than 255 files (the setup's directory holds at most 255)");
      m.Files.push_back({Resolve(source, path, searchDirs, where), name, lineNumber});
      continue;
    }

    const auto first = seen.find(key);
    if (first != seen.end()) {
      throw BuildError(where + ": " + key + " is given twice (first on line " + std::to_string(first->second) + ")");
    }
    seen[key] = lineNumber;

    if (auto t = texts.find(key); t != texts.end()) {
      *t->second = ToAnsi(value, where);
    } else if (auto col = colours.find(key); col != colours.end()) {
      *col->second = static_cast<Colour>(ParseNumber(value, 0xFFFFFFFFu, key, where));
    } else if (key == "Agreement") {
      m.Agreement = ReadAgreement(Resolve(value, path, searchDirs, where));
    } else if (key == "MainProgram") {
      m.MainProgram = {Resolve(value, path, searchDirs, where), "", lineNumber};
    } else if (key == "VolumeCapacity") {
      m.VolumeCapacity = static_cast<std::int64_t>(ParseNumber(value, 0x7FFFFFFF, key, where));
      if (m.VolumeCapacity == 0) throw BuildError(where + ": VolumeCapacity must be at least 1");
    } else if (key == "VolumeCount") {
      throw BuildError(where + ": VolumeCount is not set in the manifest: the builder counts the volumes it writes");
    } else {
      throw BuildError(where + ": unknown key '" + key + "'");
    }
  }

  std::vector<std::string> required;
  for (const auto& t : colours) required.push_back(t.first);
  for (const auto& t : texts) required.push_back(t.first);
  for (const char* other : others) required.push_back(other);
  for (const auto& key : required) {
    if (key != "VolumeCapacity" && seen.count(key) == 0) throw BuildError(path + ": the required key '" + key + "' is missing");
  }
  if (m.Files.empty()) throw BuildError(path + ": no File is given (the package needs at least one besides the main program)");
  if (c.MainProgramName.empty() || c.FirstVolumeName.empty() || c.WorkArchiveName.empty()) {
    throw BuildError(path + ": MainProgramName, FirstVolumeName and WorkArchiveName must not be empty");
  }
  // The setup joins these names to its own and to the destination directory.
  const std::pair<const char*, std::string> setupNames[] = {
      {"MainProgramName", c.MainProgramName}, {"FirstVolumeName", c.FirstVolumeName}, {"WorkArchiveName", c.WorkArchiveName}};
  for (const auto& [key, name] : setupNames) {
    if (!IsPlainFileName(name)) throw BuildError(Where(path, seen[key]) + ": " + key + " '" + name + "' is not a plain file name");
  }
  if (LowerAscii(c.MainProgramName) == LowerAscii(c.WorkArchiveName)) {
    throw BuildError(Where(path, seen["WorkArchiveName"]) + ": WorkArchiveName must differ from MainProgramName");
  }

  // Two files of one name would overwrite each other; a file named like the
  // main program or the work archive would be overwritten while it is made.
  std::map<std::string, std::string> taken = {{LowerAscii(c.MainProgramName), "MainProgramName"},
                                              {LowerAscii(c.WorkArchiveName), "WorkArchiveName"}};
  for (const auto& file : m.Files) {
    const auto [it, fresh] = taken.emplace(LowerAscii(file.Name), "line " + std::to_string(file.Line));
    if (!fresh) {
      throw BuildError(Where(path, file.Line) + ": the name '" + file.Name + "' is already used by " + it->second);
    }
  }
  return m;
}
