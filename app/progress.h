// The channel through which the install worker reports to whoever started it:
// the window that is told when it ends, the status line it writes its stages
// into, how far it has come, and the two outcome strings.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Posted once by the worker as its last act; carries no data.
constexpr UINT WM_INSTALL_DONE = WM_APP + 1;

// Posted by the worker when the install has come further; wParam is the
// percentage done, 0 to 100. Never sent: the worker must not wait for the window.
constexpr UINT WM_INSTALL_PROGRESS = WM_APP + 2;

// The import fills the bar up to here; the later stages share the rest.
constexpr int import_done_percent = 90;
constexpr int program_written_percent = 95;

// Null in silent mode: the worker's status texts and its completion post then
// reach no window.
extern HWND progress_window;
extern HWND progress_status_line;

// Written by the worker before it posts WM_INSTALL_DONE; read by the window on
// that message, or by the silent mode after the worker has ended.
extern std::wstring outcome_error;
extern std::wstring outcome_folder;
// True when the user stopped the install (outcome_error then says so): no
// failure, and nothing was changed.
extern bool outcome_cancelled;
// After a successful install: what did not go as asked but costs no install
// (a link that could not be made), one line each; empty when all went well.
extern std::wstring outcome_notes;

// Shows a stage text in the status line; waits until the window has taken it.
void report_stage(const wchar_t* text);

// Shows what the install waits for in the status line, in place of the stage
// text until end_wait_report brings that back.
void report_wait(const std::wstring& text);
void end_wait_report();

// Tells the window how far the install has come (clamped to 0..100). Posts
// only when the whole percentage changes, so a long import sends at most about
// a hundred messages; nothing with no window. Never blocks.
void report_progress(int percent);

// The import's share of the bar for bytes written out of the total it will write.
int import_progress_percent(uint64_t bytes_written, uint64_t bytes_total);

// Stores the outcome and tells the window; the worker touches nothing after it.
void report_outcome(const std::wstring& folder, const std::wstring& error,
                    const std::wstring& notes = L"", bool cancelled = false);
