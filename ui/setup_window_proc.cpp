// The setup window's behaviour: its commands, the start of the install
// worker, the end-of-install dialogue and closing.
#include "ui/setup_window.h"

#include <shellapi.h>

#include <exception>
#include <thread>

#include "app/progress.h"
#include "app/text.h"
#include "install/install_folder.h"
#include "install/install_pipeline.h"
#include "install/layout.h"
#include "ui/browse.h"
#include "ui/install_checks.h"
#include "ui/install_readiness.h"
#include "ui/install_progress.h"

namespace {

constexpr wchar_t installed_text[] = L"Installed.";
constexpr wchar_t not_installed_text[] = L"Not installed.";
constexpr wchar_t installed_sentence[] = L" is installed.";
constexpr wchar_t start_game_question[] = L"\n\nStart the game now?";

int show_message(HWND window, const std::wstring& text, UINT style)
{
    return MessageBoxW(window, text.c_str(), product_name, style);
}

// The six controls that must not change while an install runs, always in this order.
void enable_input_controls(HWND window, bool enable)
{
    const SetupWindow& w = setup_window;
    EnableWindow(w.folder_field, enable);
    EnableWindow(w.apk_field, enable);
    EnableWindow(w.install_button, enable);
    EnableWindow(w.desktop_shortcut_box, enable);
    EnableWindow(GetDlgItem(window, IDC_FOLDER_BROWSE), enable);
    EnableWindow(GetDlgItem(window, IDC_APK_BROWSE), enable);
}

void show_install_failure(HWND window, const std::wstring& failure_text)
{
    SetWindowTextW(setup_window.status_line, not_installed_text);
    show_message(window, failure_text, MB_ICONERROR);
    // The entries stay as they were, ready for another attempt.
    enable_input_controls(window, true);
}

void start_install(HWND window)
{
    if (install_running.load()) {
        return;
    }
    std::wstring folder = install_folder_from_field(read_window_text(setup_window.folder_field));
    std::wstring apk_path = apk_path_from_field(read_window_text(setup_window.apk_field));
    InputProblem problem = check_install_input(folder, apk_path);
    if (problem != InputProblem::none) {
        show_message(window, input_problem_text(problem, folder), MB_ICONWARNING);
        return;
    }
    // Its game data would be replaced and an uninstall would offer its userdata.
    if (holds_other_files(folder) &&
        show_message(window, other_files_question(folder),
                     MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2) != IDYES) {
        return;
    }
    if (!ready_to_install(window, folder, apk_path)) {
        return;
    }

    install_running.exchange(true);
    enable_input_controls(window, false);
    begin_install_progress(window);
    bool desktop_shortcut =
        SendMessageW(setup_window.desktop_shortcut_box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    try {
        // Detached: the window never waits for the worker, which reports
        // through the status line and WM_INSTALL_DONE.
        std::thread(run_install, folder, apk_path, desktop_shortcut).detach();
    } catch (const std::exception& error) {
        // No worker means no WM_INSTALL_DONE: without this the window would
        // stay locked and refuse to close.
        install_running.exchange(false);
        end_install_progress(window);
        show_install_failure(window, L"Unexpected error: " + utf8_to_wide(error.what()));
    }
}

void start_game(const std::wstring& folder)
{
    // "C:" alone would be the current folder of drive C, not its root.
    std::wstring working_folder = folder;
    if (working_folder.size() == 2 && working_folder[1] == L':') {
        working_folder += L'\\';
    }
    ShellExecuteW(nullptr, L"open", program_path(folder).c_str(), nullptr,
                  working_folder.c_str(), SW_SHOWNORMAL);
}

void finish_install(HWND window)
{
    install_running.exchange(false);
    end_install_progress(window);
    if (!outcome_error.empty()) {
        show_install_failure(window, outcome_error);
        return;
    }
    SetWindowTextW(setup_window.status_line, installed_text);
    // A link that could not be made is named before the question: the user
    // may look for it.
    std::wstring question = std::wstring(product_name) + installed_sentence +
                            (outcome_notes.empty() ? L"" : L"\n\n" + outcome_notes) +
                            start_game_question;
    if (show_message(window, question, MB_ICONINFORMATION | MB_YESNO) == IDYES) {
        start_game(outcome_folder);
    }
    DestroyWindow(window);
}

void handle_command(HWND window, int id, int notification)
{
    switch (id) {
    case IDC_FOLDER_BROWSE:
        browse_for_folder(window);
        break;
    case IDC_APK_BROWSE:
        browse_for_apk(window);
        break;
    case IDC_FOLDER:
        if (notification == EN_CHANGE) {
            refresh_data_hint();
        }
        break;
    case IDC_INSTALL:
        start_install(window);
        break;
    default:
        break;
    }
}

} // namespace

LRESULT CALLBACK setup_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_COMMAND:
        handle_command(window, LOWORD(wparam), HIWORD(wparam));
        return 0;
    case WM_CLOSE:
        // The process must not end in the middle of an install.
        if (!install_running.load()) {
            DestroyWindow(window);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_INSTALL_DONE:
        finish_install(window);
        return 0;
    case WM_INSTALL_PROGRESS:
        if (install_running.load()) {
            show_install_progress(window, static_cast<int>(wparam));
        }
        return 0;
    case DM_GETDEFID:
        // IsDialogMessageW asks for the default button when Enter is pressed
        // in an edit field: Enter installs. (Escape sends IDCANCEL, which
        // nothing handles.) While an install runs the button is disabled and
        // Enter does nothing.
        return MAKELONG(IDC_INSTALL, DC_HASDEFID);
    case WM_QUERYENDSESSION:
        // A log-off would end the worker between two steps.
        if (install_running.load()) {
            return FALSE;
        }
        return DefWindowProcW(window, message, wparam, lparam);
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}
