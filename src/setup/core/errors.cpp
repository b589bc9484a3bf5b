#include "setup/core/errors.h"

#include <cstdint>
#include <cstdio>

EInOutError::EInOutError(int code) : SetupException(IoErrorMessage(code)), code_(code) {}

std::string IoErrorMessage(int code) {
  switch (code) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 100: return "Read beyond end of file";
    case 101: return "Disk full";
    case 106: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(code);
  }
}

std::string FatalReportText(const char* className, const std::string& moduleName,
                            const void* address, const std::string& message) {
  char where[32];
  // The address is printed as 8 upper-case hex digits, as a 32-bit %p would.
  std::snprintf(where, sizeof where, "%08lX",
                static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(address) & 0xFFFFFFFFu));
  std::string text = "Exception ";
  text += className;
  text += " in module " + moduleName + " at " + where + ".\n" + message;
  if (message.empty() || message.back() != '.') text += '.';
  return text;
}
