// The exceptions that end a run with the fatal-error report.
//
// SetupException is the base of every error the setup raises on purpose. Each
// kind names its class, which the report shows ("Exception EInOutError in
// module ..."). Win32 code catches them at the top of the run and at every
// window or dialog procedure, and turns them into the report; none of them
// ever crosses a Win32 callback.
#pragma once

#include <exception>
#include <string>

class SetupException : public std::exception {
 public:
  explicit SetupException(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  std::string message_;
};

// An input/output failure, with the runtime's error code: 2 "File not found",
// 100 "Read beyond end of file", 101 "Disk full", or a system error code.
class EInOutError : public SetupException {
 public:
  explicit EInOutError(int code);
  int Code() const noexcept { return code_; }
  const char* ClassName() const noexcept override { return "EInOutError"; }

 private:
  int code_;
};

// A registry failure: "Failed to create key %s", "Failed to set data for '%s'",
// "Invalid data type for '%s'".
class ERegistryException : public SetupException {
 public:
  using SetupException::SetupException;
  const char* ClassName() const noexcept override { return "ERegistryException"; }
};

// A package the setup refuses to install (a damaged directory, a volume of the
// wrong size...). Raised before anything is written where possible.
class EPackageError : public SetupException {
 public:
  using SetupException::SetupException;
  const char* ClassName() const noexcept override { return "EPackageError"; }
};

// The message of an input/output error code.
std::string IoErrorMessage(int code);

// The text of the fatal-error report: "Exception %s in module %s at %p.\n%s%s",
// with "." appended to the message when it does not already end with one.
std::string FatalReportText(const char* className, const std::string& moduleName,
                            const void* address, const std::string& message);
