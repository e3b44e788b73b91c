// What the registered uninstall commands start. A running program cannot
// delete its own file, so the launcher copies itself into the temp folder,
// starts that copy to do the removal and ends; uninstall.exe is then free to
// go. Only when no copy can be made does the removal run here, in place.
#include "uninstall/uninstaller_launch.h"

#include <windows.h>

#include "app/log.h"
#include "app/run_log.h"
#include "app/system_message.h"
#include "install/install_folder.h"
#include "install/layout.h"
#include "install/program_files.h"
#include "uninstall/launcher_handshake.h"
#include "uninstall/uninstall_run.h"

namespace {

// Long-path aware Windows allows paths up to this many UTF-16 units.
constexpr DWORD longest_path = 32768;

// The user's temp folder with its trailing backslash; empty when unknown.
std::wstring temp_folder()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD length = GetTempPathW(size, buffer.data());
        if (length == 0) {
            return {};
        }
        if (length < size) {
            buffer.resize(length);
            return buffer;
        }
        // Too small: length is the size needed, terminator included.
        if (length > longest_path) {
            return {};
        }
        buffer.resize(length);
    }
}

// The folder that holds the file, without a trailing separator; a drive's
// root ("C:\") keeps its backslash.
std::wstring parent_folder(const std::wstring& path)
{
    size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        return {};
    }
    if (separator == 0 || path[separator - 1] == L':') {
        return path.substr(0, separator + 1);
    }
    return path.substr(0, separator);
}

// One quoted argument. Backslashes right before the closing quote are
// doubled, or the argument splitter would read "D:\" as an escaped quote; a
// path cannot hold a quote, so nothing else needs escaping.
std::wstring quoted_argument(const std::wstring& text)
{
    size_t trailing = 0;
    while (trailing < text.size() && text[text.size() - 1 - trailing] == L'\\') {
        ++trailing;
    }
    return L"\"" + text + std::wstring(trailing, L'\\') + L"\"";
}

// uninstall.exe stays (it is running), and so does the folder.
int run_in_place(const std::wstring& install_folder, bool quiet, const std::wstring& log_path,
                 DWORD copy_error)
{
    return run_with_log(log_path, [&] {
        log_message('I', "no temporary copy (%s): the removal runs in place",
                    describe_os_error(copy_error).c_str());
        return run_uninstall(install_folder, quiet);
    });
}

} // namespace

int launch_uninstaller(bool quiet, const std::wstring& log_path)
{
    std::wstring program = running_program_file();
    std::wstring install_folder = parent_folder(program);
    if (install_folder.empty()) {
        // Without its own location the launcher knows no install folder, and a
        // relative one would point the removal at the working folder.
        return 1;
    }
    // The copy works in the temp folder, where a relative path would lead.
    std::wstring log = log_path.empty() ? log_path : full_path(log_path);

    std::wstring temp = temp_folder();
    std::wstring copy = temp + temporary_uninstaller_name;
    // Replaces a copy that an earlier, killed run may have left.
    if (temp.empty() || !CopyFileW(program.c_str(), copy.c_str(), FALSE)) {
        return run_in_place(install_folder, quiet, log, temp.empty() ? ERROR_PATH_NOT_FOUND
                                                                     : GetLastError());
    }

    std::wstring arguments = L"/uninstall-run " + quoted_argument(install_folder);
    if (quiet) {
        arguments += L" /quiet";
    }
    if (!log.empty()) {
        arguments += L" " + quoted_argument(L"/log=" + log);
    }
    int exit_code = 0;
    // A copy that cannot be started (a policy against programs in the temp
    // folder, say) would otherwise report success and remove nothing.
    DWORD error = start_copy(copy, arguments, temp, quiet, &exit_code);
    if (error != ERROR_SUCCESS) {
        return run_in_place(install_folder, quiet, log, error);
    }
    return exit_code;
}
