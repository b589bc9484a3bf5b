#include "shell/shell.h"

void CreateProgramShortcut() {}
