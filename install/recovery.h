// Putting right what an interrupted install or uninstall left in the install
// folder (a kill, a crash, a forced log-off, a power cut), at the start of
// every run that changes the folder.
#pragma once

#include <string>

#include "install/layout.h"

// The set-aside folder (gamedata.old or a numbered one) that holds the last
// complete game data while gamedata lacks its library, missing or a real
// folder without it: what an install stopped inside its swap leaves. Empty
// when there is none, or when gamedata is a link (the user's, not replaced).
// Changes nothing.
std::wstring interrupted_swap_data(const InstallPaths& paths);

// Removes a temporary program file and a partial gamedata.new, puts the data
// of an interrupted swap back in place of gamedata and, while gamedata is
// complete, removes the set-aside folders that are left over. Each step is
// logged; one that fails is logged and leaves the rest to the run (an import
// clears its own way, the uninstall names what stays). Returns the OS error
// that kept the interrupted swap's data from being put back, ERROR_SUCCESS
// when nothing did.
unsigned long recover_interrupted_install(const InstallPaths& paths);
