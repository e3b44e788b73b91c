// Mode selection from the argument vector.
#include "app/command_line.h"

#include <cwchar>

namespace {

bool is_switch(const wchar_t* argument, const wchar_t* name)
{
    return argument != nullptr && std::wcscmp(argument, name) == 0;
}

} // namespace

ModeChoice choose_mode(int argc, const wchar_t* const* argv)
{
    ModeChoice choice;
    if (argv == nullptr || argc < 2) {
        return choice;
    }
    if (argc >= 3 && is_switch(argv[1], L"/uninstall-run")) {
        choice.mode = Mode::uninstall_run;
        choice.folder = argv[2];
        // Only the position right after the folder counts.
        choice.quiet = argc >= 4 && is_switch(argv[3], L"/quiet");
    } else if (is_switch(argv[1], L"/uninstall")) {
        choice.mode = Mode::uninstaller_launch;
    } else if (argc >= 4 && is_switch(argv[1], L"/silent")) {
        choice.mode = Mode::silent_install;
        choice.folder = argv[2];
        choice.apk_path = argv[3];
    }
    return choice;
}
