// The removal of an installation: two questions, a fixed deletion order, the
// shortcuts and the uninstall entry. Single deletions may fail (a file held
// open, the uninstaller run in place, the user's own files); the run carries
// on and then names what it could not remove.
#include "uninstall/uninstall_run.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "app/log.h"
#include "app/single_instance.h"
#include "app/system_message.h"
#include "app/text.h"
#include "install/game_data_replace.h"
#include "install/install_folder.h"
#include "install/layout.h"
#include "install/program_files.h"
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
constexpr wchar_t not_removed_intro[] = L"Some files could not be removed:\n";
constexpr wchar_t not_removed_advice[] =
    L"\n\nClose any program that uses them and run the uninstaller again.";
constexpr size_t most_paths_listed = 5;

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

// False when the game still runs and the user cancels (or, quiet, at once).
bool game_closed(const std::wstring& folder, bool quiet)
{
    while (game_is_running(folder)) {
        log_message('I', "gloamreef.exe is running");
        if (quiet ||
            show_message(game_running_text, MB_RETRYCANCEL | MB_ICONWARNING) != IDRETRY) {
            return false;
        }
    }
    return true;
}

// uninstall.exe itself when the launcher could make no temporary copy and
// the run works in place: a running program cannot delete its own file, so
// it is neither tried (every try would wait for a lock) nor reported.
bool is_running_program(const std::wstring& path)
{
    std::wstring own = running_program_file();
    std::wstring full = full_path(path);
    return !own.empty() && !full.empty() &&
           CompareStringOrdinal(full.c_str(), -1, own.c_str(), -1, TRUE) == CSTR_EQUAL;
}

void note_failure(bool removed, const std::wstring& path, std::vector<std::wstring>& left)
{
    if (!removed) {
        std::string cause = describe_os_error(GetLastError());
        log_message('I', "not removed: %s (%s)", wide_to_utf8(path).c_str(), cause.c_str());
        left.push_back(path);
    }
}

// What an installation's game data can consist of: gamedata and what an
// interrupted install leaves beside it.
std::vector<std::wstring> game_data_folders(const std::wstring& folder)
{
    std::vector<std::wstring> folders = {game_data_folder(folder), staged_game_data_folder(folder)};
    for (const std::wstring& previous : previous_game_data_folders(folder)) {
        folders.push_back(previous);
    }
    return folders;
}

// Returns what was to go and could not. Texture packs, the user's own files
// and kept saves are meant to stay and are not among it.
std::vector<std::wstring> remove_folder_contents(const std::wstring& folder,
                                                 bool remove_user_data)
{
    std::vector<std::wstring> left;
    for (const wchar_t* name : files_to_remove) {
        std::wstring file = join_path(folder, name);
        if (!is_running_program(file)) {
            note_failure(delete_entry(file), file, left);
        }
    }
    // Neither removal follows a link, so game data or saves that the user
    // moved to another drive with a junction keep their files there.
    for (const std::wstring& game_data : game_data_folders(folder)) {
        note_failure(remove_game_data(game_data), game_data, left);
    }
    if (remove_user_data) {
        std::wstring user_data = join_path(folder, user_data_folder_name);
        note_failure(remove_tree(user_data), user_data, left);
    }
    // Texture packs the user added keep mods\textures, mods and the folder.
    std::wstring textures = textures_folder(folder);
    delete_entry(join_path(textures, textures_readme_file_name));
    delete_entry(textures);
    delete_entry(join_path(folder, mods_folder_name));
    delete_entry(folder);
    return left;
}

std::wstring not_removed_text(const std::vector<std::wstring>& left)
{
    std::wstring text = not_removed_intro;
    for (size_t i = 0; i < left.size() && i < most_paths_listed; ++i) {
        text += (i > 0 ? L"\n" : L"") + left[i];
    }
    return text + not_removed_advice;
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
    log_message('I', "%s uninstall of %s", quiet ? "quiet" : "interactive",
                wide_to_utf8(folder).c_str());
    // Not while an install or another uninstall runs: nothing is removed.
    if (!take_setup_lock()) {
        log_message('I', "nothing removed: another setup is running");
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
            log_message('I', "the user chose not to remove the game");
            return 0;
        }
        remove_user_data = show_message(user_data_question,
                                        MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
    }
    log_message('I', "saves and settings: %s", remove_user_data ? "removed" : "kept");

    if (!holds_installation(folder)) {
        log_message('I', "no installation in that folder");
        if (!quiet) {
            show_message(not_found_warning, MB_OK | MB_ICONWARNING);
        }
        return 1;
    }
    // Cancel is the user's choice, as a No is; quiet, a running game fails the run.
    if (!game_closed(folder, quiet)) {
        log_message('I', "nothing removed: the game is running");
        return quiet ? 1 : 0;
    }

    Sleep(launcher_exit_pause_ms);
    restore_interrupted_swap(folder);
    std::vector<std::wstring> left = remove_folder_contents(folder, remove_user_data);
    remove_shortcut(FOLDERID_Programs);
    remove_shortcut(FOLDERID_Desktop);
    RegDeleteKeyW(HKEY_CURRENT_USER, uninstall_key_path);

    if (!left.empty()) {
        std::wstring text = not_removed_text(left);
        log_message('I', "%s", wide_to_utf8(text).c_str());
        if (!quiet) {
            show_message(text, MB_OK | MB_ICONWARNING);
        }
        return 1;
    }
    log_message('I', "removed");
    if (!quiet) {
        show_message(remove_user_data ? removed_all : removed_kept_user_data,
                     MB_OK | MB_ICONINFORMATION);
    }
    return 0;
}
