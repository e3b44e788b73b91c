// The install pipeline: folder, game data, game program, mods folder,
// uninstaller, shortcuts, uninstall entry; then the outcome.
#include "install/install_pipeline.h"

#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/log.h"
#include "app/progress.h"
#include "app/text.h"
#include "install/game_data_replace.h"
#include "install/install_folder.h"
#include "install/layout.h"
#include "install/program_files.h"
#include "install/shortcuts.h"
#include "install/uninstall_entry.h"

namespace {

void create_install_folder(const std::wstring& folder)
{
    // The window refuses a drive's root before it starts; silent mode finds out here.
    if (is_drive_root(folder)) {
        throw drive_root_refusal + folder;
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(folder), error);
    if (error) {
        throw L"Cannot create the folder:\n" + folder;
    }
}

void import_stage(const std::wstring& folder, const std::wstring& apk_path)
{
    report_stage(L"Importing the game data from your APK (this takes a moment)...");
    last_error.clear();
    ImportOptions options;
    // On the import's threads: the report only posts, it never waits for the window.
    options.progress = [](uint64_t bytes_written, uint64_t bytes_total) {
        report_progress(import_progress_percent(bytes_written, bytes_total));
    };
    if (!replace_game_data(apk_path, folder, options)) {
        throw L"The game data could not be imported from that file.\n\n" +
            utf8_to_wide(last_error) +
            L"\n\nIt has to be the Android APK of Gloam Reef (2011, Ostrane / Quillmoor).";
    }
}

// Every step raises its failure text as a std::wstring; the caller catches it.
void install_steps(HMODULE payload_module, const std::wstring& folder,
                   const std::wstring& apk_path, bool desktop_shortcut)
{
    create_install_folder(folder);
    // Without an APK the game data that is there is kept: a program-only update.
    if (!apk_path.empty()) {
        import_stage(folder, apk_path);
    }

    report_progress(import_done_percent);
    report_stage(L"Copying the game program...");
    std::wstring program = program_path(folder);
    write_game_program(payload_module, program);

    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(textures_folder(folder)), ignored);

    report_progress(program_written_percent);
    report_stage(L"Creating shortcuts...");
    // A failed copy leaves the previous uninstaller, if any; the install stands.
    copy_setup_program(uninstaller_path(folder));
    make_shortcuts(folder, program, desktop_shortcut);
    register_uninstall_entry(folder, program, uninstaller_path(folder));
    report_progress(100);
}

} // namespace

void run_install_from(HMODULE payload_module, std::wstring folder, std::wstring apk_path,
                      bool desktop_shortcut)
{
    std::wstring failure_text;
    try {
        install_steps(payload_module, folder, apk_path, desktop_shortcut);
    } catch (const std::wstring& text) {
        failure_text = text;
    } catch (const std::exception& error) {
        failure_text = L"Unexpected error: " + utf8_to_wide(error.what());
    } catch (...) {
        // Nothing may leave the worker thread: an escaping exception would end
        // the process while the window waits for the completion message.
        failure_text = L"Unexpected error: unknown error";
    }
    report_outcome(folder, failure_text);
}

void run_install(std::wstring folder, std::wstring apk_path, bool desktop_shortcut)
{
    run_install_from(nullptr, std::move(folder), std::move(apk_path), desktop_shortcut);
}
