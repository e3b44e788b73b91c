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

void answer_questions(DWORD process_id, const std::wstring& folder, bool remove_user_data)
{
    MessageBoxView confirm = next_run_box(process_id);
    EXPECT_EQ(confirm.text, confirmation_text(folder));
    EXPECT_EQ(confirm.buttons, yes_no);
    EXPECT_EQ(confirm.default_button, IDYES);
    EXPECT_TRUE(shows_system_icon(confirm, IDI_QUESTION));
    answer(confirm, IDYES);

    MessageBoxView user_data = next_run_box(process_id);
    EXPECT_EQ(user_data.text, user_data_question_text);
    EXPECT_EQ(user_data.buttons, yes_no);
    EXPECT_EQ(user_data.default_button, IDNO);
    EXPECT_TRUE(shows_system_icon(user_data, IDI_QUESTION));
    answer(user_data, remove_user_data ? IDYES : IDNO);
}

MessageBoxView expect_last_box(DWORD process_id, const std::wstring& text, const wchar_t* icon)
{
    MessageBoxView box = next_run_box(process_id);
    if (box.window != nullptr) {
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.buttons, ok_only);
        EXPECT_TRUE(shows_system_icon(box, icon));
    }
    return box;
}

void answer_run(DWORD process_id, const std::wstring& folder, bool remove_user_data,
                const std::wstring& last_text, const wchar_t* last_icon)
{
    answer_questions(process_id, folder, remove_user_data);
    answer(expect_last_box(process_id, last_text, last_icon), IDOK);
}

RunningProgram relaunched_copy(RunningProgram& launcher)
{
    HWND question = wait_for_window(0, L"#32770", caption_text, 20000);
    EXPECT_NE(question, nullptr) << "the temporary copy asked nothing";
    // Nothing has been answered yet, and the launcher is already gone.
    EXPECT_TRUE(program_ended(launcher, 10000));
    EXPECT_EQ(finish_program(launcher, 0), 0u);
    if (question == nullptr) {
        return {};
    }
    return attach_program(window_process(question));
}
