// The removal of an installation.
#pragma once

#include <string>

// Returns the process exit code: 0 after a removal or a No to the first
// question, 1 when the folder holds no installation.
int run_uninstall(const std::wstring& folder, bool quiet);
