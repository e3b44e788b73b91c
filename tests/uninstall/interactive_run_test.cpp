// The uninstall run as the user sees it: the real setup program under Wine,
// answered through its message boxes.
#include <gtest/gtest.h>

#include "hand_made_install.h"
#include "run_dialogue.h"
#include "support/install_inspection.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

class InteractiveRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = make_temp_folder(L"uninstall run");
        ASSERT_FALSE(folder.empty());
    }
    void TearDown() override
    {
        remove_test_folder(folder);
        remove_install_registration();
    }

    RunningProgram start_run()
    {
        return start_program(GLOAMREEF_SETUP_EXE, L"/uninstall-run " + quote(folder));
    }

    // Answers the two questions after checking their texts and buttons.
    void answer_questions(DWORD process_id, bool remove_user_data)
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

    std::wstring folder;
};

TEST_F(InteractiveRun, NoToTheFirstQuestionTouchesNothing)
{
    make_installation(folder);
    register_installation(folder);
    std::vector<std::wstring> before = entries_below(folder);

    RunningProgram run = start_run();
    EndProgramOnExit end{run};
    MessageBoxView confirm = next_run_box(run.id);
    ASSERT_NE(confirm.window, nullptr);
    EXPECT_EQ(confirm.text, confirmation_text(folder));
    EXPECT_EQ(confirm.buttons, yes_no);
    EXPECT_EQ(confirm.default_button, IDYES);
    answer(confirm, IDNO);

    EXPECT_EQ(finish_program(run, 20000), 0u);
    EXPECT_EQ(entries_below(folder), before);
    EXPECT_TRUE(uninstall_entry_exists());
    EXPECT_TRUE(start_menu_shortcut_exists());
    EXPECT_TRUE(desktop_shortcut_exists());
}

TEST_F(InteractiveRun, FolderWithoutProgramFilesIsWarnedAboutAfterBothQuestions)
{
    // Game data and saves alone are no installation.
    make_installation(folder);
    DeleteFileW((folder + L"\\gloamreef.exe").c_str());
    DeleteFileW((folder + L"\\uninstall.exe").c_str());
    register_installation(folder);
    std::vector<std::wstring> before = entries_below(folder);

    RunningProgram run = start_run();
    EndProgramOnExit end{run};
    answer_questions(run.id, true);
    MessageBoxView warning = next_run_box(run.id);
    ASSERT_NE(warning.window, nullptr);
    EXPECT_EQ(warning.text, not_found_text);
    EXPECT_EQ(warning.buttons, ok_only);
    EXPECT_TRUE(shows_system_icon(warning, IDI_WARNING));
    answer(warning, IDOK);

    EXPECT_EQ(finish_program(run, 20000), 1u);
    EXPECT_EQ(entries_below(folder), before);
    EXPECT_TRUE(uninstall_entry_exists());
    EXPECT_TRUE(start_menu_shortcut_exists());
}

TEST_F(InteractiveRun, KeepingUserDataLeavesOnlyTheSaves)
{
    make_installation(folder);
    register_installation(folder);

    RunningProgram run = start_run();
    EndProgramOnExit end{run};
    answer_questions(run.id, false);
    MessageBoxView done = next_run_box(run.id);
    ASSERT_NE(done.window, nullptr);
    EXPECT_EQ(done.text, removed_kept_text);
    EXPECT_EQ(done.buttons, ok_only);
    EXPECT_TRUE(shows_system_icon(done, IDI_INFORMATION));
    // The removal is complete before the final message.
    EXPECT_EQ(entries_below(folder),
              (std::vector<std::wstring>{L"userdata", L"userdata\\saves",
                                         L"userdata\\saves\\slot1.sav", L"userdata\\settings.ini"}));
    EXPECT_FALSE(uninstall_entry_exists());
    EXPECT_FALSE(start_menu_shortcut_exists());
    EXPECT_FALSE(desktop_shortcut_exists());
    answer(done, IDOK);
    EXPECT_EQ(finish_program(run, 20000), 0u);
}

TEST_F(InteractiveRun, RemovingUserDataLeavesNothing)
{
    make_installation(folder);
    register_installation(folder);

    RunningProgram run = start_run();
    EndProgramOnExit end{run};
    answer_questions(run.id, true);
    MessageBoxView done = next_run_box(run.id);
    ASSERT_NE(done.window, nullptr);
    EXPECT_EQ(done.text, removed_text);
    EXPECT_EQ(done.buttons, ok_only);
    EXPECT_TRUE(shows_system_icon(done, IDI_INFORMATION));
    answer(done, IDOK);

    EXPECT_EQ(finish_program(run, 20000), 0u);
    EXPECT_FALSE(path_exists(folder));
    EXPECT_FALSE(uninstall_entry_exists());
    EXPECT_FALSE(start_menu_shortcut_exists());
    EXPECT_FALSE(desktop_shortcut_exists());
}

TEST_F(InteractiveRun, KeepsWhatTheInstallDidNotWrite)
{
    make_installation(folder);
    register_installation(folder);
    write_file(folder + L"\\mods\\textures\\reef-hd.zip", "texture pack");
    write_file(folder + L"\\notes.txt", "the user's own file");

    // Game data and saves moved elsewhere and linked back in. Wine keeps such
    // links in place, and so the folders that hold them.
    std::wstring elsewhere = make_temp_folder(L"moved data");
    CreateDirectoryW((elsewhere + L"\\assets").c_str(), nullptr);
    CreateDirectoryW((elsewhere + L"\\cloud").c_str(), nullptr);
    write_file(elsewhere + L"\\assets\\big.pak", "assets");
    write_file(elsewhere + L"\\cloud\\slot2.sav", "cloud save");
    ASSERT_TRUE(make_folder_link(folder + L"\\gamedata\\moved", elsewhere + L"\\assets"));
    ASSERT_TRUE(make_folder_link(folder + L"\\userdata\\cloud", elsewhere + L"\\cloud"));

    // A running game holds its program open.
    HANDLE game = CreateFileW((folder + L"\\gloamreef.exe").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(game, INVALID_HANDLE_VALUE);

    RunningProgram run = start_run();
    EndProgramOnExit end{run};
    answer_questions(run.id, true);
    MessageBoxView done = next_run_box(run.id);
    EXPECT_EQ(done.text, removed_text);
    answer(done, IDOK);
    EXPECT_EQ(finish_program(run, 20000), 0u);
    CloseHandle(game);

    EXPECT_TRUE(path_exists(folder + L"\\gloamreef.exe"));
    EXPECT_TRUE(path_exists(folder + L"\\notes.txt"));
    EXPECT_EQ(read_file(folder + L"\\mods\\textures\\reef-hd.zip"), "texture pack");
    EXPECT_FALSE(path_exists(folder + L"\\mods\\textures\\README.txt"));
    EXPECT_FALSE(path_exists(folder + L"\\uninstall.exe"));
    EXPECT_FALSE(path_exists(folder + L"\\gloamreef.log"));
    EXPECT_FALSE(path_exists(folder + L"\\gamedata.new"));
    EXPECT_EQ(read_file(elsewhere + L"\\assets\\big.pak"), "assets");
    EXPECT_EQ(read_file(elsewhere + L"\\cloud\\slot2.sav"), "cloud save");
    EXPECT_FALSE(uninstall_entry_exists());
    EXPECT_FALSE(start_menu_shortcut_exists());
    EXPECT_FALSE(desktop_shortcut_exists());
    remove_unix_link(folder + L"\\gamedata\\moved");
    remove_unix_link(folder + L"\\userdata\\cloud");
    remove_test_folder(elsewhere);
}

} // namespace
