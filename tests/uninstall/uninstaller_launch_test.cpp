// The registered uninstall command: uninstall.exe /uninstall relaunches a
// temporary copy of itself, which does the removal.
#include <gtest/gtest.h>

#include "app/text.h"
#include "hand_made_install.h"
#include "run_dialogue.h"
#include "support/install_inspection.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

std::wstring temp_folder()
{
    wchar_t temp[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    return std::wstring(temp, length);
}

class UninstallerLaunch : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = make_temp_folder(L"launch from");
        elsewhere = make_temp_folder(L"launch cwd");
        ASSERT_FALSE(folder.empty());
        ASSERT_FALSE(elsewhere.empty());
    }
    void TearDown() override
    {
        remove_test_folder(folder);
        remove_test_folder(elsewhere);
        remove_install_registration();
        DeleteFileW(temporary_copy_path().c_str());
    }

    // Started from another working folder, as the list of installed programs does.
    RunningProgram launch(const std::wstring& program)
    {
        return start_program(program, L"/uninstall", elsewhere);
    }

    std::wstring folder;
    std::wstring elsewhere;
};

TEST_F(UninstallerLaunch, RelaunchedCopyRemovesTheWholeInstallation)
{
    make_installation(folder);
    register_installation(folder);
    std::string uninstaller = read_file(folder + L"\\uninstall.exe");
    ASSERT_FALSE(uninstaller.empty());
    // Left by an earlier launch.
    ASSERT_TRUE(write_file(temporary_copy_path(), "stale copy"));

    RunningProgram launcher = launch(folder + L"\\uninstall.exe");
    EndProgramOnExit end_launcher{launcher};
    HWND question = wait_for_window(0, L"#32770", caption_text, 20000);
    ASSERT_NE(question, nullptr);
    // Nothing has been answered yet, and the launcher is already gone.
    EXPECT_TRUE(program_ended(launcher, 10000));
    EXPECT_EQ(finish_program(launcher, 0), 0u);

    DWORD copy_id = window_process(question);
    RunningProgram copy = attach_program(copy_id);
    EndProgramOnExit end_copy{copy};
    ASSERT_NE(copy.process, nullptr);
    EXPECT_EQ(read_file(temporary_copy_path()), uninstaller);
    ProcessStart start = read_process_start(copy_id);
    EXPECT_EQ(CompareStringOrdinal(start.image_path.c_str(), -1, temporary_copy_path().c_str(), -1,
                                   TRUE),
              CSTR_EQUAL)
        << "started from " << wide_to_utf8(start.image_path);
    std::wstring arguments = L" /uninstall-run \"" + folder + L"\"";
    ASSERT_GE(start.command_line.size(), arguments.size());
    EXPECT_EQ(start.command_line.substr(start.command_line.size() - arguments.size()), arguments);
    EXPECT_EQ(CompareStringOrdinal(start.current_folder.c_str(), -1, temp_folder().c_str(), -1,
                                   TRUE),
              CSTR_EQUAL);

    MessageBoxView confirm = next_run_box(copy_id);
    EXPECT_EQ(confirm.text, confirmation_text(folder));
    answer(confirm, IDYES);
    answer(next_run_box(copy_id), IDYES);
    MessageBoxView done = next_run_box(copy_id);
    EXPECT_EQ(done.text, removed_text);
    answer(done, IDOK);
    EXPECT_EQ(finish_program(copy, 20000), 0u);

    // uninstall.exe was not running, so it went, and the folder with it.
    EXPECT_FALSE(path_exists(folder));
    EXPECT_FALSE(uninstall_entry_exists());
    EXPECT_FALSE(start_menu_shortcut_exists());
    EXPECT_FALSE(desktop_shortcut_exists());
    // The copy stays for the next launch to overwrite.
    EXPECT_TRUE(path_exists(temporary_copy_path()));
}

