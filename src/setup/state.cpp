#include "setup/state.h"

SetupStateBlock SetupState{};
RunFiles CreatedByThisRun{};
