// The install worker's progress and outcome channel.
#include "app/progress.h"

HWND progress_window = nullptr;
HWND progress_status_line = nullptr;
std::wstring outcome_error;
std::wstring outcome_folder;

void report_stage(const wchar_t* text)
{
    // A null handle fails at once, so the silent mode's worker never waits.
    SetWindowTextW(progress_status_line, text);
}

void report_outcome(const std::wstring& folder, const std::wstring& error)
{
    outcome_error = error;
    outcome_folder = folder;
    // With no window this lands in the worker's own queue, which nobody reads.
    PostMessageW(progress_window, WM_INSTALL_DONE, 0, 0);
}
