// The outcome and progress channel, with no window (the silent mode's
// situation) and with a window of this thread in the setup window's place.
#include <gtest/gtest.h>

#include <numeric>
#include <thread>
#include <vector>

#include "app/progress.h"

TEST(Progress, NullHandlesAcceptStageProgressAndOutcome)
{
    progress_window = nullptr;
    progress_status_line = nullptr;
    std::thread worker([] {
        report_stage(L"Importing game data from the APK...");
        report_outcome(L"C:\\Games\\Reef", L"failure text");
    });
    worker.join();
    EXPECT_EQ(outcome_folder, L"C:\\Games\\Reef");
    EXPECT_EQ(outcome_error, L"failure text");

    report_progress(50);
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_INSTALL_PROGRESS, WM_INSTALL_PROGRESS,
                              PM_REMOVE)) << "progress with no window piles up";
    report_outcome(L"D:\\Other", L"");
    EXPECT_EQ(outcome_folder, L"D:\\Other");
    EXPECT_TRUE(outcome_error.empty());
    // The post to no window went to this thread's own queue; take it out again.
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_INSTALL_DONE, WM_INSTALL_DONE, PM_REMOVE));
    EXPECT_EQ(message.hwnd, nullptr);
}

TEST(Progress, StageTextReachesStatusLine)
{
    HWND status = CreateWindowExW(0, L"STATIC", L"before", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(status, nullptr);
    progress_status_line = status;
    report_stage(L"Copying the game program...");
    wchar_t text[64] = {};
    GetWindowTextW(status, text, 64);
    EXPECT_STREQ(text, L"Copying the game program...");
    progress_status_line = nullptr;
    DestroyWindow(status);
}

TEST(Progress, PostsEachWholePercentOnce)
{
    progress_window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
    // A 300 MB import reports far more often than the window needs to hear.
    for (uint64_t written = 0; written < 300'000'000; written += 65536) {
        report_progress(import_progress_percent(written, 300'000'000));
    }
    std::vector<WPARAM> posted, expected(import_done_percent);
    for (MSG m; PeekMessageW(&m, nullptr, WM_INSTALL_PROGRESS, WM_INSTALL_PROGRESS, PM_REMOVE);) {
        posted.push_back(m.wParam);
    }
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(posted, expected);
    EXPECT_EQ(import_progress_percent(1ull << 62, 1ull << 63), import_done_percent / 2);
    DestroyWindow(progress_window);
    progress_window = nullptr;
}
