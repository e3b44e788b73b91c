// The progress bar, the taskbar button's progress and the shutdown block
// reason of a running install.
#include "ui/install_progress.h"

#include <commctrl.h>

#include "ui/setup_window.h"
#include "ui/taskbar_button.h"

namespace {

constexpr wchar_t shutdown_block_reason[] = L"Installing Gloam Reef...";

} // namespace

void begin_install_progress(HWND window)
{
    // Log-off would end the worker between two steps; WM_QUERYENDSESSION is
    // refused meanwhile, and this is what Windows tells the user why.
    ShutdownBlockReasonCreate(window, shutdown_block_reason);
    SendMessageW(setup_window.progress_bar, PBM_SETPOS, 0, 0);
    ShowWindow(setup_window.progress_bar, SW_SHOW);
    show_taskbar_state(window, TBPF_NORMAL);
    show_taskbar_value(window, 0);
}

void show_install_progress(HWND window, int percent)
{
    SendMessageW(setup_window.progress_bar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    show_taskbar_value(window, percent);
}

void end_install_progress(HWND window, bool failed)
{
    ShutdownBlockReasonDestroy(window);
    ShowWindow(setup_window.progress_bar, SW_HIDE);
    show_taskbar_state(window, failed ? TBPF_ERROR : TBPF_NOPROGRESS);
}

void clear_install_progress(HWND window)
{
    show_taskbar_state(window, TBPF_NOPROGRESS);
}

void show_install_waiting(HWND window, bool waiting)
{
    TBPFLAG after = install_running.load() ? TBPF_NORMAL : TBPF_NOPROGRESS;
    show_taskbar_state(window, waiting ? TBPF_PAUSED : after);
}
