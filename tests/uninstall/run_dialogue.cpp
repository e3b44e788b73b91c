// Answering the uninstall run's message boxes.
#include "run_dialogue.h"

#include <gtest/gtest.h>

#include "hand_made_install.h"

MessageBoxView next_run_box(DWORD process_id)
{
    MessageBoxView box = wait_for_message_box(process_id, 20000);
    EXPECT_NE(box.window, nullptr) << "no message box appeared";
    if (box.window != nullptr) {
        EXPECT_EQ(box.caption, caption_text);
        EXPECT_EQ(box.owner, nullptr);
    }
    return box;
}

void answer(const MessageBoxView& box, int button)
{
    if (box.window == nullptr) {
        return;
    }
    EXPECT_TRUE(press_button(box.window, button));
    EXPECT_TRUE(wait_for_window_gone(box.window));
}
