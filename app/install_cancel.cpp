// The cancel request between the setup window and the install worker.
#include "app/install_cancel.h"

#include "app/progress.h"

namespace {

enum CancelState : int { running, asking, stopping, committed };

std::atomic<int> cancel_state{running};
std::atomic<bool> stop_requested{false};

// How often a worker held at its point of no return looks for the answer.
constexpr DWORD answer_poll_ms = 10;

} // namespace

void reset_install_cancel()
{
    stop_requested.store(false);
    cancel_state.store(running);
}

bool begin_cancel_question()
{
    int expected = running;
    return cancel_state.compare_exchange_strong(expected, asking);
}

void answer_cancel_question(bool stop)
{
    // The flag first: a worker that sees the question answered must also see it.
    if (stop) {
        stop_requested.store(true);
    }
    int expected = asking;
    cancel_state.compare_exchange_strong(expected, stop ? stopping : running);
}

const std::atomic<bool>* install_cancel_flag()
{
    return &stop_requested;
}

bool pass_point_of_no_return()
{
    for (;;) {
        int expected = running;
        if (cancel_state.compare_exchange_strong(expected, committed) || expected == committed) {
            break;
        }
        if (expected == stopping) {
            return false;
        }
        // The question is open; the user, not the window, is waited for.
        Sleep(answer_poll_ms);
    }
    // Sent, not posted, so that it reaches the window before the stage texts
    // that follow (also sent); without waiting, so the worker never blocks on it.
    if (progress_window != nullptr) {
        SendNotifyMessageW(progress_window, WM_INSTALL_COMMITTED, 0, 0);
    }
    return true;
}
