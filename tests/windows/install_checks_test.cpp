// The window's input checks, without a window.
#include <gtest/gtest.h>

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
