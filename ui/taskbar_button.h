// The window's taskbar button as a second progress display (Windows 7 on):
// the install's progress, red after a failure, yellow while a box waits for
// the user, nothing when idle. Without the shell's interface it shows nothing,
// which is no error.
#pragma once

#include <windows.h>
#include <shobjidl.h>

// The message the shell sends once it has made the window's button, also
// again after Explorer has restarted.
UINT taskbar_button_created_message();

// On that message: (re)connects to the taskbar and shows what was shown before.
void connect_taskbar(HWND window);

// The window is going: lets the interface go.
void release_taskbar();

// What the button shows: TBPF_NOPROGRESS, TBPF_NORMAL, TBPF_PAUSED or
// TBPF_ERROR; the value stays where it was.
void show_taskbar_state(HWND window, TBPFLAG state);

// Moves the button's bar to percent (0..100).
void show_taskbar_value(HWND window, int percent);
