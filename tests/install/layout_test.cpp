// Path joining, derived paths and the test for installed game data.
#include <gtest/gtest.h>

#include "app/long_path.h"
#include "install/layout.h"
#include "support/test_support.h"

TEST(JoinPath, PutsOneBackslashBetweenFolderAndName)
{
    EXPECT_EQ(join_path(L"C:\\Games\\Reef", L"gamedata"), L"C:\\Games\\Reef\\gamedata");
    EXPECT_EQ(join_path(L"C:\\Games\\Reef\\", L"gamedata"), L"C:\\Games\\Reef\\gamedata");
    EXPECT_EQ(join_path(L"C:/Games/Reef/", L"gamedata"), L"C:/Games/Reef/gamedata");
    EXPECT_EQ(join_path(L"", L"gamedata"), L"gamedata");
}

TEST(JoinPath, BareDriveNeverBecomesDriveRelative)
{
    EXPECT_EQ(join_path(L"C:", L"gloamreef.exe"), L"C:\\gloamreef.exe");
    EXPECT_EQ(join_path(L"C:\\", L"gloamreef.exe"), L"C:\\gloamreef.exe");
    EXPECT_EQ(program_path(L"D:"), L"D:\\gloamreef.exe");
}

TEST(InstallPaths, DerivedOnceInExtendedFormBesideTheFolderAsGiven)
{
    InstallPaths paths = install_paths(L"C:\\Users\\Ann\\Reef\\");
    EXPECT_EQ(paths.root, L"\\\\?\\C:\\Users\\Ann\\Reef");
    EXPECT_EQ(paths.game_library, L"\\\\?\\C:\\Users\\Ann\\Reef\\gamedata\\libGloamReef.so");
    EXPECT_EQ(paths.textures_readme, L"\\\\?\\C:\\Users\\Ann\\Reef\\mods\\textures\\README.txt");
    EXPECT_EQ(paths.previous_game_data.front(), L"\\\\?\\C:\\Users\\Ann\\Reef\\gamedata.old");
    EXPECT_EQ(paths.previous_game_data.back(), L"\\\\?\\C:\\Users\\Ann\\Reef\\gamedata.old.9");
    // What the registry and the links get.
    EXPECT_EQ(program_path(paths.folder), L"C:\\Users\\Ann\\Reef\\gloamreef.exe");
    EXPECT_EQ(uninstaller_path(paths.folder), L"C:\\Users\\Ann\\Reef\\uninstall.exe");

    // A share, and a relative folder taken against the current one.
    EXPECT_EQ(install_paths(L"\\\\nas\\games\\Reef").uninstaller,
              L"\\\\?\\UNC\\nas\\games\\Reef\\uninstall.exe");
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(install_paths(L"Reef").root, extended_path(join_path(current, L"Reef")));
    EXPECT_TRUE(install_paths(L"").root.empty());
}

TEST(ShortcutPath, AppendsTheLinkNameOrNothingForAFailedLookup)
{
    EXPECT_EQ(shortcut_path(L"C:\\Start\\Programs"),
              L"C:\\Start\\Programs\\Gloam Reef Voduze PC Viru.lnk");
    // An empty known folder must not turn into "\Gloam Reef Voduze PC Viru.lnk"
    // at the root of the current drive.
    EXPECT_EQ(shortcut_path(L""), L"");
}

TEST(HasGameData, LooksForTheLibraryInsideGamedataOnly)
{
    std::wstring folder = make_temp_folder(L"layout");
    ASSERT_FALSE(folder.empty());
    EXPECT_FALSE(has_game_data(folder));

    // The library at the top of the install folder does not count.
    ASSERT_TRUE(write_file(folder + L"\\libGloamReef.so", "elf"));
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\gamedata").c_str(), nullptr));
    EXPECT_FALSE(has_game_data(folder));

    ASSERT_TRUE(write_file(folder + L"\\gamedata\\libGloamReef.so", "elf"));
    EXPECT_TRUE(has_game_data(folder));
    EXPECT_TRUE(has_game_data(folder + L"\\"));

    // Any kind of object at the library's path counts.
    ASSERT_TRUE(DeleteFileW((folder + L"\\gamedata\\libGloamReef.so").c_str()));
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\gamedata\\libGloamReef.so").c_str(), nullptr));
    EXPECT_TRUE(has_game_data(folder));

    EXPECT_FALSE(has_game_data(folder + L"\\missing\\deeper"));
    remove_test_folder(folder);
}

TEST(HasGameData, EmptyFolderMeansTheCurrentDirectory)
{
    std::wstring folder = make_temp_folder(L"layout-cwd");
    ASSERT_FALSE(folder.empty());
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    EXPECT_FALSE(has_game_data(L""));
    CreateDirectoryW(L"gamedata", nullptr);
    write_file(L"gamedata\\libGloamReef.so", "elf");
    EXPECT_TRUE(has_game_data(L""));
    SetCurrentDirectoryW(previous);
    remove_test_folder(folder);
}
