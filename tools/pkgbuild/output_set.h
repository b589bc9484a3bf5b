// Files that appear together or not at all: each is written under a
// temporary name in its directory, and all are renamed into place by Commit.
// Without a Commit (an error on the way) the temporaries are removed, and so
// is the directory when this set created it and left it empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class OutputSet {
 public:
  explicit OutputSet(const std::string& directory);
  ~OutputSet();
  OutputSet(const OutputSet&) = delete;
  OutputSet& operator=(const OutputSet&) = delete;

  void Write(const std::string& name, const std::vector<std::uint8_t>& bytes);
  void Write(const std::string& name, const std::string& text);
  void Commit();

  std::string PathOf(const std::string& name) const;

 private:
  void Rollback() noexcept;

  std::string directory_;
  bool createdDirectory_ = false;
  bool committed_ = false;
  std::vector<std::string> names_;  // written so far, in order
};

std::vector<std::uint8_t> ReadWholeFile(const std::string& path);
