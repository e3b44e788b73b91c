// What the registered uninstall commands start.
#pragma once

#include <string>

// Relaunches a temporary copy of the running uninstaller for the removal and
// returns 0 at once; quiet, waits until the copy has done its removal and
// returns the copy's exit code. A log path goes on to the removal. When no
// copy can be made or started, the removal runs here and its code is returned.
int launch_uninstaller(bool quiet, const std::wstring& log_path);
