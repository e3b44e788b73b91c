// The removal of an installation: two questions, a fixed deletion order, the
// shortcuts and the uninstall entry. Single deletions may fail (a running
// game, the uninstaller run in place, the user's own files); the run carries
// on and reports the removal all the same.
#include "uninstall/uninstall_run.h"

#include <windows.h>
#include <shlobj.h>

#include "app/single_instance.h"
#include "app/text.h"
#include "install/layout.h"
#include "install/remove_tree.h"

namespace {

constexpr wchar_t user_data_question[] =
    L"Also delete your saved games and settings?\n\n"
    L"(Choose No to keep the \"userdata\" folder.)";
constexpr wchar_t not_found_warning[] =
    L"The game was not found in that folder; nothing was removed.";
constexpr wchar_t removed_all[] = L"The game has been removed.";
constexpr wchar_t removed_kept_user_data[] =
    L"The game has been removed. Your saves and settings were kept.";

// The launcher exits right after starting this copy; the pause lets it go
// before the first deletion. Nothing else coordinates the two processes.
constexpr DWORD launcher_exit_pause_ms = 600;

int show_message(const std::wstring& text, UINT type)
{
    return MessageBoxW(nullptr, text.c_str(), product_name, type);
}

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool holds_installation(const std::wstring& folder)
{
    return exists(program_path(folder)) || exists(uninstaller_path(folder));
}

void remove_folder_contents(const std::wstring& folder, bool remove_user_data)
{
    for (const wchar_t* name : files_to_remove) {
        delete_entry(join_path(folder, name));
    }
    // remove_tree never follows a link, so game data or saves that the user
    // moved to another drive with a junction keep their files there.
    remove_tree(game_data_folder(folder));
    // What an interrupted install can leave beside gamedata goes with it.
    remove_tree(staged_game_data_folder(folder));
    for (const std::wstring& previous : previous_game_data_folders(folder)) {
        remove_tree(previous);
    }
    if (remove_user_data) {
        remove_tree(join_path(folder, user_data_folder_name));
    }
    // Texture packs the user added keep mods\textures, mods and the folder.
    std::wstring textures = textures_folder(folder);
    delete_entry(join_path(textures, textures_readme_file_name));
    delete_entry(textures);
    delete_entry(join_path(folder, mods_folder_name));
    delete_entry(folder);
}

void remove_shortcut(const KNOWNFOLDERID& known_folder)
{
    // Empty when the lookup failed: then no link at the drive's root is touched.
    std::wstring link = shortcut_path(known_folder_path(known_folder));
    if (!link.empty()) {
        DeleteFileW(link.c_str());
    }
}

} // namespace

int run_uninstall(const std::wstring& folder, bool quiet)
{
    // Not while an install or another uninstall runs: nothing is removed.
    if (!take_setup_lock()) {
        if (!quiet) {
            show_another_setup_running();
        }
        return 1;
    }
    bool remove_user_data = false;
    if (!quiet) {
        std::wstring question =
            std::wstring(L"Remove ") + product_name + L" from\n" + folder + L" ?";
        if (show_message(question, MB_YESNO | MB_ICONQUESTION) != IDYES) {
            return 0;
        }
        remove_user_data = show_message(user_data_question,
                                        MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
    }

    if (!holds_installation(folder)) {
        if (!quiet) {
            show_message(not_found_warning, MB_OK | MB_ICONWARNING);
        }
        return 1;
    }

    Sleep(launcher_exit_pause_ms);
    remove_folder_contents(folder, remove_user_data);
    remove_shortcut(FOLDERID_Programs);
    remove_shortcut(FOLDERID_Desktop);
    RegDeleteKeyW(HKEY_CURRENT_USER, uninstall_key_path);

    if (!quiet) {
        show_message(remove_user_data ? removed_all : removed_kept_user_data,
                     MB_OK | MB_ICONINFORMATION);
    }
    return 0;
}
