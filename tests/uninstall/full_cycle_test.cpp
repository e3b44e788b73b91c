// Install silently, play, then uninstall through exactly the commands that the
// installation registered, as the list of installed programs (or a script
// with the quiet command) would run them; in a folder deep enough for asset
// paths past 300 characters.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "app/text.h"
#include "hand_made_install.h"
#include "install/layout.h"
#include "run_dialogue.h"
#include "support/fixture_files.h"
#include "support/install_inspection.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

class FullCycle : public ::testing::Test {
protected:
    void SetUp() override
    {
        remove_install_registration();
        temp = make_temp_folder(L"full cycle");
        ASSERT_FALSE(temp.empty());
        // A folder of 130 characters or more, so the deepest asset's path (180
        // in the APK) passes 300 while the program's stays below 260 for the
        // links.
        folder = temp;
        while (folder.size() < 130) {
            folder += L"\\Reef Game";
        }
        ASSERT_EQ(run_program(GLOAMREEF_SETUP_EXE, L"/silent " + quote(folder) + L" " +
                                                       quote(fixture_path("install_deep.apk"))),
                  0u);
        ASSERT_EQ(game_data_difference(folder, "install_deep"), "");
        size_t deepest = 0;
        for_each_entry(folder, [&](const std::wstring&, const std::wstring& path, DWORD) {
            deepest = std::max(deepest, path.size());
        });
        ASSERT_GT(deepest, 300u);
        ASSERT_TRUE(start_menu_shortcut_exists());

        // The game runs once and leaves its log; it also keeps saves.
        ASSERT_EQ(run_program(folder + L"\\gloamreef.exe", L"", folder), 0u);
        ASSERT_TRUE(path_exists(folder + L"\\gloamreef.log"));
        CreateDirectoryW((folder + L"\\userdata").c_str(), nullptr);
        write_file(folder + L"\\userdata\\slot1.sav", "save");
        write_file(folder + L"\\mods\\textures\\README.txt", "Put texture packs here.");
    }

    void TearDown() override
    {
        remove_install_registration();
        remove_test_folder(temp);
        DeleteFileW(temporary_copy_path().c_str());
    }

    // The registered command, started as the shell starts a command line.
    RunningProgram start_registered(const wchar_t* name, const std::wstring& more = L"")
    {
        std::wstring command = read_registry_text(HKEY_CURRENT_USER, uninstall_key_path, name);
        EXPECT_FALSE(command.empty()) << wide_to_utf8(name);
        return start_command(command + more, temp);
    }

    // The copy removes uninstall.exe once the launcher has ended, and the
    // copy's own file goes when the copy ends.
    static bool removal_settled(const std::wstring& folder,
                                const std::vector<std::wstring>& left)
    {
        return wait_until([&] {
            return entries_below(folder) == left && !path_exists(temporary_copy_path());
        });
    }

    std::wstring temp;
    std::wstring folder;
};

TEST_F(FullCycle, RegisteredCommandRemovesTheSilentInstall)
{
    RunningProgram launcher = start_registered(L"UninstallString");
    EndProgramOnExit end_launcher{launcher};
    ASSERT_NE(launcher.process, nullptr);
    RunningProgram copy = relaunched_copy(launcher);
    EndProgramOnExit end_copy{copy};
    ASSERT_NE(copy.process, nullptr);
    answer_run(copy.id, folder, true, removed_text, IDI_INFORMATION);
    EXPECT_EQ(finish_program(copy, 20000), 0u);

    EXPECT_TRUE(removal_settled(folder, {}));
    EXPECT_FALSE(path_exists(folder));
    EXPECT_FALSE(uninstall_entry_exists());
    EXPECT_FALSE(start_menu_shortcut_exists());
}

TEST_F(FullCycle, QuietCommandEndsWithTheRunsExitCodeAndKeepsTheSaves)
{
    // While the game runs the removal fails, and so does the command; the
    // installation stays to be removed later.
    RunningProgram game = start_game(folder);
    ASSERT_NE(game.process, nullptr);
    RunningProgram launcher = start_registered(L"QuietUninstallString");
    EXPECT_EQ(finish_program(launcher, 30000), 1u);
    finish_program(game, 0);
    EXPECT_TRUE(uninstall_entry_exists());
    EXPECT_TRUE(path_exists(folder + L"\\uninstall.exe"));
    EXPECT_TRUE(wait_until([] { return !path_exists(temporary_copy_path()); }));

    // A message box would keep the run from ending: one that ends showed none.
    launcher = start_registered(L"QuietUninstallString", L" /log=quiet.log");
    EXPECT_EQ(finish_program(launcher, 30000), 0u);
    EXPECT_TRUE(removal_settled(folder, {L"userdata", L"userdata\\slot1.sav"}));
    EXPECT_FALSE(uninstall_entry_exists());
    EXPECT_FALSE(start_menu_shortcut_exists());
    // Written by the copy, in the folder the command was started in.
    std::string log = read_file(temp + L"\\quiet.log");
    EXPECT_NE(log.find("quiet uninstall of "), std::string::npos) << log;
    EXPECT_NE(log.find("exit code: 0"), std::string::npos) << log;
}

} // namespace
