// Answering the uninstall run's message boxes from a test.
#pragma once

#include <string>
#include <vector>

#include "support/gui_driver.h"

// Waits for the next message box of the process and checks what all boxes of
// the run share: the product caption and no owner window.
MessageBoxView next_run_box(DWORD process_id);

// Presses the button and waits until the box has gone.
void answer(const MessageBoxView& box, int button);

// Answers Yes to removing the folder and Yes or No to the user data, after
// checking both questions' texts, buttons, default buttons and icons.
void answer_questions(DWORD process_id, const std::wstring& folder, bool remove_user_data);

// The run's last box, checked for its text, its single OK button and its icon;
// left open for the caller to answer.
MessageBoxView expect_last_box(DWORD process_id, const std::wstring& text, const wchar_t* icon);

// The whole dialogue: both questions, then the last box, answered with OK.
void answer_run(DWORD process_id, const std::wstring& folder, bool remove_user_data,
                const std::wstring& last_text, const wchar_t* last_icon);

// The temporary copy that a launcher started, found by its first question; the
// launcher must have ended with 0 by itself before anything was answered.
// process is null when no question came.
RunningProgram relaunched_copy(RunningProgram& launcher);

// Ends a program that a failed test left waiting on a message box.
struct EndProgramOnExit {
    RunningProgram& program;
    ~EndProgramOnExit()
    {
        if (program.process != nullptr) {
            finish_program(program, 0);
        }
    }
};

const std::vector<int> yes_no = {IDYES, IDNO};
const std::vector<int> ok_only = {IDOK};
const std::vector<int> retry_cancel = {IDCANCEL, IDRETRY};
