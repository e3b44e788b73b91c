// The uninstall run as the user sees it: the real setup program under Wine,
// answered through its message boxes.
#include <gtest/gtest.h>

#include "hand_made_install.h"
#include "run_dialogue.h"
#include "support/install_inspection.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

class InteractiveRun : public HandMadeInstallTest {
protected:
    InteractiveRun() : HandMadeInstallTest(L"uninstall run") {}

    RunningProgram start_run()
    {
        return start_program(GLOAMREEF_SETUP_EXE, L"/uninstall-run " + quote(folder));
    }
};

TEST_F(InteractiveRun, NoToTheFirstQuestionTouchesNothing)
{
    install_by_hand();
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
    expect_registration(true);
}

TEST_F(InteractiveRun, FolderWithoutProgramFilesIsWarnedAboutAfterBothQuestions)
{
    // Game data and saves alone are no installation.
    make_installation(folder);
    remove_program_files(folder);
    register_installation(folder);
    std::vector<std::wstring> before = entries_below(folder);

    RunningProgram run = start_run();
    EndProgramOnExit end{run};
    answer_run(run.id, folder, true, not_found_text, IDI_WARNING);

    EXPECT_EQ(finish_program(run, 20000), 1u);
    EXPECT_EQ(entries_below(folder), before);
    expect_registration(true);
}

TEST_F(InteractiveRun, KeepingUserDataLeavesOnlyTheSaves)
{
    install_by_hand();

    RunningProgram run = start_run();
    EndProgramOnExit end{run};
    answer_questions(run.id, folder, false);
    MessageBoxView done = expect_last_box(run.id, removed_kept_text, IDI_INFORMATION);
    ASSERT_NE(done.window, nullptr);
    // The removal is complete before the final message.
    EXPECT_EQ(entries_below(folder), kept_user_data);
    expect_registration(false);
    answer(done, IDOK);
    EXPECT_EQ(finish_program(run, 20000), 0u);
}

TEST_F(InteractiveRun, RemovingUserDataLeavesNothing)
{
    install_by_hand();
    RunningProgram game = start_game(folder);
    ASSERT_NE(game.process, nullptr);

    RunningProgram run = start_run();
    EndProgramOnExit end{run};
    answer_questions(run.id, folder, true);
    // Closed while the box asks: Retry goes on with the removal.
    MessageBoxView box = next_run_box(run.id);
    EXPECT_EQ(box.text, running_text);
    finish_program(game, 0);
    answer(box, IDRETRY);
    answer(expect_last_box(run.id, removed_text, IDI_INFORMATION), IDOK);

    EXPECT_EQ(finish_program(run, 20000), 0u);
    EXPECT_FALSE(path_exists(folder));
    expect_registration(false);
}

// Retry tests again; Cancel ends as a No does.
TEST_F(InteractiveRun, CancelWhileTheGameRunsRemovesNothing)
{
    install_by_hand();
    RunningProgram game = start_game(folder);
    ASSERT_NE(game.process, nullptr);
    std::vector<std::wstring> before = entries_below(folder);

    RunningProgram run = start_run();
    EndProgramOnExit end{run};
    answer_questions(run.id, folder, true);
    for (int button : {IDRETRY, IDCANCEL}) {
        MessageBoxView box = next_run_box(run.id);
        EXPECT_EQ(box.text, running_text);
        EXPECT_EQ(box.buttons, retry_cancel);
        EXPECT_TRUE(shows_system_icon(box, IDI_WARNING));
        answer(box, button);
    }
    EXPECT_EQ(finish_program(run, 20000), 0u);
    finish_program(game, 0);
    EXPECT_EQ(entries_below(folder), before);
    expect_registration(true);
}

TEST_F(InteractiveRun, KeepsWhatTheInstallDidNotWrite)
{
    install_by_hand();
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

    RunningProgram run = start_run();
    EndProgramOnExit end{run};
    // Wine cannot delete those links, so gamedata and userdata stay and are named.
    answer_run(run.id, folder, true,
               L"Some files could not be removed:\n" + folder + L"\\gamedata\n" + folder +
                   L"\\userdata\n\nClose any program that uses them and run the uninstaller again.",
               IDI_WARNING);
    EXPECT_EQ(finish_program(run, 20000), 1u);

    // The program files and the registration stay with what stays.
    EXPECT_TRUE(path_exists(folder + L"\\gloamreef.exe"));
    EXPECT_TRUE(path_exists(folder + L"\\uninstall.exe"));
    EXPECT_TRUE(path_exists(folder + L"\\notes.txt"));
    EXPECT_EQ(read_file(folder + L"\\mods\\textures\\reef-hd.zip"), "texture pack");
    EXPECT_FALSE(path_exists(folder + L"\\mods\\textures\\README.txt"));
    EXPECT_FALSE(path_exists(folder + L"\\gloamreef.log"));
    EXPECT_FALSE(path_exists(folder + L"\\gamedata.new"));
    EXPECT_EQ(read_file(elsewhere + L"\\assets\\big.pak"), "assets");
    EXPECT_EQ(read_file(elsewhere + L"\\cloud\\slot2.sav"), "cloud save");
    expect_registration(true);
    remove_unix_link(folder + L"\\gamedata\\moved");
    remove_unix_link(folder + L"\\userdata\\cloud");
    remove_test_folder(elsewhere);
}

} // namespace
