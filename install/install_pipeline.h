// The install pipeline: one complete installation, run on a worker thread.
#pragma once

#include <windows.h>

#include <string>

// Takes its arguments by value: the worker thread owns its copies. Ends by
// storing the outcome and posting WM_INSTALL_DONE (app/progress.h).
void run_install(std::wstring folder, std::wstring apk_path, bool desktop_shortcut);

// The same install with the game program taken from another module's
// resources (null: the running program). Lets a test install from the built
// setup program loaded as data, or from a module that carries no game program.
void run_install_from(HMODULE payload_module, std::wstring folder, std::wstring apk_path,
                      bool desktop_shortcut);
