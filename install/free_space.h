// Whether the install folder's volume has room for what an install writes.
#pragma once

#include <windows.h>

#include <string>

#include "apk/game_data_import.h"
#include "install/layout.h"

// Empty when the volume that holds the install folder (the nearest existing
// folder on its path) has room for the game program of payload_module (null:
// the running program), the uninstaller (a copy of the running program), the
// game data of plan (null: a program-only update, which keeps the data) and
// a 16 MiB margin; otherwise the text that refuses the install. The game data
// is counted in full: the new data is staged beside the old until the swap.
// Each file is counted as if it took one more cluster, a safe upper bound.
// When the free space cannot be read the install is not refused.
std::wstring free_space_refusal(HMODULE payload_module, const InstallPaths& paths,
                                const ImportPlan* plan);
