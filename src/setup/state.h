// The process-wide state of one run. Every field starts zero or empty; the
// start of the sequence fills the first ones before any page is shown.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "setup/core/config.h"

struct SetupStateBlock {
  std::string SourceDir;       // the setup program's directory, trailing backslash included
  std::string DestinationDir;  // set by the destination page
  std::string WindowsDir;
  std::int32_t ScreenWidth;
  std::int32_t ScreenHeight;
  HWND BackdropWindow;
  HBITMAP LogoBitmap;
  std::int32_t PageResult;
  bool Cancelled;
  std::uint8_t* DecodeInBuffer;   // 2064 bytes, the read adapter's window
  std::uint8_t* DecodeOutBuffer;  // 2064 bytes, the write adapter's buffer
  HANDLE InputHandle;             // the work archive during the expansion
  HANDLE OutputHandle;            // the main program during the expansion
  HINSTANCE Module;               // where the templates, the logo and the icon live
};

extern SetupStateBlock SetupState;

// Files this run created, so that the clean-up of a cancelled run deletes
// only what it wrote: never an earlier installation's main program.
struct RunFiles {
  std::string WorkArchivePath;   // full path of the work archive the copy page created
  std::string MainProgramPath;   // full path of the main program file the expand page created
};
extern RunFiles CreatedByThisRun;
