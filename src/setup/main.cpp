// The entry point of SETUP.EXE. It reads no command line and no environment:
// everything that makes it install its product is built into it.
#include <windows.h>

#include "setup/fatal.h"
#include "setup/sequence.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  try {
    return RunSetup(instance);
  } catch (...) {
    ReportFatalCurrentException(reinterpret_cast<const void*>(&RunSetup));
  }
}
