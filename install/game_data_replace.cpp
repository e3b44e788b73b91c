// Staged import: gamedata.new is filled, then swapped in through gamedata.old,
// so that neither a rejected APK nor a locked file half-way through a delete
// can leave the installation without its game data.
#include "install/game_data_replace.h"

#include <windows.h>

#include "apk/game_data_import.h"
#include "app/log.h"
#include "app/long_path.h"
#include "app/text.h"
#include "install/layout.h"
#include "install/locked_retry.h"
#include "install/remove_tree.h"

namespace {

// A failure of the install folder's, with the OS error that caused it.
ImportOutcome output_fault(DWORD error)
{
    ImportOutcome outcome;
    outcome.fault = ImportFault::output;
    outcome.os_error = static_cast<int>(error);
    return outcome;
}

ImportOutcome fail_to_place(const std::wstring& staging, const std::wstring& game_data)
{
    DWORD error = GetLastError();
    remove_tree(staging);
    log_message('E', "the imported game data could not be put in place of %s",
                wide_to_utf8(normal_path(game_data)).c_str());
    return output_fault(error);
}

// The name to move the old gamedata to. A leftover that cannot be cleared (it
// holds a link Wine cannot delete, or a file still open) gets a numbered
// successor rather than blocking every later install.
std::wstring free_set_aside_name(const InstallPaths& paths)
{
    for (const std::wstring& name : paths.previous_game_data) {
        if (remove_game_data(name)) {
            return name;
        }
    }
    return {};
}

// Moves the complete staging folder to gamedata. An old gamedata folder is
// first renamed aside and restored when the move fails; a link is deleted as a
// link, because moving or recursing into it would reach its target.
ImportOutcome put_in_place(const InstallPaths& paths)
{
    const std::wstring& staging = paths.staged_game_data;
    const std::wstring& game_data = paths.game_data;
    bool missing = GetFileAttributesW(game_data.c_str()) == INVALID_FILE_ATTRIBUTES;
    bool link = !missing && is_link(game_data);
    if (link && !delete_entry(game_data)) {
        return fail_to_place(staging, game_data);
    }
    if (missing || link) {
        return move_game_data_folder(staging, game_data) ? ImportOutcome{}
                                                         : fail_to_place(staging, game_data);
    }
    std::wstring set_aside = free_set_aside_name(paths);
    if (set_aside.empty() || !move_game_data_folder(game_data, set_aside)) {
        return fail_to_place(staging, game_data);
    }
    if (!move_game_data_folder(staging, game_data)) {
        DWORD error = GetLastError();
        move_game_data_folder(set_aside, game_data);
        SetLastError(error);
        return fail_to_place(staging, game_data);
    }
    // What cannot be deleted now (a file the game holds open) is cleared by
    // the next install.
    remove_game_data(set_aside);
    return {};
}

} // namespace

bool move_game_data_folder(const std::wstring& from, const std::wstring& to)
{
    return retry_while_folder_held(
        [&] { return MoveFileExW(from.c_str(), to.c_str(), 0) != 0; }, from);
}

bool remove_game_data(const std::wstring& folder)
{
    if (is_real_folder(folder) && !remove_tree(join_path(folder, game_library_file_name))) {
        return false;
    }
    return remove_tree(folder);
}

ImportOutcome replace_game_data(const std::wstring& apk_path, const InstallPaths& paths,
                                const ImportOptions& options,
                                const std::function<bool()>& may_replace)
{
    const std::wstring& staging = paths.staged_game_data;
    // A leftover of an interrupted install; if it cannot be cleared (a link
    // that cannot be removed), importing into it could write through the link.
    if (!remove_tree(staging)) {
        DWORD error = GetLastError();
        log_message('E', "cannot clear the leftover folder %s",
                    wide_to_utf8(normal_path(staging)).c_str());
        return output_fault(error);
    }
    ImportOutcome outcome;
    bool imported = false;
    try {
        // In the normal form, as the import's log names it; its file layer
        // takes the extended form again.
        imported = import_game_data(wide_to_utf8(apk_path), wide_to_utf8(normal_path(staging)),
                                    options, &outcome);
    } catch (...) {
        remove_tree(staging);
        throw;
    }
    if (!imported) {
        // Stopped by the user: the caller removes it, and says so meanwhile.
        if (outcome.fault == ImportFault::cancelled) {
            return outcome;
        }
        remove_tree(staging);
        return outcome;
    }
    // The point of no return: from here on the installed game data changes.
    if (may_replace && !may_replace()) {
        log_message('I', "stopped before the imported game data replaced the game data in %s",
                    wide_to_utf8(paths.folder).c_str());
        return {ImportFault::cancelled, 0};
    }
    return put_in_place(paths);
}
