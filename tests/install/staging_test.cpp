// A re-import never puts the installed game data at risk: the new data is
// staged beside it and swapped in only when complete.
#include "install_fixture.h"

#include "app/log.h"
#include "app/system_message.h"
#include "install/locked_retry.h"

TEST_F(InstallTest, RejectedApkKeepsTheInstalledGameData)
{
    ASSERT_EQ(install(folder, fixture("install_game.apk")), L"");
    auto before = read_tree(folder + L"\\gamedata");

    EXPECT_NE(install(folder, fixture("install_no_library.apk")), L"");
    EXPECT_EQ(tree_difference(read_tree(folder + L"\\gamedata"), before), "");
    EXPECT_FALSE(path_exists(folder + L"\\gamedata.new"));

    EXPECT_NE(install(folder, temp + L"\\missing.apk"), L"");
    EXPECT_EQ(tree_difference(read_tree(folder + L"\\gamedata"), before), "");
}

TEST_F(InstallTest, ReimportReplacesTheGameDataCompletely)
{
    ASSERT_EQ(install(folder, fixture("install_game.apk")), L"");
    ASSERT_TRUE(write_file(folder + L"\\gamedata\\assets\\stale.bin", "from an older version"));

    expect_clean_install("install_game_v2");
}

TEST_F(InstallTest, LeftoversOfAnInterruptedInstallDoNotGetIn)
{
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    for (const wchar_t* leftover : {L"\\gamedata.new", L"\\gamedata.old"}) {
        ASSERT_TRUE(CreateDirectoryW((folder + leftover).c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW((folder + leftover + L"\\assets").c_str(), nullptr));
        ASSERT_TRUE(write_file(folder + leftover + L"\\assets\\junk.bin", "half written"));
    }
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\gamedata").c_str(), nullptr));
    ASSERT_TRUE(write_file(folder + L"\\gamedata\\old.bin", "old"));

    expect_clean_install("install_game");
}

TEST_F(InstallTest, WhatAKilledInstallLeftIsPutRightByAnyNextRun)
{
    ASSERT_EQ(install(folder, fixture("install_game.apk")), L"");
    const std::string program = read_file(folder + L"\\gloamreef.exe");
    // A program-only update and an APK that is then rejected: neither brings
    // game data, both put back what the killed install set aside.
    for (const std::wstring& apk : {std::wstring(), fixture("install_no_library.apk")}) {
        SCOPED_TRACE(wide_to_utf8(apk));
        // Killed between the renames of its swap, with its staged data and a
        // program file half written: the only complete data is in
        // gamedata.old, beside an older leftover deleted only in part.
        ASSERT_TRUE(MoveFileW((folder + L"\\gamedata").c_str(), (folder + L"\\gamedata.old").c_str()));
        ASSERT_TRUE(CreateDirectoryW((folder + L"\\gamedata.old.1").c_str(), nullptr));
        ASSERT_TRUE(write_file(folder + L"\\gamedata.old.1\\atc_textures", ""));
        ASSERT_TRUE(CreateDirectoryW((folder + L"\\gamedata.new").c_str(), nullptr));
        ASSERT_TRUE(write_file(folder + L"\\gamedata.new\\libGloamReef.so", "half"));
        ASSERT_TRUE(write_file(folder + L"\\gloamreef.exe.new", program.substr(0, 100)));
        ASSERT_TRUE(has_game_data(folder)) << "the window would not offer a program-only update";

        EXPECT_EQ(install(folder, apk).empty(), apk.empty());
        EXPECT_EQ(game_data_difference("install_game"), "");
        EXPECT_EQ(read_file(folder + L"\\gloamreef.exe"), program);
        for (const wchar_t* leftover : {L"\\gamedata.old", L"\\gamedata.old.1", L"\\gamedata.new",
                                        L"\\gloamreef.exe.new"}) {
            EXPECT_FALSE(path_exists(folder + leftover)) << wide_to_utf8(leftover);
        }
    }
}

TEST_F(InstallTest, RenameOfTheGameDataWaitsForAProgramThatHoldsIt)
{
    ASSERT_EQ(install(folder, fixture("install_game.apk")), L"");
    std::wstring log = temp + L"\\install.log";
    ASSERT_TRUE(open_run_log(wide_to_utf8(log)));
    // A handle without delete sharing, as a scanner or a sync client keeps
    // one: Windows refuses to rename the folder meanwhile (so does Wine).
    auto hold = [](const std::wstring& path) {
        return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    };
    HANDLE held = hold(folder + L"\\gamedata");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread scanner([held] {
        Sleep(5000);
        CloseHandle(held);
    });
    EXPECT_EQ(install(folder, fixture("install_game_v2.apk")), L"");
    scanner.join();
    EXPECT_EQ(game_data_difference("install_game_v2"), "");

    // Held for longer than the wait: the folder's failure, the data kept.
    const DWORD usual_wait = held_folder_wait_ms;
    held_folder_wait_ms = 3000;
    held = hold(folder + L"\\gamedata");
    EXPECT_EQ(install(folder, fixture("install_game.apk")),
              write_failure(system_message(ERROR_SHARING_VIOLATION)));
    CloseHandle(held);
    held_folder_wait_ms = usual_wait;
    close_run_log();
    EXPECT_EQ(game_data_difference("install_game_v2"), "");
    EXPECT_FALSE(path_exists(folder + L"\\gamedata.new"));
    std::string text = read_file(log);
    EXPECT_NE(text.find("waiting for another program to close its files in " +
                        wide_to_utf8(folder) + "\\gamedata (error 32: "),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("gave up after "), std::string::npos) << text;
}
