// The window's input checks and the folder rules they share with silent mode,
// without a window.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "app/long_path.h"
#include "app/text.h"
#include "install/install_folder.h"
#include "support/test_support.h"
#include "ui/install_checks.h"

TEST(InstallChecks, TrimRemovesOnlyTrailingBackslashesAndBlanks)
{
    EXPECT_EQ(trim_install_folder(L"C:\\"), L"C:");
    EXPECT_EQ(trim_install_folder(L"C:\\Games\\Reef \\ \\\\"), L"C:\\Games\\Reef");
    EXPECT_EQ(trim_install_folder(L" C:\\My Games\\Reef"), L" C:\\My Games\\Reef");
    EXPECT_EQ(trim_install_folder(L"D:/Reef/"), L"D:/Reef/");
    EXPECT_EQ(trim_install_folder(L"Reef\t"), L"Reef\t");
    EXPECT_EQ(trim_install_folder(L" \\ \\\\ "), L"");
}

TEST(InstallChecks, FieldsLoseThePastedQuotesAndTheFolderBecomesAbsolute)
{
    wchar_t here[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, here);
    // What the folder field gives the install, and whether that is a root.
    const std::tuple<const wchar_t*, std::wstring, bool> cases[] = {
        {L"C:/Games/x/../Reef/", L"C:\\Games\\Reef", false},
        {L"\"Reef\"", trim_install_folder(here) + L"\\Reef", false},
        // A bare drive is its root, whatever the drive's current folder.
        {L"\"C:\\\"", L"C:\\", true},
        {L"\\\\server\\share\\", L"\\\\server\\share", true},
        {L"\\\\server\\share\\Games", L"\\\\server\\share\\Games", false},
        {L"\\\\?\\UNC\\server\\share\\", L"\\\\?\\UNC\\server\\share", true},
        {L"\" \\ \"", L"", false},
    };
    for (const auto& [typed, folder, root] : cases) {
        EXPECT_EQ(install_folder_from_field(typed), folder) << wide_to_utf8(typed);
        EXPECT_EQ(is_drive_root(folder), root) << wide_to_utf8(typed);
    }
    // Only a pair around the whole text is removed.
    EXPECT_EQ(apk_path_from_field(L"\"reef.apk"), L"\"reef.apk");
    EXPECT_EQ(apk_path_from_field(L"\""), L"\"");
}

TEST(InstallFolder, OnlyAFolderWithSomeoneElsesFilesCountsAsOthers)
{
    std::wstring folder = make_temp_folder(L"others");
    // What an uninstall that kept the saves leaves, and an interrupted
    // install's leftovers, in any letter case.
    for (const wchar_t* ours : {L"UserData", L"mods", L"GAMEDATA.OLD.3", L"crash.dmp"}) {
        ASSERT_TRUE(CreateDirectoryW((folder + L"\\" + ours).c_str(), nullptr));
    }
    EXPECT_FALSE(holds_other_files(folder));
    ASSERT_TRUE(write_file(folder + L"\\notes.txt", "mine"));
    EXPECT_TRUE(holds_other_files(folder));
    // An installation with a file of the user's in it is still ours.
    ASSERT_TRUE(write_file(folder + L"\\Uninstall.EXE", "MZ"));
    EXPECT_FALSE(holds_other_files(folder));
    remove_test_folder(folder);
}

TEST(InstallChecks, OnlyAnExistingDiskFileIsAnApk)
{
    std::wstring folder = make_temp_folder(L"apk-checks");
    // Past 260 characters, where the file APIs need the extended form.
    std::wstring deep = folder + L"\\" + std::wstring(120, L'd') + L"\\" + std::wstring(120, L'e');
    ASSERT_EQ(create_folder_tree(extended_path(deep)), static_cast<DWORD>(ERROR_SUCCESS));
    std::wstring deep_apk = deep + L"\\game.apk";
    ASSERT_GT(deep_apk.size(), 260u);
    ASSERT_TRUE(write_file(folder + L"\\game.apk", "PK"));
    ASSERT_TRUE(write_file(deep_apk, "PK"));
    wchar_t here[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, here);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    const std::pair<std::wstring, bool> cases[] = {
        {folder + L"\\game.apk", true}, {deep_apk, true}, {L"game.apk", true},
        {folder, false}, {folder + L"\\missing.apk", false}, {L"CON", false},
        {L"\\\\.\\NUL", false},
    };
    for (const auto& [path, file] : cases) {
        EXPECT_EQ(is_disk_file(path), file) << wide_to_utf8(path);
        EXPECT_EQ(check_install_input(folder, path),
                  file ? InputProblem::none : InputProblem::apk_not_a_file)
            << wide_to_utf8(path);
    }
    SetCurrentDirectoryW(here);
    remove_test_folder(folder);
}
