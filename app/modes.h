// The two install modes of the entry point; the uninstall modes are served
// directly by uninstall/.
#pragma once

#include <windows.h>

#include <string>

// Runs the install on a worker thread without any window, waits for it and
// returns 0 on success, 1 on failure.
int run_silent_install(const std::wstring& folder, const std::wstring& apk_path);

// Shows the setup window and runs its message loop until it is destroyed.
int run_interactive_install(HINSTANCE instance);
