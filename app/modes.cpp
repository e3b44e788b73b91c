// The silent and the interactive install modes.
#include "app/modes.h"

#include <commctrl.h>
#include <objbase.h>

#include <thread>

#include "app/progress.h"
#include "install/install_pipeline.h"
#include "ui/setup_window.h"

int run_silent_install(const std::wstring& folder, const std::wstring& apk_path)
{
    progress_window = nullptr;
    progress_status_line = nullptr;
    std::thread worker(run_install, folder, apk_path, false);
    worker.join();
    return outcome_error.empty() ? 0 : 1;
}

int run_interactive_install(HINSTANCE instance)
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    HWND window = create_setup_window(instance);
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
