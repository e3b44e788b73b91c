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
    for (const auto& c : cases) {
        int calls = 0;
        bool ok = retry_while_locked([&] {
            SetLastError(c.error);
            return ++calls > c.failures && c.failures >= 0;
        }, c.also);
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

TEST(LockedRetry, FolderRenameWaitsUpToItsLimitForAHolder)
{
    // Held for 1.5 s, access denied meanwhile (a folder with a file open
    // inside), then let go; and held for good, past a limit of 1 s.
    for (DWORD held_ms : {1500u, INFINITE}) {
        SCOPED_TRACE(held_ms);
        const DWORD usual_wait = held_folder_wait_ms;
        held_folder_wait_ms = held_ms == INFINITE ? 1000 : usual_wait;
        ULONGLONG start = GetTickCount64();
        bool ok = retry_while_folder_held([&] {
            SetLastError(ERROR_ACCESS_DENIED);
            return GetTickCount64() - start >= held_ms;
        }, L"\\\\?\\C:\\Games\\Reef\\gamedata");
        ULONGLONG waited = GetTickCount64() - start;
        held_folder_wait_ms = usual_wait;
        EXPECT_EQ(ok, held_ms != INFINITE);
        EXPECT_GE(waited, held_ms == INFINITE ? 1000u : held_ms);
        EXPECT_LT(waited, 10000u);
        EXPECT_TRUE(ok || GetLastError() == ERROR_ACCESS_DENIED);
    }
    // Any other failure ends the wait at once.
    int calls = 0;
    EXPECT_FALSE(retry_while_folder_held([&] {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return ++calls < 0;
    }, L"C:\\x"));
    EXPECT_EQ(calls, 1);
}
