// The window's input checks and the folder rules they share with silent mode,
// without a window.
#include <gtest/gtest.h>

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
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    std::wstring here = trim_install_folder(current);
    struct Case {
        const wchar_t* typed;
        std::wstring folder;
    };
    const Case cases[] = {
        {L"\"C:\\Games\\Reef\"", L"C:\\Games\\Reef"},
        {L"\"C:\\Games\\Reef\\\" \\ ", L"C:\\Games\\Reef"},
        {L"C:/Games/x/../Reef/", L"C:\\Games\\Reef"},
        {L"Reef", here + L"\\Reef"},
        {L"\"Reef\"", here + L"\\Reef"},
        // A bare drive is its root, whatever the drive's current folder.
        {L"C:", L"C:\\"},
        {L"\"C:\\\"", L"C:\\"},
        {L"\\\\server\\share\\", L"\\\\server\\share"},
        {L"\"\"", L""},
        {L"\" \\ \"", L""},
        // Only a pair around the whole text is removed.
        {L"\"Reef", here + L"\\\"Reef"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(wide_to_utf8(c.typed));
        EXPECT_EQ(install_folder_from_field(c.typed), c.folder);
    }
    EXPECT_EQ(apk_path_from_field(L"\"D:\\My Files\\reef.apk\""), L"D:\\My Files\\reef.apk");
    EXPECT_EQ(apk_path_from_field(L"\"reef.apk"), L"\"reef.apk");
    EXPECT_EQ(apk_path_from_field(L"\""), L"\"");
}

TEST(InstallFolder, DriveAndShareRootsAreRecognised)
{
    for (const wchar_t* root : {L"C:\\", L"c:", L"D:/", L"\\\\server\\share",
                                L"\\\\server\\share\\", L"\\\\?\\C:\\",
                                L"\\\\?\\UNC\\server\\share\\"}) {
        EXPECT_TRUE(is_drive_root(root)) << wide_to_utf8(root);
    }
    for (const wchar_t* folder : {L"C:\\Games", L"C:\\Games\\", L"\\\\server\\share\\Games",
                                  L"\\\\?\\C:\\Games", L"\\\\server", L"Games", L""}) {
        EXPECT_FALSE(is_drive_root(folder)) << wide_to_utf8(folder);
    }
    EXPECT_EQ(absolute_folder(L""), L"");
}

TEST(InstallFolder, OnlyAFolderWithSomeoneElsesFilesCountsAsOthers)
{
    std::wstring folder = make_temp_folder(L"others");
    EXPECT_FALSE(holds_other_files(folder)) << "empty";
    EXPECT_FALSE(holds_other_files(folder + L"\\missing"));
    // What an uninstall that kept the saves leaves, and an interrupted
    // install's leftovers, in any letter case.
    for (const wchar_t* ours : {L"UserData", L"mods", L"GAMEDATA.OLD.3", L"gamedata.new",
                                L"stderr.log", L"crash.dmp"}) {
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
