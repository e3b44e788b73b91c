// Modes whose operation is not built yet end with code 2 and show nothing.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "test_paths.h"

TEST(PendingModes, InteractiveInstallExitsWithTwo)
{
    EXPECT_EQ(run_program(GLOAMREEF_SETUP_EXE, L""), 2u);
}
