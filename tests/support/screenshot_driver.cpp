// Drives the setup window for scripts/screenshot's picture of an install:
// fills in the APK and the folder, starts the install, creates ready_file
// once the progress bar is half-way, waits for go_file (the picture is taken
// meanwhile), then stops the install with Cancel and Yes and closes the window.
//   screenshot_driver.exe <apk> <install folder> <ready file> <go file>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "support/gui_driver.h"
#include "support/test_support.h"
#include "ui/control_ids.h"

namespace {

int fail(const wchar_t* what)
{
    fwprintf(stderr, L"screenshot_driver: %ls\n", what);
    return 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 5) {
        return fail(L"usage: screenshot_driver.exe <apk> <install folder> <ready file> <go file>");
    }
    HWND window = wait_for_window(0, L"GloamReefPortSetup", L"Gloam Reef Voduze PC Viru - Setup",
                                  30000);
    if (window == nullptr) {
        return fail(L"the setup window did not appear");
    }
    set_control_text(GetDlgItem(window, IDC_APK), argv[1]);
    set_control_text(GetDlgItem(window, IDC_FOLDER), argv[2]);
    press_button(window, IDC_INSTALL);
    HWND bar = GetDlgItem(window, IDC_PROGRESS);
    if (!wait_until([&] { return SendMessageW(bar, PBM_GETPOS, 0, 0) >= 50; }, 300000)) {
        return fail(L"the progress bar did not reach half-way");
    }
    // Painted before the picture is taken.
    UpdateWindow(bar);
    if (!write_file(argv[3], "ready\n") || !wait_until([&] { return path_exists(argv[4]); }, 60000)) {
        return fail(L"no picture was taken");
    }

    // Nothing of the picture's install stays behind.
    press_button(window, IDC_INSTALL);
    MessageBoxView question = wait_for_message_box(window_process(window));
    if (question.window == nullptr) {
        return fail(L"Cancel asked nothing");
    }
    press_button(question.window, IDYES);
    HWND status = GetDlgItem(window, IDC_STATUS);
    if (!wait_until([&] { return window_text(status) == L"Installation cancelled. Nothing was changed."; },
                    120000)) {
        return fail(L"the install did not stop");
    }
    close_window(window);
    return wait_for_window_gone(window) ? 0 : fail(L"the window stayed");
}
