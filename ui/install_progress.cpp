// The progress bar, the taskbar button's progress and the shutdown block
// reason of a running install.
#include "ui/install_progress.h"

#include <commctrl.h>
#include <shobjidl.h>

#include "ui/setup_window.h"

namespace {

constexpr wchar_t shutdown_block_reason[] = L"Installing Gloam Reef...";

// Null where the shell offers no taskbar progress (before Windows 7, or no
// taskbar at all): the bar in the window is enough then.
ITaskbarList3* taskbar = nullptr;

void connect_taskbar()
{
    if (taskbar != nullptr) {
        return;
    }
    // The window's button exists by the time an install starts.
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ITaskbarList3, reinterpret_cast<void**>(&taskbar)))) {
        taskbar = nullptr;
        return;
    }
    if (FAILED(taskbar->HrInit())) {
        taskbar->Release();
        taskbar = nullptr;
    }
}

} // namespace

void begin_install_progress(HWND window)
{
    // Log-off would end the worker between two steps; WM_QUERYENDSESSION is
    // refused meanwhile, and this is what Windows tells the user why.
    ShutdownBlockReasonCreate(window, shutdown_block_reason);
    SendMessageW(setup_window.progress_bar, PBM_SETPOS, 0, 0);
    ShowWindow(setup_window.progress_bar, SW_SHOW);
    connect_taskbar();
    if (taskbar != nullptr) {
        taskbar->SetProgressState(window, TBPF_NORMAL);
        taskbar->SetProgressValue(window, 0, 100);
    }
}

void show_install_progress(HWND window, int percent)
{
    SendMessageW(setup_window.progress_bar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    if (taskbar != nullptr) {
        taskbar->SetProgressValue(window, static_cast<ULONGLONG>(percent), 100);
    }
}

void end_install_progress(HWND window)
{
    ShutdownBlockReasonDestroy(window);
    ShowWindow(setup_window.progress_bar, SW_HIDE);
    if (taskbar != nullptr) {
        taskbar->SetProgressState(window, TBPF_NOPROGRESS);
    }
}
