// Answering the uninstall run's message boxes from a test.
#pragma once

#include <vector>

#include "support/gui_driver.h"

// Waits for the next message box of the process and checks what all boxes of
// the run share: the product caption and no owner window.
MessageBoxView next_run_box(DWORD process_id);

// Presses the button and waits until the box has gone.
void answer(const MessageBoxView& box, int button);

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
