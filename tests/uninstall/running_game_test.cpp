// A quiet uninstall while the game runs removes nothing and exits with 1; a
// file that stays held through the removal is named in the run log, and the
// uninstaller stays to be run again.
#include <gtest/gtest.h>

#include "app/text.h"
#include "hand_made_install.h"
#include "support/install_inspection.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

DWORD run_quiet(const std::wstring& folder, const std::wstring& log = L"")
{
    std::wstring log_argument = log.empty() ? L"" : L" " + quote(L"/log=" + log);
    // The log argument may stand before /quiet, too.
    return run_program(GLOAMREEF_SETUP_EXE,
                       L"/uninstall-run " + quote(folder) + log_argument + L" /quiet", L"", 30000);
}

class UninstallWhileInUse : public HandMadeInstallTest {
protected:
    UninstallWhileInUse() : HandMadeInstallTest(L"running game") {}
};

TEST_F(UninstallWhileInUse, RunningGameStopsAQuietRunBeforeAnyRemoval)
{
    install_by_hand();
    RunningProgram game = start_game(folder);
    ASSERT_NE(game.process, nullptr);
    std::vector<std::wstring> before = entries_below(folder);

    EXPECT_EQ(run_quiet(folder), 1u);
    EXPECT_EQ(entries_below(folder), before);
    expect_registration(true);

    finish_program(game, 0);
    EXPECT_EQ(run_quiet(folder), 0u);
    EXPECT_EQ(entries_below(folder), kept_user_data);
}

TEST_F(UninstallWhileInUse, HeldGameDataIsNamedAndTheExitCodeIsOne)
{
    install_by_hand();
    std::wstring held = folder + L"\\gamedata\\assets\\levels\\reef1.dat";
    HANDLE file = CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::wstring log = make_temp_folder(L"run log") + L"\\uninstall.log";

    EXPECT_EQ(run_quiet(folder, log), 1u);
    CloseHandle(file);
    std::string text = read_file(log);
    EXPECT_NE(text.find("Some files could not be removed: " + wide_to_utf8(folder) + "\\gamedata "),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("(error 32: "), std::string::npos) << text; // a sharing violation
    EXPECT_TRUE(text.size() > 15 && text.compare(text.size() - 14, 14, "exit code: 1\r\n") == 0)
        << text;
    // What could go went; the program files, the links and the entry stay,
    // so the uninstaller can be run again, and then it finishes.
    EXPECT_TRUE(path_exists(held));
    EXPECT_FALSE(path_exists(folder + L"\\gloamreef.log"));
    EXPECT_TRUE(path_exists(folder + L"\\gloamreef.exe"));
    EXPECT_TRUE(path_exists(folder + L"\\uninstall.exe"));
    expect_registration(true);

    EXPECT_EQ(run_quiet(folder), 0u);
    EXPECT_EQ(entries_below(folder), kept_user_data);
    expect_registration(false);
    remove_test_folder(log.substr(0, log.rfind(L'\\')));
}

} // namespace
