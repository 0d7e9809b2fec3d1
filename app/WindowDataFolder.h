#pragma once

#include <QString>

namespace corvanth {

// The window's data folder: CORVANTH_DATA_DIR when set, else the executable's folder when it is
// writable, else the per-user data folder.
QString WindowDataFolder();

} // namespace corvanth
