// Staged import: gamedata.new is filled, then swapped in through gamedata.old,
// so that neither a rejected APK nor a locked file half-way through a delete
// can leave the installation without its game data.
#include "install/game_data_replace.h"

#include <windows.h>

#include "apk/game_data_import.h"
#include "app/log.h"
#include "app/text.h"
#include "install/layout.h"
#include "install/remove_tree.h"

namespace {

bool fail_to_place(const std::wstring& staging, const std::wstring& game_data)
{
    remove_tree(staging);
    log_message('E', "the imported game data could not be put in place of %s",
                wide_to_utf8(game_data).c_str());
    return false;
}

bool move_entry(const std::wstring& from, const std::wstring& to)
{
    return MoveFileExW(from.c_str(), to.c_str(), 0) != 0;
}

// The name to move the old gamedata to. A leftover that cannot be cleared (it
// holds a link Wine cannot delete, or a file still open) gets a numbered
// successor rather than blocking every later install.
std::wstring free_set_aside_name(const std::wstring& install_folder)
{
    for (const std::wstring& name : previous_game_data_folders(install_folder)) {
        if (remove_tree(name)) {
            return name;
        }
    }
    return {};
}

// Moves the complete staging folder to gamedata. An old gamedata folder is
// first renamed aside and restored when the move fails; a link is deleted as a
// link, because moving or recursing into it would reach its target.
bool put_in_place(const std::wstring& staging, const std::wstring& install_folder)
{
    std::wstring game_data = game_data_folder(install_folder);
    DWORD attributes = GetFileAttributesW(game_data.c_str());

    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return move_entry(staging, game_data) || fail_to_place(staging, game_data);
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        if (!delete_entry(game_data)) {
            return fail_to_place(staging, game_data);
        }
        return move_entry(staging, game_data) || fail_to_place(staging, game_data);
    }
    std::wstring set_aside = free_set_aside_name(install_folder);
    if (set_aside.empty() || !move_entry(game_data, set_aside)) {
        return fail_to_place(staging, game_data);
    }
    if (!move_entry(staging, game_data)) {
        move_entry(set_aside, game_data);
        return fail_to_place(staging, game_data);
    }
    // What cannot be deleted now (a file the game holds open) is cleared by
    // the next install.
    remove_tree(set_aside);
    return true;
}

} // namespace

bool replace_game_data(const std::wstring& apk_path, const std::wstring& install_folder,
                       const ImportOptions& options)
{
    std::wstring staging = staged_game_data_folder(install_folder);
    // A leftover of an interrupted install; if it cannot be cleared (a link
    // that cannot be removed), importing into it could write through the link.
    if (!remove_tree(staging)) {
        log_message('E', "cannot clear the leftover folder %s", wide_to_utf8(staging).c_str());
        return false;
    }
    bool imported = false;
    try {
        imported = import_game_data(wide_to_utf8(apk_path), wide_to_utf8(staging), options);
    } catch (...) {
        remove_tree(staging);
        throw;
    }
    if (!imported) {
        remove_tree(staging);
        return false;
    }
    return put_in_place(staging, install_folder);
}
