// Mode selection from the argument vector.
#include "app/command_line.h"

#include <cwchar>
#include <vector>

namespace {

constexpr wchar_t log_switch[] = L"/log=";
constexpr wchar_t launcher_switch[] = L"/launcher=";

bool is_switch(const wchar_t* argument, const wchar_t* name)
{
    return argument != nullptr && std::wcscmp(argument, name) == 0;
}

// The text after a "/name=" switch, or null when the argument is another one.
const wchar_t* switch_value(const wchar_t* argument, const wchar_t* prefix)
{
    size_t length = std::wcslen(prefix);
    return argument != nullptr && std::wcsncmp(argument, prefix, length) == 0 ? argument + length
                                                                              : nullptr;
}

// The arguments from position first on without the "/log=" ones (and, when
// launcher is given, the "/launcher=" ones); the last value of each is kept.
std::vector<const wchar_t*> set_valued_arguments_aside(int argc, const wchar_t* const* argv,
                                                       int first, std::wstring& log_path,
                                                       std::wstring* launcher = nullptr)
{
    std::vector<const wchar_t*> rest;
    for (int i = first; i < argc; ++i) {
        if (const wchar_t* path = switch_value(argv[i], log_switch)) {
            log_path = path;
        } else if (const wchar_t* channel = launcher ? switch_value(argv[i], launcher_switch)
                                                     : nullptr) {
            *launcher = channel;
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
        // Only the position right after the folder counts, once the valued
        // arguments are set aside: "/log=x /quiet" is as quiet as "/quiet /log=x".
        std::vector<const wchar_t*> rest =
            set_valued_arguments_aside(argc, argv, 3, choice.log_path, &choice.launcher);
        choice.quiet = !rest.empty() && is_switch(rest.front(), L"/quiet");
    } else if (is_switch(argv[1], L"/uninstall")) {
        choice.mode = Mode::uninstaller_launch;
        // The same rule right after the switch: the quiet uninstall command
        // is "/uninstall /quiet".
        std::vector<const wchar_t*> rest = set_valued_arguments_aside(argc, argv, 2, choice.log_path);
        choice.quiet = !rest.empty() && is_switch(rest.front(), L"/quiet");
    } else if (argc >= 4 && is_switch(argv[1], L"/silent")) {
        choice.mode = Mode::silent_install;
        choice.folder = argv[2];
        choice.apk_path = argv[3];
        set_valued_arguments_aside(argc, argv, 4, choice.log_path);
    }
    return choice;
}
