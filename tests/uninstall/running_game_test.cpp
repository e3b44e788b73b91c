// A quiet uninstall while the game runs: the files the game holds stay, with
// the folder around them; everything else goes, the registration too, and a
// later run finishes the job.
#include <gtest/gtest.h>

#include "hand_made_install.h"
#include "support/install_inspection.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

// The running game: its program file mapped (no sharing for delete) and its
// log open for writing.
struct RunningGame {
    HANDLE program;
    HANDLE log;
    explicit RunningGame(const std::wstring& folder)
        : program(CreateFileW((folder + L"\\gloamreef.exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr)),
          log(CreateFileW((folder + L"\\gloamreef.log").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                          nullptr, OPEN_ALWAYS, 0, nullptr))
    {
    }
    ~RunningGame() { quit(); }
    void quit()
    {
        for (HANDLE* handle : {&program, &log}) {
            if (*handle != INVALID_HANDLE_VALUE) {
                CloseHandle(*handle);
                *handle = INVALID_HANDLE_VALUE;
            }
        }
    }
};

DWORD run_quiet(const std::wstring& folder)
{
    return run_program(GLOAMREEF_SETUP_EXE, L"/uninstall-run " + quote(folder) + L" /quiet", L"",
                       20000);
}

const std::vector<std::wstring> saves = {L"userdata", L"userdata\\saves",
                                         L"userdata\\saves\\slot1.sav", L"userdata\\settings.ini"};

} // namespace

TEST(UninstallWhileTheGameRuns, HeldFilesStayAndASecondRunRemovesThem)
{
    std::wstring folder = make_temp_folder(L"running game");
    ASSERT_FALSE(folder.empty());
    make_installation(folder);
    register_installation(folder);
    RunningGame game(folder);
    ASSERT_NE(game.program, INVALID_HANDLE_VALUE);
    ASSERT_NE(game.log, INVALID_HANDLE_VALUE);

    EXPECT_EQ(run_quiet(folder), 0u);
    std::vector<std::wstring> left = {L"gloamreef.exe", L"gloamreef.log"};
    left.insert(left.end(), saves.begin(), saves.end());
    EXPECT_EQ(entries_below(folder), left);
    EXPECT_FALSE(uninstall_entry_exists());
    EXPECT_FALSE(start_menu_shortcut_exists());
    EXPECT_FALSE(desktop_shortcut_exists());

    game.quit();
    EXPECT_EQ(run_quiet(folder), 0u) << "gloamreef.exe still marks the installation";
    EXPECT_EQ(entries_below(folder), saves);

    remove_test_folder(folder);
    remove_install_registration();
}
