// The silent and the interactive install modes.
#include "app/modes.h"

#include <commctrl.h>
#include <objbase.h>

#include <thread>

#include "app/log.h"
#include "app/progress.h"
#include "app/single_instance.h"
#include "app/text.h"
#include "install/install_folder.h"
#include "install/install_pipeline.h"
#include "ui/setup_window.h"

int run_silent_install(const std::wstring& folder, const std::wstring& apk_path)
{
    if (!take_setup_lock()) {
        log_message('I', "not installed: another setup is running");
        return 1;
    }
    progress_window = nullptr;
    progress_status_line = nullptr;
    log_message('I', "silent install into %s from %s", wide_to_utf8(folder).c_str(),
                apk_path.empty() ? "(no APK: program only)" : wide_to_utf8(apk_path).c_str());
    // A relative folder would be registered and linked as such.
    std::thread worker(run_install, full_path(folder), apk_path, false);
    worker.join();
    if (!outcome_error.empty()) {
        log_message('I', "not installed: %s", wide_to_utf8(outcome_error).c_str());
        return 1;
    }
    log_message('I', "installed");
    return 0;
}

int run_interactive_install(HINSTANCE instance)
{
    // A second window would let two installs into one folder run at once.
    if (!take_setup_lock()) {
        if (!bring_running_setup_window_to_front()) {
            show_another_setup_running();
        }
        return 0;
    }

    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    HWND window = create_setup_window(instance);
    if (window == nullptr) {
        CoUninitialize();
        return 1;
    }
    ShowWindow(window, SW_SHOW);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Gives the window the dialog keyboard interface: Tab, Shift+Tab, Enter.
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    CoUninitialize();
    return 0;
}
