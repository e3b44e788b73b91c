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

namespace {

LRESULT CALLBACK box_on_app_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_USER) {
        // A program busy for a moment.
        Sleep(300);
        return 0;
    }
    if (message == WM_APP) {
        MessageBoxW(window, L"Posted", L"Driver caption", MB_OK);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

} // namespace

TEST(GuiDriver, WaitsUntilPostedMessagesAreHandled)
{
    // A window with an edit control whose thread brings up a box for WM_APP.
    std::atomic<HWND> window{nullptr};
    std::thread owner([&window] {
        WNDCLASSW window_class{};
        window_class.lpfnWndProc = box_on_app_message;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.lpszClassName = L"GuiDriverTestWindow";
        RegisterClassW(&window_class);
        HWND created = CreateWindowExW(0, window_class.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0,
                                       0, 200, 100, nullptr, nullptr, window_class.hInstance, nullptr);
        CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, created, nullptr,
                        window_class.hInstance, nullptr);
        window = created;
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            DispatchMessageW(&message);
        }
    });
    ASSERT_TRUE(wait_until([&] { return window.load() != nullptr; }));
    HWND edit = FindWindowExW(window, nullptr, L"Edit", nullptr);

    // The box comes after a busy moment: the wait ends only once it is up.
    PostMessageW(window, WM_USER, 0, 0);
    PostMessageW(window, WM_APP, 0, 0);
    EXPECT_TRUE(wait_until_posted_handled(window));
    MessageBoxView box = wait_for_message_box(GetCurrentProcessId(), 0);
    EXPECT_NE(box.window, nullptr);
    EXPECT_EQ(SendMessageW(edit, EM_GETMODIFY, 0, 0), FALSE) << "the marker stayed";
    if (box.window != nullptr) {
        press_button(box.window, IDOK);
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    owner.join();
}
