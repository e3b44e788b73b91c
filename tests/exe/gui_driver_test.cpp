// The GUI driver against a plain message box of this process's own making.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/gui_driver.h"

TEST(GuiDriver, ReadsAndAnswersAMessageBox)
{
    int answer = 0;
    std::thread asker([&answer] {
        answer = MessageBoxW(nullptr, L"Remove it?\n\nReally?", L"Driver caption",
                             MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    });
    MessageBoxView box = wait_for_message_box(GetCurrentProcessId());
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.caption, L"Driver caption");
    EXPECT_EQ(box.text, L"Remove it?\n\nReally?");
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(box.default_button, IDNO);
    EXPECT_TRUE(press_button(box.window, IDYES));
    asker.join();
    EXPECT_EQ(answer, IDYES);
}

TEST(GuiDriver, WaitsUntilPostedMessagesAreHandled)
{
    // A window with an edit field whose thread is busy for a moment with
    // WM_USER and brings up a box for WM_APP.
    std::atomic<HWND> window{nullptr};
    std::thread owner([&window] {
        HWND created = CreateWindowExW(0, L"Static", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                       nullptr, nullptr, nullptr, nullptr);
        CreateWindowExW(0, L"Edit", L"", WS_CHILD, 0, 0, 100, 20, created, nullptr, nullptr, nullptr);
        window = created;
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (message.message == WM_USER) {
                Sleep(300);
            } else if (message.message == WM_APP) {
                MessageBoxW(created, L"Posted", L"Driver caption", MB_OK);
            }
            DispatchMessageW(&message);
        }
        DestroyWindow(created);
    });
    ASSERT_TRUE(wait_until([&] { return window.load() != nullptr; }));

    // The busy thread answers a sent message before it takes WM_APP: only a
    // marker posted behind WM_APP tells that the box is up.
    PostMessageW(window, WM_USER, 0, 0);
    PostMessageW(window, WM_APP, 0, 0);
    EXPECT_TRUE(wait_until_posted_handled(window));
    MessageBoxView box = wait_for_message_box(GetCurrentProcessId(), 0);
    EXPECT_NE(box.window, nullptr) << "the wait ended before the box was up";
    EXPECT_EQ(SendMessageW(FindWindowExW(window, nullptr, L"Edit", nullptr), EM_GETMODIFY, 0, 0),
              FALSE) << "the marker stayed";
    if (box.window != nullptr) {
        press_button(box.window, IDOK);
    }
    // Ends the box too, should it come late.
    PostThreadMessageW(GetWindowThreadProcessId(window, nullptr), WM_QUIT, 0, 0);
    owner.join();
}
