// The setup window's behaviour: its commands, the start of the install
// worker, the end-of-install dialogue and closing.
#include "ui/setup_window.h"

#include <shellapi.h>

#include <exception>
#include <thread>

#include "app/install_cancel.h"
#include "app/progress.h"
#include "app/text.h"
#include "install/install_folder.h"
#include "install/install_pipeline.h"
#include "install/layout.h"
#include "ui/browse.h"
#include "ui/install_checks.h"
#include "ui/install_readiness.h"
#include "ui/install_progress.h"
#include "ui/taskbar_button.h"
#include "ui/window_layout.h"

namespace {

constexpr wchar_t installed_text[] = L"Installed.";
constexpr wchar_t not_installed_text[] = L"Not installed.";
constexpr wchar_t installed_sentence[] = L" is installed.";
constexpr wchar_t start_game_question[] = L"\n\nStart the game now?";
constexpr wchar_t cancel_button_text[] = L"Cancel";
constexpr wchar_t stop_question[] =
    L"Stop the installation? Nothing that is installed now is changed.";

// True while the running install can be stopped from the window: from the
// start of an install that imports game data until the worker passes its
// point of no return or the user has chosen to stop.
bool cancel_offered = false;

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
    clear_install_progress(window);
    // The entries stay as they were, ready for another attempt.
    enable_input_controls(window, true);
}

// The Install button becomes Cancel for the part of the install that can be
// stopped, with the focus, so that Enter and Escape reach it.
void offer_cancel()
{
    cancel_offered = true;
    SetWindowTextW(setup_window.install_button, cancel_button_text);
    EnableWindow(setup_window.install_button, TRUE);
    SetFocus(setup_window.install_button);
}

// Past the point of no return, or stopping already: nothing more to cancel.
void withdraw_cancel()
{
    cancel_offered = false;
    EnableWindow(setup_window.install_button, FALSE);
}

// The install has ended: the button installs again once it is enabled.
void end_cancel_offer()
{
    withdraw_cancel();
    SetWindowTextW(setup_window.install_button, install_button_text);
}

// Cancel, Escape and the close box during an install.
void ask_to_cancel(HWND window)
{
    if (!install_running.load() || !cancel_offered || !begin_cancel_question()) {
        return;
    }
    bool stop = show_message(window, stop_question, MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON2) ==
                IDYES;
    // The install may have ended with a failure while the question was open.
    if (!install_running.load()) {
        return;
    }
    answer_cancel_question(stop);
    if (stop) {
        withdraw_cancel();
    } else {
        SetFocus(setup_window.install_button);
    }
}

void start_install(HWND window)
{
    if (install_running.load()) {
        ask_to_cancel(window);
        return;
    }
    std::wstring folder = read_install_folder();
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

    reset_install_cancel();
    install_running.exchange(true);
    enable_input_controls(window, false);
    // Without an APK nothing is imported: the install takes well under a
    // second and has nothing to stop.
    if (!apk_path.empty()) {
        offer_cancel();
    }
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
        end_cancel_offer();
        end_install_progress(window, true);
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
    end_cancel_offer();
    if (outcome_cancelled) {
        // The user's choice: no failure box, the window as it was before.
        end_install_progress(window, false);
        SetWindowTextW(setup_window.status_line, install_cancelled_text);
        enable_input_controls(window, true);
        return;
    }
    end_install_progress(window, !outcome_error.empty());
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
    case IDCANCEL:
        // Escape, through IsDialogMessageW.
        ask_to_cancel(window);
        break;
    default:
        break;
    }
}

} // namespace

LRESULT CALLBACK setup_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    // Registered at run time, so it cannot be a case label.
    if (message == taskbar_button_created_message()) {
        connect_taskbar(window);
        return 0;
    }
    switch (message) {
    case WM_COMMAND:
        handle_command(window, LOWORD(wparam), HIWORD(wparam));
        return 0;
    case WM_CLOSE:
        // The process must not end in the middle of an install: it can only
        // be stopped, and only before its point of no return.
        if (install_running.load()) {
            ask_to_cancel(window);
        } else {
            DestroyWindow(window);
        }
        return 0;
    case WM_DESTROY:
        release_taskbar();
        PostQuitMessage(0);
        return 0;
    case WM_DPICHANGED:
        // Moved to a monitor of another scale; both halves of wParam hold its DPI.
        change_dpi(window, HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
        return 0;
    case WM_INSTALL_COMMITTED:
        withdraw_cancel();
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
        // in an edit field: Enter installs; during an install, with the focus
        // on Cancel, it asks to stop. (Escape sends IDCANCEL.)
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
