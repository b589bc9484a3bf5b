// The whole run from process start to exit.
#pragma once

#include <windows.h>

#include <string>

// The start of a run, before the first page: the run state, the backdrop,
// the logo, the Windows directory and the open rename list.
void PrepareRun(HINSTANCE module);

// The end of a run: closes the rename list and frees the decoder buffers.
void EndRun();

// Runs the setup with the templates, the logo and the icon of the given
// module; returns the exit code of a run that reached its end (0).
int RunSetup(HINSTANCE module);

// The main program's name as the user will have it: the configured name,
// also after the expand page redirected the new file to ".$$$" (the restart
// that performs the rename gives it that name).
std::string InstalledMainProgramName();
