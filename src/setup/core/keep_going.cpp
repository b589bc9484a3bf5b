#include "setup/core/config.h"

std::int32_t KeepGoing = 0;
