// The GUI driver against a plain message box of this process's own making.
#include <gtest/gtest.h>

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
