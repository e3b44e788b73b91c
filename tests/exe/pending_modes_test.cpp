// Modes whose operation is not built yet end with code 2 and show nothing.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "test_paths.h"

TEST(PendingModes, UninstallModesExitWithTwo)
{
    std::wstring folder = make_temp_folder(L"pending");
    EXPECT_EQ(run_program(GLOAMREEF_SETUP_EXE, L"/uninstall", folder), 2u);
    EXPECT_EQ(run_program(GLOAMREEF_SETUP_EXE, L"/uninstall-run " + quote(folder) + L" /quiet"),
              2u);
    remove_test_folder(folder);
}
