// The removal of an installation.
#pragma once

#include <string>

// Returns the process exit code: 0 after a complete removal, a No to the first
// question or a Cancel while the game runs; 1 when the folder holds no
// installation, when something that was to go could not be removed, or when
// the game runs during a quiet run.
int run_uninstall(const std::wstring& folder, bool quiet);