TEST_F(UninstallerLaunch, RunsInPlaceWhenNoCopyCanBeMade)
{
    make_installation(folder);
    register_installation(folder);
    // A copy still held open by someone else cannot be overwritten.
    HANDLE held = CreateFileW(temporary_copy_path().c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    RunningProgram launcher = launch(folder + L"\\uninstall.exe");
    EndProgramOnExit end{launcher};
    MessageBoxView confirm = next_run_box(launcher.id);
    ASSERT_NE(confirm.window, nullptr);
    EXPECT_EQ(confirm.text, confirmation_text(folder));
    answer(confirm, IDYES);
    answer(next_run_box(launcher.id), IDNO);
    MessageBoxView done = next_run_box(launcher.id);
    EXPECT_EQ(done.text, removed_kept_text);
    answer(done, IDOK);
    EXPECT_EQ(finish_program(launcher, 20000), 0u);
    CloseHandle(held);

    // The running uninstaller could not delete itself.
    EXPECT_EQ(entries_below(folder),
              (std::vector<std::wstring>{L"uninstall.exe", L"userdata", L"userdata\\saves",
                                         L"userdata\\saves\\slot1.sav", L"userdata\\settings.ini"}));
    EXPECT_FALSE(uninstall_entry_exists());
    EXPECT_FALSE(start_menu_shortcut_exists());
}

TEST_F(UninstallerLaunch, SetupStartedFromAnotherFolderFindsNoInstallation)
{
    // The setup program in a downloads folder, started with /uninstall, while
    // the temp copy is blocked so that the whole run is in view.
    std::wstring setup = folder + L"\\gloamreef-setup.exe";
    ASSERT_TRUE(CopyFileW(GLOAMREEF_SETUP_EXE, setup.c_str(), FALSE));
    write_file(folder + L"\\reef.apk", "PK");
    HANDLE held = CreateFileW(temporary_copy_path().c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    RunningProgram launcher = launch(setup);
    EndProgramOnExit end{launcher};
    MessageBoxView confirm = next_run_box(launcher.id);
    EXPECT_EQ(confirm.text, confirmation_text(folder));
    answer(confirm, IDYES);
    answer(next_run_box(launcher.id), IDYES);
    MessageBoxView warning = next_run_box(launcher.id);
    EXPECT_EQ(warning.text, not_found_text);
    answer(warning, IDOK);
    EXPECT_EQ(finish_program(launcher, 20000), 1u);
    CloseHandle(held);

    EXPECT_EQ(entries_below(folder),
              (std::vector<std::wstring>{L"gloamreef-setup.exe", L"reef.apk"}));
}

} // namespace

namespace {

TEST_F(UninstallerLaunch, InstallationAtADriveRootReachesTheCopyWhole)
{
    // The folder's trailing backslash must not turn into an escaped quote.
    const wchar_t letter = L'Q';
    ASSERT_TRUE(map_drive(letter, folder));
    struct Unmap {
        wchar_t letter;
        ~Unmap() { unmap_drive(letter); }
    } unmap{letter};
    std::wstring root = L"Q:\\";
    make_installation(root);
    register_installation(root);

    RunningProgram launcher = launch(root + L"uninstall.exe");
    EndProgramOnExit end_launcher{launcher};
    HWND question = wait_for_window(0, L"#32770", caption_text, 20000);
    EXPECT_EQ(finish_program(launcher, 10000), 0u);
    if (question != nullptr) {
        DWORD copy_id = window_process(question);
        RunningProgram copy = attach_program(copy_id);
        EndProgramOnExit end_copy{copy};
        MessageBoxView confirm = next_run_box(copy_id);
        EXPECT_EQ(confirm.text, confirmation_text(root));
        answer(confirm, IDYES);
        answer(next_run_box(copy_id), IDYES);
        MessageBoxView done = next_run_box(copy_id);
        EXPECT_EQ(done.text, removed_text);
        answer(done, IDOK);
        EXPECT_EQ(finish_program(copy, 20000), 0u);
    } else {
        ADD_FAILURE() << "the temporary copy asked nothing";
    }
    EXPECT_EQ(entries_below(root), std::vector<std::wstring>{});
    EXPECT_FALSE(uninstall_entry_exists());
}

} // namespace
