// A re-import never puts the installed game data at risk: the new data is
// staged beside it and swapped in only when complete.
#include "install_fixture.h"

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

TEST_F(InstallTest, FolderBlockedByAFileFailsTheImportAndKeepsTheGameData)
{
    ASSERT_EQ(install(folder, fixture("install_game.apk")), L"");
    // An asset below a name that an earlier asset took as a file: the import
    // cannot create the folder and says so.
    EXPECT_EQ(install(folder, fixture("import_nested_conflict.zip")),
              import_failure(L"cannot create the folder " + folder + L"\\gamedata.new\\assets\\x"));
    EXPECT_EQ(game_data_difference("install_game"), "");
    EXPECT_FALSE(path_exists(folder + L"\\gamedata.new"));
}

TEST_F(InstallTest, DataOfAnInstallKilledInItsSwapIsMovedBackFirst)
{
    ASSERT_EQ(install(folder, fixture("install_game.apk")), L"");
    // Killed between the renames: the only complete data is in gamedata.old,
    // beside an older leftover that was deleted only in part.
    ASSERT_TRUE(MoveFileW((folder + L"\\gamedata").c_str(), (folder + L"\\gamedata.old").c_str()));
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\gamedata.old.1").c_str(), nullptr));
    ASSERT_TRUE(write_file(folder + L"\\gamedata.old.1\\atc_textures", ""));

    // Even an APK that is then rejected finds the data back in place.
    EXPECT_NE(install(folder, fixture("install_no_library.apk")), L"");
    EXPECT_EQ(game_data_difference("install_game"), "");
    EXPECT_FALSE(path_exists(folder + L"\\gamedata.old"));
}
