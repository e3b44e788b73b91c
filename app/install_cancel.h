// The user's request to stop a running install: asked for in the window,
// obeyed by the worker up to its point of no return (the swap of the newly
// imported game data into place). Nothing installed before is changed until
// then, so stopping earlier costs nothing but the staged data.
#pragma once

#include <windows.h>

#include <atomic>

// Sent without waiting by the worker when it passes its point of no return
// (never in silent mode); carries no data. From then on the install cannot be
// stopped.
constexpr UINT WM_INSTALL_COMMITTED = WM_APP + 3;

// The outcome of a stopped install, and the window's status line after it.
constexpr wchar_t install_cancelled_text[] = L"Installation cancelled. Nothing was changed.";

// Before a worker starts: nothing asked, nothing stopped.
void reset_install_cancel();

// The window is about to ask whether to stop. False when the worker has
// passed its point of no return or a question is already open. While the
// question is open the worker holds at its point of no return, so the answer
// is never too late.
bool begin_cancel_question();

// The answer: stop, or go on.
void answer_cancel_question(bool stop);

// Raised once the user has chosen to stop; ImportOptions::cancel watches it.
const std::atomic<bool>* install_cancel_flag();

// Called by the worker right before its first change that cannot be undone.
// Waits while the user is being asked; false when the install is to stop,
// true (after telling the window with WM_INSTALL_COMMITTED) when it goes on.
bool pass_point_of_no_return();
