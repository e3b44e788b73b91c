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
    // The error, the failures before a success (-1: never), the calls made and
    // the error also waited for (a folder's delete-pending children).
    const struct { DWORD error; int failures; int calls; DWORD also = ERROR_SUCCESS; } cases[] = {
        {ERROR_SHARING_VIOLATION, 2, 3}, {ERROR_LOCK_VIOLATION, 1, 2},
        {ERROR_ACCESS_DENIED, -1, 10}, {ERROR_FILE_NOT_FOUND, -1, 1},
        {ERROR_DIR_NOT_EMPTY, -1, 1}, {ERROR_DIR_NOT_EMPTY, 3, 4, ERROR_DIR_NOT_EMPTY}};
    // A folder's rename waits the same way, but until its time limit (1 s
    // here) instead of ten calls: access denied is Windows' answer while a
    // file inside is open, which Wine does not give.
    const DWORD usual_wait = held_folder_wait_ms;
    held_folder_wait_ms = 1000;
    for (bool folder : {false, true}) {
        for (const auto& c : cases) {
            if (folder && c.also != ERROR_SUCCESS) {
                continue;
            }
            SCOPED_TRACE(testing::Message() << c.error << (folder ? " folder" : ""));
            int calls = 0;
            auto operation = [&] {
                SetLastError(c.error);
                return ++calls > c.failures && c.failures >= 0;
            };
            ULONGLONG start = GetTickCount64();
            bool ok = folder ? retry_while_folder_held(operation, L"\\\\?\\C:\\Reef\\gamedata")
                             : retry_while_locked(operation, c.also);
            ULONGLONG waited = GetTickCount64() - start;
            EXPECT_EQ(ok, c.failures >= 0);
            EXPECT_TRUE(ok || GetLastError() == c.error);
            if (folder && c.error == ERROR_ACCESS_DENIED) {
                EXPECT_GE(waited, 1000u);
                EXPECT_LT(waited, 10000u);
            } else {
                EXPECT_EQ(calls, c.calls);
            }
        }
    }
    held_folder_wait_ms = usual_wait;
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
