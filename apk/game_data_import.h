// Imports the game's native library and assets from the user's APK.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

// Whose fault a failed import was: the APK's (cannot be opened, not a zip,
// asset names that cannot be written, no game library, a damaged entry, a
// failed CRC) or the output folder's (a folder could not be created, a file
// could not be created, written or closed); or nobody's, when the caller
// stopped it.
enum class ImportFault { none, archive, output, cancelled };

struct ImportOutcome {
    ImportFault fault = ImportFault::none;
    // The platform's own code of an output failure: errno on POSIX,
    // GetLastError() on Windows (the Windows build writes through Win32 calls,
    // so ERROR_DISK_FULL, ERROR_ACCESS_DENIED, ERROR_FILENAME_EXCED_RANGE...).
    // 0 for archive faults and on success.
    int os_error = 0;
};

// Bytes written so far and the total the import will write (known from the
// central directory before the first write; should a later library candidate
// replace a damaged first one, the total stays and the last call makes it
// good). Called on the import's own threads, never two calls at once,
// bytes_written never decreasing and never above bytes_total, the last call
// with bytes_written == bytes_total on success. Must be cheap and must not
// block.
using ImportProgress = std::function<void(uint64_t bytes_written, uint64_t bytes_total)>;

struct ImportOptions {
    // 0: as many as the hardware has threads, at most 4; 1: one worker, which
    // still hands its files to closing threads
    unsigned workers = 0;
    ImportProgress progress;  // may be empty
    // May be null. Once it is true (set on any thread) every worker drops the
    // file it writes at its next piece and takes no other: the import returns
    // false with ImportFault::cancelled, without writing the library or the
    // marker. A cancel is no error: it is logged at 'I' and last_error stays.
    const std::atomic<bool>* cancel = nullptr;
};

// Both paths UTF-8. Returns false after logging one 'E' message (the reason is
// then in last_error), or after a cancel; outcome, when given, says whose
// fault it was.
// log_message is only ever called on the calling thread.
bool import_game_data(const std::string& apk_path, const std::string& target_folder,
                      const ImportOptions& options = {}, ImportOutcome* outcome = nullptr);

// What an import of the APK will write, from the central directory alone:
// bytes = the uncompressed sizes of every asset it will extract plus the
// largest library candidate plus the marker; files = how many files that is.
struct ImportPlan {
    uint64_t bytes = 0;
    uint64_t files = 0;
};
// False, after the same 'E' log line the import would give, when the APK
// cannot be opened, is not a zip archive or holds asset names that cannot be
// written (import_rules.h: refused_asset_names).
bool plan_import(const std::string& apk_path, ImportPlan& plan);
