// What the setup window shows of a running install besides its status line:
// the progress bar, the taskbar button's progress, and the reason it gives
// Windows for holding up a log-off or shutdown.
#pragma once

#include <windows.h>

// Shows the bar at its start and tells Windows that an install runs.
void begin_install_progress(HWND window);

// Moves the bar and the taskbar button's progress to percent (0..100).
void show_install_progress(HWND window, int percent);

// The install has ended: the bar is hidden again (it keeps its position) and
// Windows may end the session again. The taskbar button keeps its progress,
// red after a failure, until the window is idle again.
void end_install_progress(HWND window, bool failed);

// The window is idle again: the taskbar button shows no progress.
void clear_install_progress(HWND window);

// A box that waits for the user (Retry or Cancel) is open, or has closed.
void show_install_waiting(HWND window, bool waiting);
