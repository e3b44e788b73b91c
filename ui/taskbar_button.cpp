// The taskbar button's progress through ITaskbarList3.
#include "ui/taskbar_button.h"

namespace {

// Null until the shell has made the button, and where it offers no taskbar
// progress (before Windows 7, no taskbar at all).
ITaskbarList3* taskbar = nullptr;

// What the button is to show, kept for a new button after an Explorer restart.
TBPFLAG shown_state = TBPF_NOPROGRESS;
int shown_percent = 0;

void apply(HWND window)
{
    if (taskbar == nullptr) {
        return;
    }
    taskbar->SetProgressState(window, shown_state);
    if (shown_state != TBPF_NOPROGRESS) {
        taskbar->SetProgressValue(window, static_cast<ULONGLONG>(shown_percent), 100);
    }
}

} // namespace

UINT taskbar_button_created_message()
{
    static const UINT message = RegisterWindowMessageW(L"TaskbarButtonCreated");
    return message;
}

void connect_taskbar(HWND window)
{
    release_taskbar();
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ITaskbarList3, reinterpret_cast<void**>(&taskbar)))) {
        taskbar = nullptr;
        return;
    }
    if (FAILED(taskbar->HrInit())) {
        release_taskbar();
        return;
    }
    apply(window);
}

void release_taskbar()
{
    if (taskbar != nullptr) {
        taskbar->Release();
        taskbar = nullptr;
    }
}

void show_taskbar_state(HWND window, TBPFLAG state)
{
    shown_state = state;
    apply(window);
}

void show_taskbar_value(HWND window, int percent)
{
    shown_percent = percent;
    // A value would switch a button without progress to showing some.
    if (taskbar != nullptr && shown_state != TBPF_NOPROGRESS) {
        taskbar->SetProgressValue(window, static_cast<ULONGLONG>(percent), 100);
    }
}
