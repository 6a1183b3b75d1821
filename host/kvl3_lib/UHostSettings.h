#pragma once
#include "base/Usettings.h"

namespace kvl {

// The host's one set of folder settings; filled at start-up from the environment.
TKVL_Settings& KVL_HostSettings();

} // namespace kvl
