// Which of the four modes a command line asks for.
#pragma once

#include <string>

enum class Mode { interactive_install, silent_install, uninstaller_launch, uninstall_run };

struct ModeChoice {
    Mode mode = Mode::interactive_install;
    std::wstring folder;   // uninstall run and silent install
    std::wstring apk_path; // silent install
    bool quiet = false;    // uninstall run and uninstaller launch
    // Every mode but the window: the path of "/log=<path>" standing after the
    // mode's own arguments (the last one, if several); empty: no log.
    std::wstring log_path;
    // Uninstall run: what "/launcher=" carries, the channel to the launcher
    // that started this run (uninstall/launcher_handshake.h); empty: none.
    std::wstring launcher;
};

// argv[0] is the program path. Switches match whole and case-sensitively;
// anything that is not a complete switch opens the window.
ModeChoice choose_mode(int argc, const wchar_t* const* argv);
