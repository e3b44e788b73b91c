// The outcome channel with no window: the silent mode's situation.
#include <gtest/gtest.h>

#include <thread>

#include "app/progress.h"

TEST(Progress, NullHandlesAcceptStageAndOutcome)
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

    report_outcome(L"D:\\Other", L"");
    EXPECT_EQ(outcome_folder, L"D:\\Other");
    EXPECT_TRUE(outcome_error.empty());
    // The post to no window went to this thread's own queue; take it out again.
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_INSTALL_DONE, WM_INSTALL_DONE, PM_REMOVE));
    EXPECT_EQ(message.hwnd, nullptr);
    EXPECT_EQ(message.wParam, 0u);
    EXPECT_EQ(message.lParam, 0);
}

TEST(Progress, DoneMessageIsAppPlusOne)
{
    EXPECT_EQ(WM_INSTALL_DONE, 0x8001u);
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
