// Install silently, play, then uninstall through exactly the command that the
// installation registered, as the list of installed programs would run it.
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

TEST(FullCycle, RegisteredCommandRemovesTheSilentInstall)
{
    remove_install_registration();
    std::wstring temp = make_temp_folder(L"full cycle");
    ASSERT_FALSE(temp.empty());
    std::wstring folder = temp + L"\\Reef Game";
    std::wstring apk = fixture_path("install_game.apk");
    ASSERT_EQ(run_program(GLOAMREEF_SETUP_EXE, L"/silent " + quote(folder) + L" " + quote(apk)),
              0u);
    ASSERT_TRUE(path_exists(folder + L"\\gamedata\\libGloamReef.so"));
    ASSERT_TRUE(start_menu_shortcut_exists());

    // The game runs once and leaves its log; it also keeps saves.
    ASSERT_EQ(run_program(folder + L"\\gloamreef.exe", L"", folder), 0u);
    ASSERT_TRUE(path_exists(folder + L"\\gloamreef.log"));
    CreateDirectoryW((folder + L"\\userdata").c_str(), nullptr);
    write_file(folder + L"\\userdata\\slot1.sav", "save");
    write_file(folder + L"\\mods\\textures\\README.txt", "Put texture packs here.");

    RegistryValue command =
        read_registry_value(HKEY_CURRENT_USER, uninstall_key_path, L"UninstallString");
    ASSERT_TRUE(command.present);
    ASSERT_EQ(command.type, static_cast<DWORD>(REG_SZ));
    std::wstring command_line(reinterpret_cast<const wchar_t*>(command.bytes.data()),
                              command.bytes.size() / sizeof(wchar_t));
    while (!command_line.empty() && command_line.back() == L'\0') {
        command_line.pop_back();
    }

    RunningProgram launcher = start_command(command_line, temp);
    EndProgramOnExit end_launcher{launcher};
    ASSERT_NE(launcher.process, nullptr);
    RunningProgram copy = relaunched_copy(launcher);
    EndProgramOnExit end_copy{copy};
    ASSERT_NE(copy.process, nullptr);
    answer_run(copy.id, folder, true, removed_text, IDI_INFORMATION);
    EXPECT_EQ(finish_program(copy, 20000), 0u);

    EXPECT_FALSE(path_exists(folder));
    EXPECT_EQ(entries_below(temp), std::vector<std::wstring>{});
    EXPECT_FALSE(uninstall_entry_exists());
    EXPECT_FALSE(start_menu_shortcut_exists());
    remove_test_folder(temp);
    DeleteFileW(temporary_copy_path().c_str());
}

TEST(FullCycle, InstallAndUninstallPast300Characters)
{
    remove_install_registration();
    std::wstring temp = make_temp_folder(L"long path");
    ASSERT_FALSE(temp.empty());
    // A folder of 130 characters or more, so the deepest asset's path (180 in
    // the APK) passes 300 while the program's stays below 260 for the links.
    std::wstring folder = temp;
    while (folder.size() < 130) {
        folder += L"\\Reef folder";
    }
    ASSERT_EQ(run_program(GLOAMREEF_SETUP_EXE, L"/silent " + quote(folder) + L" " +
                                                   quote(fixture_path("install_deep.apk"))),
              0u);
    EXPECT_EQ(game_data_difference(folder, "install_deep"), "");
    size_t deepest = 0;
    for_each_entry(folder, [&](const std::wstring&, const std::wstring& path, DWORD) {
        deepest = std::max(deepest, path.size());
    });
    EXPECT_GT(deepest, 300u);

    EXPECT_EQ(run_program(GLOAMREEF_SETUP_EXE, L"/uninstall-run " + quote(folder) + L" /quiet"), 0u);
    EXPECT_FALSE(path_exists(folder));
    EXPECT_FALSE(uninstall_entry_exists());
    EXPECT_FALSE(start_menu_shortcut_exists());
    remove_test_folder(temp);
}

} // namespace
