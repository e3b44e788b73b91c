// The registered uninstall command: uninstall.exe /uninstall relaunches a
// temporary copy of itself, which does the removal.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "app/command_line.h"
#include "app/text.h"
#include "hand_made_install.h"
#include "run_dialogue.h"
#include "support/install_inspection.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

class UninstallerLaunch : public HandMadeInstallTest {
protected:
    UninstallerLaunch() : HandMadeInstallTest(L"launch from") {}

    void SetUp() override
    {
        HandMadeInstallTest::SetUp();
        elsewhere = make_temp_folder(L"launch cwd");
        ASSERT_FALSE(elsewhere.empty());
    }
    void TearDown() override
    {
        HandMadeInstallTest::TearDown();
        remove_test_folder(elsewhere);
        DeleteFileW(temporary_copy_path().c_str());
    }

    // Started from another working folder, as the list of installed programs does.
    RunningProgram launch(const std::wstring& program)
    {
        return start_program(program, L"/uninstall", elsewhere);
    }

    std::wstring elsewhere;
};

TEST_F(UninstallerLaunch, RelaunchedCopyRemovesTheWholeInstallation)
{
    install_by_hand();
    std::string uninstaller = read_file(folder + L"\\uninstall.exe");
    ASSERT_FALSE(uninstaller.empty());
    // Left by an earlier launch.
    ASSERT_TRUE(write_file(temporary_copy_path(), "stale copy"));

    RunningProgram launcher = launch(folder + L"\\uninstall.exe");
    EndProgramOnExit end_launcher{launcher};
    RunningProgram copy = relaunched_copy(launcher);
    EndProgramOnExit end_copy{copy};
    ASSERT_NE(copy.process, nullptr);
    EXPECT_TRUE(read_file(temporary_copy_path()) == uninstaller);
    ProcessStart start = read_process_start(copy.id);
    EXPECT_EQ(CompareStringOrdinal(start.image_path.c_str(), -1, temporary_copy_path().c_str(), -1,
                                   TRUE),
              CSTR_EQUAL)
        << "started from " << wide_to_utf8(start.image_path);
    // What the copy makes of its command line: the launcher's arguments and
    // the channel to it, and never quiet.
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(start.command_line.c_str(), &argc);
    ModeChoice choice = choose_mode(argc, argv);
    LocalFree(argv);
    EXPECT_EQ(choice.mode, Mode::uninstall_run);
    EXPECT_EQ(choice.folder, folder);
    EXPECT_FALSE(choice.quiet);
    EXPECT_FALSE(choice.launcher.empty());
    EXPECT_EQ(CompareStringOrdinal(start.current_folder.c_str(), -1, temp_folder_path().c_str(), -1,
                                   TRUE),
              CSTR_EQUAL);

    answer_run(copy.id, folder, true, removed_text, IDI_INFORMATION);
    EXPECT_EQ(finish_program(copy, 20000), 0u);

    // uninstall.exe was not running, so it went, and the folder with it.
    EXPECT_FALSE(path_exists(folder));
    expect_registration(false);
    EXPECT_TRUE(wait_until([] { return !path_exists(temporary_copy_path()); }));
}

TEST_F(UninstallerLaunch, RunsInPlaceWhenNoCopyCanBeMade)
{
    install_by_hand();
    // A copy still held open by someone else cannot be overwritten.
    HANDLE held = CreateFileW(temporary_copy_path().c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    RunningProgram launcher = launch(folder + L"\\uninstall.exe");
    EndProgramOnExit end{launcher};
    answer_run(launcher.id, folder, false, removed_kept_text, IDI_INFORMATION);
    EXPECT_EQ(finish_program(launcher, 20000), 0u);
    CloseHandle(held);

    // The running uninstaller could not delete itself.
    std::vector<std::wstring> left = kept_user_data;
    left.insert(left.begin(), L"uninstall.exe");
    EXPECT_EQ(entries_below(folder), left);
    expect_registration(false);
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
    answer_run(launcher.id, folder, true, not_found_text, IDI_WARNING);
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
    RunningProgram copy = relaunched_copy(launcher);
    EndProgramOnExit end_copy{copy};
    if (copy.process != nullptr) {
        answer_run(copy.id, root, true, removed_text, IDI_INFORMATION);
        EXPECT_EQ(finish_program(copy, 20000), 0u);
    }
    EXPECT_EQ(entries_below(root), std::vector<std::wstring>{});
    EXPECT_FALSE(uninstall_entry_exists());
}

} // namespace
