// The window's input checks, without a window.
#include <gtest/gtest.h>

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

TEST(InstallChecks, ProblemsInTheOrderTheyAreChecked)
{
    std::wstring folder = make_temp_folder(L"checks");
    std::wstring apk = folder + L"\\game.apk";
    ASSERT_TRUE(write_file(apk, "PK"));

    // The folder is checked first, even when the APK is fine.
    EXPECT_EQ(check_install_input(L"", apk), InputProblem::no_folder);
    EXPECT_EQ(check_install_input(folder, L""), InputProblem::no_apk);
    EXPECT_EQ(check_install_input(folder, apk), InputProblem::none);
    EXPECT_EQ(check_install_input(folder, folder), InputProblem::apk_not_a_file);

    CreateDirectoryW((folder + L"\\gamedata").c_str(), nullptr);
    ASSERT_TRUE(write_file(folder + L"\\gamedata\\libGloamReef.so", "ELF"));
    EXPECT_EQ(check_install_input(folder, L""), InputProblem::none);
    EXPECT_EQ(check_install_input(folder, folder + L"\\other.apk"), InputProblem::apk_not_a_file);

    EXPECT_STREQ(input_problem_text(InputProblem::none), L"");
    remove_test_folder(folder);
}
