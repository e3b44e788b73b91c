// What the registered uninstall command starts. A running program cannot
// delete its own file, so the launcher copies itself into the temp folder,
// starts that copy to do the removal and ends; uninstall.exe is then free to
// go. Only when no copy can be made does the removal run here, in place.
#include "uninstall/uninstaller_launch.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "install/layout.h"
#include "install/program_files.h"
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

// The folder as one quoted argument. Backslashes right before the closing
// quote are doubled, or the argument splitter would read "D:\" as an escaped
// quote; a folder name cannot hold a quote, so nothing else needs escaping.
std::wstring quoted_argument(const std::wstring& folder)
{
    size_t trailing = 0;
    while (trailing < folder.size() && folder[folder.size() - 1 - trailing] == L'\\') {
        ++trailing;
    }
    return L"\"" + folder + std::wstring(trailing, L'\\') + L"\"";
}

} // namespace

int launch_uninstaller()
{
    std::wstring program = running_program_file();
    std::wstring install_folder = parent_folder(program);
    if (install_folder.empty()) {
        // Without its own location the launcher knows no install folder, and a
        // relative one would point the removal at the working folder.
        return 1;
    }

    std::wstring temp = temp_folder();
    std::wstring copy = temp + temporary_uninstaller_name;
    if (temp.empty() || !CopyFileW(program.c_str(), copy.c_str(), FALSE)) {
        // uninstall.exe stays (it is running), and so does the folder.
        return run_uninstall(install_folder, false);
    }

    std::wstring arguments = L"/uninstall-run " + quoted_argument(install_folder);
    HINSTANCE started = ShellExecuteW(nullptr, L"open", copy.c_str(), arguments.c_str(),
                                      temp.c_str(), SW_SHOWNORMAL);
    // A copy that cannot be started (a policy against programs in the temp
    // folder, say) would otherwise report success and remove nothing.
    if (reinterpret_cast<INT_PTR>(started) <= 32) {
        return run_uninstall(install_folder, false);
    }
    return 0;
}
