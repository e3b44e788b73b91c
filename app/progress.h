// The channel through which the install worker reports to whoever started it:
// the window that is told when it ends, the status line it writes its stages
// into, and the two outcome strings.
#pragma once

#include <windows.h>

#include <string>

// Posted once by the worker as its last act; carries no data.
constexpr UINT WM_INSTALL_DONE = WM_APP + 1;

// Null in silent mode: the worker's status texts and its completion post then
// reach no window.
extern HWND progress_window;
extern HWND progress_status_line;

// Written by the worker before it posts WM_INSTALL_DONE; read by the window on
// that message, or by the silent mode after the worker has ended.
extern std::wstring outcome_error;
extern std::wstring outcome_folder;

// Shows a stage text in the status line; waits until the window has taken it.
void report_stage(const wchar_t* text);

// Stores the outcome and tells the window; the worker touches nothing after it.
void report_outcome(const std::wstring& folder, const std::wstring& error);
