// Waiting out files that another program holds: the retry routine with an
// injected failure, and a deletion that waits until a real holder lets go.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "install/import_failure.h"
#include "install/locked_retry.h"
#include "install/remove_tree.h"
#include "support/test_support.h"

TEST(LockedRetry, RetriesOnlyLocksAndGivesUpWithTheLastError)
{
    struct Case {
        DWORD error;
        int failures;      // before the operation succeeds; -1: never
        bool succeeds;
        int calls;
    };
    const Case cases[] = {{ERROR_SHARING_VIOLATION, 2, true, 3},
                          {ERROR_LOCK_VIOLATION, 1, true, 2},
                          {ERROR_ACCESS_DENIED, -1, false, 10},
                          {ERROR_FILE_NOT_FOUND, -1, false, 1}};
    for (const Case& c : cases) {
        int calls = 0;
        bool ok = retry_while_locked([&] {
            ++calls;
            if (c.failures >= 0 && calls > c.failures) {
                return true;
            }
            SetLastError(c.error);
            return false;
        });
        EXPECT_EQ(ok, c.succeeds) << c.error;
        EXPECT_EQ(calls, c.calls) << c.error;
        if (!ok) {
            EXPECT_EQ(GetLastError(), c.error);
        }
    }
}

TEST(LockedRetry, DeletionWaitsForAFileHeldForAMoment)
{
    std::wstring folder = make_temp_folder(L"held");
    ASSERT_FALSE(folder.empty());
    std::wstring file = folder + L"\\scanned.bin";
    ASSERT_TRUE(write_file(file, "just written"));
    // A scanner's open: no delete sharing, closed after 300 ms.
    HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread scanner([held] {
        Sleep(300);
        CloseHandle(held);
    });
    EXPECT_TRUE(remove_tree(folder));
    scanner.join();
    EXPECT_FALSE(path_exists(folder));
}

TEST(ImportFailureText, NamesTheCauseOfAWriteFailure)
{
    EXPECT_EQ(write_failure_cause(ERROR_DISK_FULL), L"The disk is full.");
    EXPECT_EQ(write_failure_cause(ERROR_HANDLE_DISK_FULL), L"The disk is full.");
    EXPECT_EQ(write_failure_cause(ERROR_ACCESS_DENIED), L"Access was denied.");
    EXPECT_EQ(write_failure_cause(ERROR_WRITE_PROTECT), L"Access was denied.");
    EXPECT_EQ(write_failure_cause(ERROR_FILENAME_EXCED_RANGE), L"The path is too long.");
    // Anything else in the system's words, without the line break it ends in.
    std::wstring other = write_failure_cause(ERROR_NOT_READY);
    EXPECT_FALSE(other.empty());
    EXPECT_NE(other.back(), L'\n');
    EXPECT_EQ(write_failure_cause(0x2FFFFFFF), L"Windows error 805306367.");

    ImportOutcome full{ImportFault::output, ERROR_DISK_FULL};
    EXPECT_EQ(import_failure_text(full, L"C:\\Games\\Reef", "ignored"),
              L"The game data could not be written to\nC:\\Games\\Reef\n\nThe disk is full.");
    ImportOutcome archive{ImportFault::archive, 0};
    EXPECT_EQ(import_failure_text(archive, L"C:\\Games\\Reef", "no library"),
              L"The game data could not be imported from that file.\n\nno library\n\nIt has to "
              L"be the Android APK of Gloam Reef (2011, Ostrane / Quillmoor).");
}
