// Mode selection from the argument vector.
#include "app/command_line.h"

#include <cwchar>
#include <vector>

namespace {

constexpr wchar_t log_switch[] = L"/log=";
constexpr size_t log_switch_length = sizeof log_switch / sizeof log_switch[0] - 1;

bool is_switch(const wchar_t* argument, const wchar_t* name)
{
    return argument != nullptr && std::wcscmp(argument, name) == 0;
}

bool is_log_argument(const wchar_t* argument)
{
    return argument != nullptr && std::wcsncmp(argument, log_switch, log_switch_length) == 0;
}

// The arguments from position first on without the "/log=" ones; the path of
// the last of those goes to log_path.
std::vector<const wchar_t*> set_log_arguments_aside(int argc, const wchar_t* const* argv, int first,
                                                   std::wstring& log_path)
{
    std::vector<const wchar_t*> rest;
    for (int i = first; i < argc; ++i) {
        if (is_log_argument(argv[i])) {
            log_path = argv[i] + log_switch_length;
        } else {
            rest.push_back(argv[i]);
        }
    }
    return rest;
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
        // Only the position right after the folder counts, once the log
        // arguments are set aside: "/log=x /quiet" is as quiet as "/quiet /log=x".
        std::vector<const wchar_t*> rest = set_log_arguments_aside(argc, argv, 3, choice.log_path);
        choice.quiet = !rest.empty() && is_switch(rest.front(), L"/quiet");
    } else if (is_switch(argv[1], L"/uninstall")) {
        choice.mode = Mode::uninstaller_launch;
    } else if (argc >= 4 && is_switch(argv[1], L"/silent")) {
        choice.mode = Mode::silent_install;
        choice.folder = argv[2];
        choice.apk_path = argv[3];
        set_log_arguments_aside(argc, argv, 4, choice.log_path);
    }
    return choice;
}
