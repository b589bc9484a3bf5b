// The in-process Win32 tests. Started with "--run-setup [MODULE]" the
// executable runs the whole setup sequence instead, with the templates of
// MODULE (a resource DLL) or its own: tests start it so to check whole runs
// from the outside (exit codes, fatal reports) without touching their own
// process state.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "setup/fatal.h"
#include "setup/sequence.h"

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--run-setup") == 0) {
    HINSTANCE module = GetModuleHandleA(nullptr);
    if (argc >= 3) module = LoadLibraryExA(argv[2], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    try {
      return RunSetup(module);
    } catch (...) {
      ReportFatalCurrentException(reinterpret_cast<const void*>(&RunSetup));
    }
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
