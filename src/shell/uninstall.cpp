#include "shell/shell.h"

void RegisterUninstall() {}
