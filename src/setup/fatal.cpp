#include "setup/fatal.h"

#include <string>

#include "setup/core/names.h"

static std::string ProgramFileName() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string full = path;
  return full.substr(DirectoryPart(full).size());
}

static void ShowReport(const char* className, const std::string& message, const void* address) {
  const std::string text = FatalReportText(className, ProgramFileName(), address, message);
  MessageBoxA(nullptr, text.c_str(), "Application Error", MB_OK | MB_ICONSTOP | MB_TASKMODAL);
  ExitProcess(1);
}

void ReportFatal(const SetupException& error, const void* address) {
  ShowReport(error.ClassName(), error.what(), address);
  ExitProcess(1);
}

void ReportFatalCurrentException(const void* address) {
  try {
    throw;
  } catch (const SetupException& e) {
    ShowReport(e.ClassName(), e.what(), address);
  } catch (const std::bad_alloc&) {
    ShowReport("EOutOfMemory", "Out of memory", address);
  } catch (const std::exception& e) {
    ShowReport("Exception", e.what(), address);
  } catch (...) {
    ShowReport("Exception", "Unknown error", address);
  }
  ExitProcess(1);
}

void ThrowLastIoError() {
  const DWORD code = GetLastError();
  throw EInOutError(code == 0 ? 100 : static_cast<int>(code));
}
