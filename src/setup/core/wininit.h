// The text of WinInit.Ini as the rename list keeps it: every line another
// program left stays where it is; this run's rename lines go to the end of the
// "[Rename]" section, which is added at the end when the file has none.
#pragma once

#include <string>
#include <vector>

class WinInitText {
 public:
  // Splits existing content into lines (CR LF, LF or CR endings).
  explicit WinInitText(const std::string& existing = std::string());

  // Adds a "[Rename]" line at the end when no section of that name exists.
  void EnsureRenameSection();

  // Appends a line at the end of the first "[Rename]" section (behind its
  // last non-blank line).
  void AppendRename(const std::string& line);

  // Removes the last line equal to the given one; false when there is none.
  bool Withdraw(const std::string& line);

  // Every line followed by CR LF.
  std::string Text() const;

  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  // Index of the first "[Rename]" header (case ignored), or -1.
  long RenameHeader() const;

  std::vector<std::string> lines_;
};
