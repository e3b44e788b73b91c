// Entry point: picks the mode from the command line and returns its exit code.
#include <windows.h>
#include <shellapi.h>

#include "app/command_line.h"
#include "app/modes.h"
#include "app/run_log.h"
#include "uninstall/launcher_handshake.h"
#include "uninstall/uninstall_run.h"
#include "uninstall/uninstaller_launch.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // The setup runs from download folders and, as uninstaller, from the temp
    // folder: both places where a planted DLL could sit beside the exe. Load
    // late-bound DLLs from System32 only.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr) {
        argc = 0;
    }
    ModeChoice choice = choose_mode(argc, argv);
    LocalFree(argv);

    switch (choice.mode) {
    case Mode::uninstall_run:
        return run_with_log(choice.log_path, [&] {
            connect_to_launcher(choice.launcher);
            return run_uninstall(choice.folder, choice.quiet);
        });
    case Mode::uninstaller_launch:
        // The removal writes the log: the launcher only passes its path on.
        return launch_uninstaller(choice.quiet, choice.log_path);
    case Mode::silent_install:
        return run_with_log(choice.log_path,
                            [&] { return run_silent_install(choice.folder, choice.apk_path); });
    case Mode::interactive_install:
        break;
    }
    return run_interactive_install(instance);
}
