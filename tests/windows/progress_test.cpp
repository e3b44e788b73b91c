// The outcome and progress channel, with no window (the silent mode's
// situation) and with a window of this thread standing in for the setup's.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "app/progress.h"

namespace {

// The progress percentages posted to this thread's windows so far, in order.
std::vector<WPARAM> take_progress_messages()
{
    std::vector<WPARAM> percents;
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_INSTALL_PROGRESS, WM_INSTALL_PROGRESS, PM_REMOVE)) {
        percents.push_back(message.wParam);
    }
    return percents;
}

} // namespace

TEST(Progress, NullHandlesAcceptStageProgressAndOutcome)
{
    progress_window = nullptr;
    progress_status_line = nullptr;
    std::thread worker([] {
        report_stage(L"Importing game data from the APK...");
        report_progress(40);
        report_outcome(L"C:\\Games\\Reef", L"failure text");
    });
    worker.join();
    EXPECT_EQ(outcome_folder, L"C:\\Games\\Reef");
    EXPECT_EQ(outcome_error, L"failure text");

    report_progress(50);
    EXPECT_TRUE(take_progress_messages().empty()) << "progress with no window piles up";
    report_outcome(L"D:\\Other", L"");
    EXPECT_EQ(outcome_folder, L"D:\\Other");
    EXPECT_TRUE(outcome_error.empty());
    // The post to no window went to this thread's own queue; take it out again.
    MSG message;
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

TEST(Progress, PostsEachWholePercentOnceAndStartsAfreshAfterTheOutcome)
{
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    progress_window = window;
    // A 300 MB import reports far more often than the window needs to hear.
    const uint64_t total = 300'000'000;
    for (uint64_t written = 0; written <= total; written += 65536) {
        report_progress(import_progress_percent(written, total));
    }
    report_progress(import_progress_percent(total, total));
    report_progress(program_written_percent);
    report_progress(100);
    std::vector<WPARAM> percents = take_progress_messages();
    ASSERT_EQ(percents.size(), static_cast<size_t>(import_done_percent + 1 + 2));
    for (size_t i = 0; i <= static_cast<size_t>(import_done_percent); ++i) {
        EXPECT_EQ(percents[i], i);
    }
    EXPECT_EQ(percents.back(), 100u);

    // The next install in the same process starts again from nothing.
    report_outcome(L"C:\\Reef", L"");
    report_progress(0);
    EXPECT_EQ(take_progress_messages(), std::vector<WPARAM>{0});
    MSG message;
    PeekMessageW(&message, nullptr, WM_INSTALL_DONE, WM_INSTALL_DONE, PM_REMOVE);

    // Sizes beyond what a product of bytes and percent can hold.
    EXPECT_EQ(import_progress_percent(1ull << 62, 1ull << 63), import_done_percent / 2);
    EXPECT_EQ(import_progress_percent(5, 0), import_done_percent);
    progress_window = nullptr;
    DestroyWindow(window);
}
