// The install worker's progress and outcome channel.
#include "app/progress.h"

#include <atomic>

HWND progress_window = nullptr;
HWND progress_status_line = nullptr;
std::wstring outcome_error;
std::wstring outcome_folder;
bool outcome_cancelled = false;
std::wstring outcome_notes;

namespace {

// The percentage last posted in this install; -1 before its first.
std::atomic<int> posted_percent{-1};

// The last stage text, shown again after a wait. Only the worker touches it.
std::wstring stage_text;

} // namespace

void report_stage(const wchar_t* text)
{
    stage_text = text;
    // A null handle fails at once, so the silent mode's worker never waits.
    SetWindowTextW(progress_status_line, text);
}

void report_wait(const std::wstring& text)
{
    SetWindowTextW(progress_status_line, text.c_str());
}

void end_wait_report()
{
    SetWindowTextW(progress_status_line, stage_text.c_str());
}

void report_progress(int percent)
{
    // A post to no window would pile up in the calling thread's own queue.
    if (progress_window == nullptr) {
        return;
    }
    percent = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
    if (posted_percent.exchange(percent) == percent) {
        return;
    }
    PostMessageW(progress_window, WM_INSTALL_PROGRESS, static_cast<WPARAM>(percent), 0);
}

int import_progress_percent(uint64_t bytes_written, uint64_t bytes_total)
{
    if (bytes_total == 0 || bytes_written >= bytes_total) {
        return import_done_percent;
    }
    // In floating point: the product of a byte count and the percentage could overflow.
    return static_cast<int>(static_cast<double>(bytes_written) * import_done_percent /
                            static_cast<double>(bytes_total));
}

void report_outcome(const std::wstring& folder, const std::wstring& error,
                    const std::wstring& notes, bool cancelled)
{
    outcome_error = error;
    outcome_notes = notes;
    outcome_cancelled = cancelled;
    outcome_folder = folder;
    posted_percent.store(-1);
    // With no window this lands in the worker's own queue, which nobody reads.
    PostMessageW(progress_window, WM_INSTALL_DONE, 0, 0);
}
