// The run log of the silent install and the uninstall run (/log=<path>).
#pragma once

#include <functional>
#include <string>

// Runs a mode and returns its exit code. With a log path it writes the run
// log around it: the version, the command line and the start first, the end
// and "exit code: <n>" last; what the mode logs goes in between. A log that
// cannot be created does not stop the run; an empty path writes nothing.
int run_with_log(const std::wstring& log_path, const std::function<int()>& run);
