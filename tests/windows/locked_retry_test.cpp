// Waiting out files that another program holds: the retry routine with an
// injected failure, and a deletion that waits until a real holder lets go.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "install/locked_retry.h"
#include "install/remove_tree.h"
#include "support/test_support.h"

TEST(LockedRetry, RetriesOnlyLocksAndGivesUpWithTheLastError)
{
    // The error, the failures before a success (-1: never) and the calls made.
    const struct { DWORD error; int failures; int calls; } cases[] = {
        {ERROR_SHARING_VIOLATION, 2, 3}, {ERROR_LOCK_VIOLATION, 1, 2},
        {ERROR_ACCESS_DENIED, -1, 10}, {ERROR_FILE_NOT_FOUND, -1, 1}};
    for (const auto& c : cases) {
        int calls = 0;
        bool ok = retry_while_locked([&] {
            SetLastError(c.error);
            return ++calls > c.failures && c.failures >= 0;
        });
        EXPECT_EQ(ok, c.failures >= 0) << c.error;
        EXPECT_EQ(calls, c.calls) << c.error;
        EXPECT_TRUE(ok || GetLastError() == c.error) << c.error;
    }
}

TEST(LockedRetry, DeletionWaitsForAFileHeldForAMoment)
{
    std::wstring folder = make_temp_folder(L"held");
    ASSERT_TRUE(write_file(folder + L"\\scanned.bin", "just written"));
    // A scanner's open: no delete sharing, closed after 300 ms.
    HANDLE held = CreateFileW((folder + L"\\scanned.bin").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread scanner([held] {
        Sleep(300);
        CloseHandle(held);
    });
    EXPECT_TRUE(remove_tree(folder));
    scanner.join();
    EXPECT_FALSE(path_exists(folder));
}
