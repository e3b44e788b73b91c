// Recovery from an interrupted install or uninstall.
#include "install/recovery.h"

#include <windows.h>

#include "app/log.h"
#include "app/long_path.h"
#include "app/system_message.h"
#include "app/text.h"
#include "install/game_data_replace.h"
#include "install/install_folder.h"
#include "install/remove_tree.h"

namespace {

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string shown(const std::wstring& path)
{
    return wide_to_utf8(normal_path(path));
}

// Removes a leftover of an interrupted run, saying so.
void remove_leftover(const std::wstring& path, bool (*remove)(const std::wstring&))
{
    if (!exists(path)) {
        return;
    }
    if (remove(path)) {
        log_message('I', "removed %s, left by an interrupted run", shown(path).c_str());
    } else {
        DWORD error = GetLastError();
        log_message('I', "cannot remove %s, left by an interrupted run (%s)", shown(path).c_str(),
                    describe_os_error(error).c_str());
    }
}

// The set-aside folder that holds the most recent game library, or empty.
// Several can hold one when earlier leftovers could not be cleared.
std::wstring last_complete_set_aside(const InstallPaths& paths)
{
    std::wstring newest;
    FILETIME newest_time{};
    for (const std::wstring& folder : paths.previous_game_data) {
        WIN32_FILE_ATTRIBUTE_DATA library;
        if (!is_real_folder(folder) ||
            !GetFileAttributesExW(join_path(folder, game_library_file_name).c_str(),
                                  GetFileExInfoStandard, &library)) {
            continue;
        }
        if (newest.empty() || CompareFileTime(&library.ftLastWriteTime, &newest_time) > 0) {
            newest = folder;
            newest_time = library.ftLastWriteTime;
        }
    }
    return newest;
}

DWORD restore_interrupted_swap(const InstallPaths& paths)
{
    std::wstring set_aside = interrupted_swap_data(paths);
    if (set_aside.empty()) {
        return ERROR_SUCCESS;
    }
    // A gamedata without its library is what a deletion stopped half-way left.
    if (exists(paths.game_data) && !remove_game_data(paths.game_data)) {
        DWORD error = GetLastError();
        log_message('I', "cannot clear the incomplete %s to put %s back (%s)",
                    shown(paths.game_data).c_str(), shown(set_aside).c_str(),
                    describe_os_error(error).c_str());
        return error;
    }
    if (!move_game_data_folder(set_aside, paths.game_data)) {
        DWORD error = GetLastError();
        log_message('I', "cannot move %s back to %s (%s)", shown(set_aside).c_str(),
                    shown(paths.game_data).c_str(), describe_os_error(error).c_str());
        return error;
    }
    log_message('I', "moved %s back to %s: an install had been stopped in its swap",
                shown(set_aside).c_str(), shown(paths.game_data).c_str());
    return ERROR_SUCCESS;
}

} // namespace

std::wstring interrupted_swap_data(const InstallPaths& paths)
{
    if (paths.root.empty() || exists(paths.game_library) ||
        (exists(paths.game_data) && !is_real_folder(paths.game_data))) {
        return {};
    }
    return last_complete_set_aside(paths);
}

unsigned long recover_interrupted_install(const InstallPaths& paths)
{
    // Nothing is ever installed at a drive's root; nothing there is ours.
    if (paths.root.empty() || is_drive_root(paths.root) || !is_real_folder(paths.root)) {
        return ERROR_SUCCESS;
    }
    remove_leftover(paths.program_temporary, delete_entry);
    remove_leftover(paths.uninstaller_temporary, delete_entry);
    remove_leftover(paths.staged_game_data, remove_tree);
    DWORD error = restore_interrupted_swap(paths);
    // Once gamedata is complete, what was set aside is outdated: an install
    // stopped while it deleted the old data.
    if (exists(paths.game_library)) {
        for (const std::wstring& set_aside : paths.previous_game_data) {
            remove_leftover(set_aside, remove_game_data);
        }
    }
    return error;
}
