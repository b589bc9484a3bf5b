// Shell integration after the group page.
#pragma once

// Puts GroupName + ".LNK" into the user's Programs folder, pointing at the
// installed main program.
void CreateProgramShortcut();

// Enters the product under the machine-wide uninstall key. Failures are
// fatal (ERegistryException).
void RegisterUninstall();
