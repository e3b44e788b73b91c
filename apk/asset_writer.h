// Writing the import's files, shared by the serial import and its workers:
// folders made once, files written whole or removed, progress counted.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <unordered_set>
#include <utility>

#include "apk/apk_archive.h"
#include "apk/game_data_import.h"

class FileClosers;

// A failure of the import, logged once, on the calling thread, at its end.
struct ImportFailure {
    ImportFault fault = ImportFault::none;
    int os_error = 0;
    std::string text;
    bool logged = false;  // the reader has logged it already

    explicit operator bool() const { return fault != ImportFault::none; }
};

ImportFailure output_failure(int os_error, const char* what, const std::filesystem::path& path);

// The failure of the entry first in directory order, recorded from any thread:
// the one that writing one entry after the other would have met. A failure of
// the whole import (a rejected library, an exception) comes before them all.
class FirstFailure {
public:
    void record(size_t index, ImportFailure failure) { record_at(index + 1, std::move(failure)); }
    void record_before_all(ImportFailure failure) { record_at(0, std::move(failure)); }
    // Whether an entry before index, or the whole import, has failed.
    bool before(size_t index) const { return rank_.load(std::memory_order_relaxed) <= index; }
    ImportFailure take();

private:
    void record_at(size_t rank, ImportFailure failure);

    std::atomic<size_t> rank_{SIZE_MAX};  // the entry's index + 1; 0 for the whole import
    std::mutex mutex_;
    ImportFailure failure_;
};

// Bytes written against the total, handed to the caller's callback one call
// at a time from any thread. The total may be an estimate (the library is
// chosen while the assets are written): the bytes reported never pass it.
class ProgressCounter {
public:
    ProgressCounter(const ImportProgress& report, uint64_t total) : report_(report), total_(total) {}
    void add(uint64_t bytes);
    // Reports the total as written.
    void complete();

private:
    const ImportProgress& report_;
    uint64_t total_;
    uint64_t written_ = 0;
    std::mutex mutex_;
};

// Creates each folder once, its missing parents first, for any thread. A
// folder that cannot be created (a file of that name is in the way,
// "assets/a" before "assets/a/b") fails the import with a message.
class FolderMaker {
public:
    ImportFailure make(const std::filesystem::path& folder);

private:
    int make_with_parents(const std::filesystem::path& folder);

    std::unordered_set<std::filesystem::path::string_type> made_;
    std::mutex mutex_;
};

// Tells a worker to drop the entry it writes: the import was cancelled, or an
// entry earlier in directory order than this one (index) has failed.
struct StopSignal {
    const std::atomic<bool>* cancel = nullptr;
    const FirstFailure* failures = nullptr;
    size_t index = 0;

    bool raised() const
    {
        return (cancel && cancel->load(std::memory_order_relaxed)) ||
               (failures && failures->before(index));
    }
};

// What every writer of one import shares.
struct AssetOutput {
    const std::filesystem::path& target;
    FolderMaker& folders;
    ProgressCounter& progress;
    FileClosers& closers;
};

ImportFailure cancelled_failure();

// Bytes already in memory (the library, the marker) as one file.
ImportFailure write_whole_file(const std::filesystem::path& path, const void* data, size_t size,
                               ProgressCounter& progress);

// Streams one asset (entry number stop.index) into its file under the target
// and hands the file to the closers. A dropped entry leaves no file and no
// failure.
ImportFailure write_asset(const ApkArchive& archive, const ApkEntry& entry, AssetOutput& output,
                          EntryBuffers& buffers, const StopSignal& stop);
