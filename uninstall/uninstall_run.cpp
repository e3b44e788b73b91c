// The removal of an installation: two questions, a fixed deletion order, the
// shortcuts and the uninstall entry. Single deletions may fail (a file held
// open, the uninstaller run in place, the user's own files); the run carries
// on and then names what it could not remove. The two program files, which
// mark an installation, go last, so a run stopped at any point (killed, a
// crash, a forced log-off) is finished by the next one.
#include "uninstall/uninstall_run.h"

#include <windows.h>
#include <shlobj.h>

#include <cwchar>
#include <vector>

#include "app/log.h"
#include "app/long_path.h"
#include "app/single_instance.h"
#include "app/system_message.h"
#include "app/text.h"
#include "install/game_data_replace.h"
#include "install/layout.h"
#include "install/program_files.h"
#include "install/recovery.h"
#include "install/remove_tree.h"
#include "uninstall/launcher_handshake.h"

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

// The launcher that started this run may wait for its result: it is told
// once, however the run ends.
class LauncherHandOver {
public:
    void hand(int exit_code)
    {
        if (!handed_) {
            handed_ = true;
            hand_result_to_launcher(exit_code);
        }
    }

private:
    bool handed_ = false;
};

int show_message(const std::wstring& text, UINT type)
{
    return MessageBoxW(nullptr, text.c_str(), product_name, type);
}

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool holds_installation(const InstallPaths& paths)
{
    return exists(paths.program) || exists(paths.uninstaller);
}

// False when the game still runs and the user cancels (or, quiet, at once).
bool game_closed(const InstallPaths& paths, bool quiet)
{
    while (game_is_running(paths)) {
        log_message('I', "gloamreef.exe is running");
        if (quiet ||
            show_message(game_running_text, MB_RETRYCANCEL | MB_ICONWARNING) != IDRETRY) {
            return false;
        }
    }
    return true;
}

void note_failure(bool removed, const std::wstring& path, std::vector<std::wstring>& left)
{
    if (!removed) {
        std::string cause = describe_os_error(GetLastError());
        std::wstring shown = normal_path(path);
        log_message('I', "not removed: %s (%s)", wide_to_utf8(shown).c_str(), cause.c_str());
        left.push_back(shown);
    }
}

// What an installation's game data can consist of: gamedata and what an
// interrupted install leaves beside it.
std::vector<std::wstring> game_data_folders(const InstallPaths& paths)
{
    std::vector<std::wstring> folders = {paths.game_data, paths.staged_game_data};
    folders.insert(folders.end(), paths.previous_game_data.begin(), paths.previous_game_data.end());
    return folders;
}

// Everything of the installation but the two program files. Returns what was
// to go and could not. Texture packs, the user's own files and kept saves are
// meant to stay and are not among it.
std::vector<std::wstring> remove_contents(const InstallPaths& paths, bool remove_user_data)
{
    std::vector<std::wstring> left;
    for (const wchar_t* name : files_to_remove) {
        if (wcscmp(name, program_file_name) != 0 && wcscmp(name, uninstaller_file_name) != 0) {
            std::wstring file = paths.in_root(name);
            note_failure(delete_entry(file), file, left);
        }
    }
    for (const std::wstring& file : {paths.program_temporary, paths.uninstaller_temporary}) {
        note_failure(delete_entry(file), file, left);
    }
    // Neither removal follows a link, so game data or saves that the user
    // moved to another drive with a junction keep their files there.
    for (const std::wstring& game_data : game_data_folders(paths)) {
        note_failure(remove_game_data(game_data), game_data, left);
    }
    if (remove_user_data) {
        note_failure(remove_tree(paths.user_data), paths.user_data, left);
    }
    // Texture packs the user added keep mods\textures, mods and the folder.
    delete_entry(paths.textures_readme);
    delete_entry(paths.textures);
    delete_entry(paths.mods);
    return left;
}

void remove_shortcut(const KNOWNFOLDERID& known_folder)
{
    // Empty when the lookup failed: then no link at the drive's root is touched.
    std::wstring link = shortcut_path(known_folder_path(known_folder));
    if (!link.empty()) {
        DeleteFileW(extended_path(link).c_str());
    }
}

// The game program, then what leads to it (the links) and to the uninstaller
// (the entry), then the uninstaller: until the last step, whatever stops the
// run leaves an uninstaller that the entry or the user can start again.
std::vector<std::wstring> remove_program_files(const InstallPaths& paths,
                                               LauncherHandOver& hand_over)
{
    std::vector<std::wstring> left;
    note_failure(delete_entry(paths.program), paths.program, left);
    if (!left.empty()) {
        return left;
    }
    remove_shortcut(FOLDERID_Programs);
    remove_shortcut(FOLDERID_Desktop);
    RegDeleteKeyW(HKEY_CURRENT_USER, uninstall_key_path);
    // uninstall.exe is the launcher's own file: it can go once the launcher
    // has ended. When the launcher could make no temporary copy, this run is
    // uninstall.exe itself, which cannot delete its own file: that one stays
    // without a word, with its folder.
    hand_over.hand(0);
    if (!is_running_program_file(paths.uninstaller)) {
        note_failure(delete_entry(paths.uninstaller), paths.uninstaller, left);
    }
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

int uninstall(const std::wstring& folder, bool quiet, LauncherHandOver& hand_over)
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

    InstallPaths paths = install_paths(folder);
    if (paths.root.empty() || !holds_installation(paths)) {
        log_message('I', "no installation in that folder");
        if (!quiet) {
            show_message(not_found_warning, MB_OK | MB_ICONWARNING);
        }
        return 1;
    }
    // Cancel is the user's choice, as a No is; quiet, a running game fails the run.
    if (!game_closed(paths, quiet)) {
        log_message('I', "nothing removed: the game is running");
        return quiet ? 1 : 0;
    }

    recover_interrupted_install(paths);
    std::vector<std::wstring> left = remove_contents(paths, remove_user_data);
    // What stays keeps the program files, the links and the entry, so that
    // "run the uninstaller again" can be done.
    if (left.empty()) {
        left = remove_program_files(paths, hand_over);
    }
    delete_entry(paths.root);

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

} // namespace

int run_uninstall(const std::wstring& folder, bool quiet)
{
    LauncherHandOver hand_over;
    int exit_code = uninstall(folder, quiet, hand_over);
    // Every way the run ends releases a launcher that waits; a complete
    // removal has done so already, before uninstall.exe went.
    hand_over.hand(exit_code);
    return exit_code;
}
