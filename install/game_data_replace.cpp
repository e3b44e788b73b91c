// Staged import: gamedata.new is filled, then swapped in through gamedata.old,
// so that neither a rejected APK nor a locked file half-way through a delete
// can leave the installation without its game data.
#include "install/game_data_replace.h"

#include <windows.h>

#include "apk/game_data_import.h"
#include "app/log.h"
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
                wide_to_utf8(game_data).c_str());
    return output_fault(error);
}

// The import writes into a staging folder it has just created, so these
// errors can come from the APK's own entry names (one name used as a file and
// as a folder, a name Windows does not allow) as well as from the install
// folder. They are the APK's when the install folder takes a new folder.
bool caused_by_entry_names(int error, const std::wstring& staging)
{
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
    case ERROR_DIRECTORY:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        break;
    default:
        return false;
    }
    if (!CreateDirectoryW(staging.c_str(), nullptr)) {
        return false;
    }
    RemoveDirectoryW(staging.c_str());
    return true;
}

bool move_entry(const std::wstring& from, const std::wstring& to)
{
    return retry_while_locked([&] { return MoveFileExW(from.c_str(), to.c_str(), 0) != 0; });
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
    DWORD attributes = GetFileAttributesW(game_data.c_str());

    bool missing = attributes == INVALID_FILE_ATTRIBUTES;
    bool is_link = !missing && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (is_link && !delete_entry(game_data)) {
        return fail_to_place(staging, game_data);
    }
    if (missing || is_link) {
        return move_entry(staging, game_data) ? ImportOutcome{} : fail_to_place(staging, game_data);
    }
    std::wstring set_aside = free_set_aside_name(paths);
    if (set_aside.empty() || !move_entry(game_data, set_aside)) {
        return fail_to_place(staging, game_data);
    }
    if (!move_entry(staging, game_data)) {
        DWORD error = GetLastError();
        move_entry(set_aside, game_data);
        SetLastError(error);
        return fail_to_place(staging, game_data);
    }
    // What cannot be deleted now (a file the game holds open) is cleared by
    // the next install.
    remove_game_data(set_aside);
    return {};
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

} // namespace

bool remove_game_data(const std::wstring& folder)
{
    if (is_real_folder(folder) && !remove_tree(join_path(folder, game_library_file_name))) {
        return false;
    }
    return remove_tree(folder);
}

void restore_interrupted_swap(const InstallPaths& paths)
{
    const std::wstring& game_data = paths.game_data;
    if (GetFileAttributesW(game_data.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return;
    }
    std::wstring set_aside = last_complete_set_aside(paths);
    if (set_aside.empty()) {
        return;
    }
    if (move_entry(set_aside, game_data)) {
        log_message('I', "moved %s back to %s: an install had been stopped in its swap",
                    wide_to_utf8(set_aside).c_str(), wide_to_utf8(game_data).c_str());
    } else {
        DWORD error = GetLastError();
        log_message('I', "cannot move %s back to %s (error %lu)", wide_to_utf8(set_aside).c_str(),
                    wide_to_utf8(game_data).c_str(), error);
    }
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
        log_message('E', "cannot clear the leftover folder %s", wide_to_utf8(staging).c_str());
        return output_fault(error);
    }
    ImportOutcome outcome;
    bool imported = false;
    try {
        imported =
            import_game_data(wide_to_utf8(apk_path), wide_to_utf8(staging), options, &outcome);
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
        if (outcome.fault == ImportFault::output &&
            caused_by_entry_names(outcome.os_error, staging)) {
            log_message('I', "error %d comes from the APK's entry names", outcome.os_error);
            outcome = {ImportFault::archive, 0};
        }
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
