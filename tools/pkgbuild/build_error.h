// The one error the package builder reports: a clear, one-line message.
#pragma once

#include <stdexcept>
#include <string>

class BuildError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
