#include "setup/core/wininit.h"

#include "setup/core/names.h"

WinInitText::WinInitText(const std::string& existing) {
  std::string line;
  for (std::string::size_type i = 0; i < existing.size(); ++i) {
    const char c = existing[i];
    if (c == '\r' || c == '\n') {
      lines_.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < existing.size() && existing[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines_.push_back(line);
}

static std::string Trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

static bool IsSectionHeader(const std::string& line) {
  const std::string t = Trimmed(line);
  return t.size() >= 2 && t.front() == '[' && t.back() == ']';
}

long WinInitText::RenameHeader() const {
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (UpperCaseAscii(Trimmed(lines_[i])) == "[RENAME]") return static_cast<long>(i);
  return -1;
}

void WinInitText::EnsureRenameSection() {
  if (RenameHeader() < 0) lines_.push_back("[Rename]");
}

void WinInitText::AppendRename(const std::string& line) {
  EnsureRenameSection();
  std::size_t at = static_cast<std::size_t>(RenameHeader()) + 1;
  std::size_t insert = at;  // behind the last non-blank line of the section
  for (; at < lines_.size() && !IsSectionHeader(lines_[at]); ++at)
    if (!Trimmed(lines_[at]).empty()) insert = at + 1;
  lines_.insert(lines_.begin() + static_cast<long>(insert), line);
}

bool WinInitText::Withdraw(const std::string& line) {
  for (std::size_t i = lines_.size(); i-- > 0;) {
    if (lines_[i] == line) {
      lines_.erase(lines_.begin() + static_cast<long>(i));
      return true;
    }
  }
  return false;
}

std::string WinInitText::Text() const {
  std::string text;
  for (const auto& line : lines_) text += line + "\r\n";
  return text;
}
