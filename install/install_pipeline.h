// The install pipeline: one complete installation, run on a worker thread.
#pragma once

#include <string>

// Takes its arguments by value: the worker thread owns its copies. Ends by
// storing the outcome and posting WM_INSTALL_DONE (app/progress.h).
void run_install(std::wstring folder, std::wstring apk_path, bool desktop_shortcut);
