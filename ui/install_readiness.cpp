// The window's free-space and running-game checks.
#include "ui/install_readiness.h"

#include "app/text.h"
#include "install/free_space.h"
#include "install/layout.h"
#include "install/program_files.h"
#include "ui/install_progress.h"

bool ready_to_install(HWND window, const std::wstring& folder, const std::wstring& apk_path)
{
    InstallPaths paths = install_paths(folder);
    ImportPlan plan;
    bool planned = !apk_path.empty() && plan_import(wide_to_utf8(apk_path), plan);
    if (apk_path.empty() || planned) {
        std::wstring refusal = free_space_refusal(nullptr, paths, planned ? &plan : nullptr);
        if (!refusal.empty()) {
            MessageBoxW(window, refusal.c_str(), product_name, MB_ICONERROR);
            return false;
        }
    }
    while (game_is_running(paths)) {
        show_install_waiting(window, true);
        int answer = MessageBoxW(window, game_running_text, product_name,
                                 MB_RETRYCANCEL | MB_ICONWARNING);
        show_install_waiting(window, false);
        if (answer != IDRETRY) {
            return false;
        }
    }
    return true;
}
