// The install pipeline: folder, game data, game program, mods folder,
// uninstaller, shortcuts, uninstall entry; then the outcome.
#include "install/install_pipeline.h"

#include <exception>
#include <utility>

#include "app/install_cancel.h"
#include "app/log.h"
#include "app/long_path.h"
#include "app/progress.h"
#include "app/system_message.h"
#include "app/text.h"
#include "install/free_space.h"
#include "install/game_data_replace.h"
#include "install/import_failure.h"
#include "install/install_folder.h"
#include "install/layout.h"
#include "install/program_files.h"
#include "install/recovery.h"
#include "install/remove_tree.h"
#include "install/shortcuts.h"
#include "install/uninstall_entry.h"

namespace {

// Raised when the user has stopped the install before its point of no return.
struct InstallCancelled {};

// The status line's text, and the same in the run log.
void show_stage(const wchar_t* text)
{
    log_message('I', "stage: %s", wide_to_utf8(text).c_str());
    report_stage(text);
}

void create_install_folder(const InstallPaths& paths)
{
    // The window refuses a drive's root before it starts; silent mode finds out here.
    if (is_drive_root(paths.root)) {
        throw drive_root_refusal + paths.folder;
    }
    DWORD error = paths.root.empty() ? ERROR_INVALID_NAME : create_folder_tree(paths.root);
    if (error != ERROR_SUCCESS) {
        log_message('I', "cannot create the folder %s (%s)", wide_to_utf8(paths.folder).c_str(),
                    describe_os_error(error).c_str());
        throw L"Cannot create the folder:\n" + paths.folder;
    }
}

void import_stage(const InstallPaths& paths, const std::wstring& apk_path)
{
    show_stage(L"Importing the game data from your APK (this takes a moment)...");
    last_error.clear();
    ImportOptions options;
    // On the import's threads: the report only posts, it never waits for the window.
    options.progress = [](uint64_t bytes_written, uint64_t bytes_total) {
        report_progress(import_progress_percent(bytes_written, bytes_total));
    };
    // The user may stop the import, and the swap that follows it waits for
    // an open question to be answered.
    options.cancel = install_cancel_flag();
    ImportOutcome outcome = replace_game_data(apk_path, paths, options, pass_point_of_no_return);
    if (outcome.fault == ImportFault::cancelled) {
        // Thousands of files take a while to delete: the window hears at once
        // that the import has stopped.
        show_stage(L"Stopping the installation...");
        remove_tree(paths.staged_game_data);
        throw InstallCancelled{};
    }
    if (outcome.fault != ImportFault::none) {
        if (outcome.fault == ImportFault::output) {
            log_message('I', "import failed (%s)",
                        describe_os_error(static_cast<DWORD>(outcome.os_error)).c_str());
        }
        throw import_failure_text(outcome, paths.folder, last_error);
    }
}

// Refuses, before anything is written, an APK that is no zip archive and an
// install that the volume has no room for.
void check_free_space(HMODULE payload_module, const InstallPaths& paths,
                      const std::wstring& apk_path)
{
    ImportPlan plan;
    if (!apk_path.empty()) {
        last_error.clear();
        if (!plan_import(wide_to_utf8(apk_path), plan)) {
            ImportOutcome rejected;
            rejected.fault = ImportFault::archive;
            throw import_failure_text(rejected, paths.folder, last_error);
        }
    }
    std::wstring refusal =
        free_space_refusal(payload_module, paths, apk_path.empty() ? nullptr : &plan);
    if (!refusal.empty()) {
        throw refusal;
    }
}

// The outermost folder on the way to the install folder that does not exist
// yet; empty when the install folder exists.
std::wstring first_missing_folder(const std::wstring& root)
{
    std::wstring missing;
    // Only what is known to be missing: a folder that cannot be read may exist.
    for (std::wstring path = root;
         !path.empty() && GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
         (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND);
         path = extended_parent(path)) {
        missing = path;
    }
    return missing;
}

// A stopped install takes away the folders it made, from the install folder up
// to first_made, as long as they are empty: anything else in them stays.
void remove_made_folders(std::wstring folder, const std::wstring& first_made)
{
    if (first_made.empty()) {
        return;
    }
    while (RemoveDirectoryW(folder.c_str()) && folder != first_made) {
        folder = extended_parent(folder);
    }
}

// The game data's own failure text: the folder and the OS error's cause.
std::wstring folder_failure(const InstallPaths& paths, unsigned long error)
{
    ImportOutcome outcome;
    outcome.fault = ImportFault::output;
    outcome.os_error = static_cast<int>(error);
    return import_failure_text(outcome, paths.folder, "");
}

// Every step raises its failure text as a std::wstring; the caller catches it.
// Nothing but what an interrupted run left is changed before the checks have
// passed. Returns the links that could not be made, one line each: they cost
// no install.
std::wstring install_steps(HMODULE payload_module, const InstallPaths& paths,
                           const std::wstring& apk_path, bool desktop_shortcut)
{
    // First, also when this run is refused: a killed run's leftovers go and
    // the data of an interrupted swap comes back.
    unsigned long restore_error = recover_interrupted_install(paths);
    // A program-only update keeps the game data, which must be in place.
    if (apk_path.empty() && restore_error != ERROR_SUCCESS) {
        throw folder_failure(paths, restore_error);
    }
    if (game_is_running(paths)) {
        log_message('I', "gloamreef.exe is running");
        throw std::wstring(
            L"Cannot write gloamreef.exe. Is the game running, or the folder read-only?");
    }
    check_free_space(payload_module, paths, apk_path);
    std::wstring first_made = first_missing_folder(paths.root);
    create_install_folder(paths);
    // Without an APK the game data that is there is kept: a program-only update.
    if (!apk_path.empty()) {
        try {
            import_stage(paths, apk_path);
        } catch (const InstallCancelled&) {
            remove_made_folders(paths.root, first_made);
            throw;
        }
    }

    report_progress(import_done_percent);
    show_stage(L"Copying the game program...");
    write_game_program(payload_module, paths);
    create_folder_tree(paths.textures);

    report_progress(program_written_percent);
    show_stage(L"Creating shortcuts...");
    // The uninstall entry must never point at a missing uninstaller.
    if (!copy_setup_program(paths)) {
        throw std::wstring(L"Cannot write uninstall.exe. Is the folder read-only?");
    }
    // The links get the folder as the user knows it.
    std::wstring link_failures =
        make_shortcuts(paths.folder, program_path(paths.folder), desktop_shortcut);
    // Without the entry the user could not remove the game again.
    if (register_uninstall_entry(paths) != ERROR_SUCCESS) {
        throw std::wstring(L"Cannot add the game to the list of installed programs.");
    }
    report_progress(100);
    return link_failures;
}

} // namespace

void run_install_from(HMODULE payload_module, std::wstring folder, std::wstring apk_path,
                      bool desktop_shortcut)
{
    std::wstring failure_text;
    bool cancelled = false;
    std::wstring link_failures;
    try {
        link_failures =
            install_steps(payload_module, install_paths(folder), apk_path, desktop_shortcut);
    } catch (const InstallCancelled&) {
        // The user's choice, not a failure: logged, but not at 'E'.
        log_message('I', "cancelled by the user before anything installed was changed");
        failure_text = install_cancelled_text;
        cancelled = true;
    } catch (const std::wstring& text) {
        failure_text = text;
    } catch (const std::exception& error) {
        failure_text = L"Unexpected error: " + utf8_to_wide(error.what());
    } catch (...) {
        // Nothing may leave the worker thread: an escaping exception would end
        // the process while the window waits for the completion message.
        failure_text = L"Unexpected error: unknown error";
    }
    report_outcome(folder, failure_text, link_failures, cancelled);
}

void run_install(std::wstring folder, std::wstring apk_path, bool desktop_shortcut)
{
    run_install_from(nullptr, std::move(folder), std::move(apk_path), desktop_shortcut);
}
