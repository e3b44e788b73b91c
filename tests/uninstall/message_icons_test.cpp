// The icon of each message box of the run. Icon handles can only be compared
// within one process, so this runs the removal in the test process itself.
#include <gtest/gtest.h>

#include <thread>

#include "hand_made_install.h"
#include "run_dialogue.h"
#include "support/test_support.h"
#include "uninstall/uninstall_run.h"

namespace {

// Answers each box in turn and returns its icon.
std::vector<HICON> answer_in_process(const std::wstring& folder, const std::vector<int>& answers,
                                     int& result)
{
    std::thread run([&] { result = run_uninstall(folder, false); });
    std::vector<HICON> icons;
    for (int button : answers) {
        MessageBoxView box = next_run_box(GetCurrentProcessId());
        icons.push_back(box.icon);
        answer(box, button);
    }
    run.join();
    return icons;
}

TEST(MessageIcons, QuestionsAskWarningWarnsAndTheEndInforms)
{
    HICON question = LoadIconW(nullptr, IDI_QUESTION);
    HICON warning = LoadIconW(nullptr, IDI_WARNING);
    HICON information = LoadIconW(nullptr, IDI_INFORMATION);
    ASSERT_NE(question, warning);
    ASSERT_NE(question, information);

    std::wstring folder = make_temp_folder(L"icons");
    int result = -1;
    EXPECT_EQ(answer_in_process(folder, {IDYES, IDNO, IDOK}, result),
              (std::vector<HICON>{question, question, warning}));
    EXPECT_EQ(result, 1);

    make_installation(folder);
    EXPECT_EQ(answer_in_process(folder, {IDYES, IDYES, IDOK}, result),
              (std::vector<HICON>{question, question, information}));
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(path_exists(folder));
    remove_test_folder(folder);
    remove_registration();
}

} // namespace
