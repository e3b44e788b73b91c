// Closing the import's written files on threads of their own. On Windows an
// on-access virus scanner inspects a file that was written when its handle
// is closed, in the closing thread, for milliseconds per file: a worker that
// closed its own files would wait for every scan in turn. The workers hand
// each file over and go on; the closers wait for the scans side by side.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "apk/asset_writer.h"
#include "apk/file_io.h"

class FileClosers {
public:
    explicit FileClosers(FirstFailure& failures) : failures_(failures) {}
    // Waits for every close, as wait() does.
    ~FileClosers();
    FileClosers(const FileClosers&) = delete;
    FileClosers& operator=(const FileClosers&) = delete;

    // Closes file, written whole to path, on a closing thread. A failed close
    // removes the file and is recorded as entry index's failure ("cannot
    // write" the path, with the code). Waits while a bounded number of files
    // are open already.
    void close_later(OutputFile file, std::filesystem::path path, size_t index);
    // Returns once every file handed over so far has been closed; closes
    // those that no closer has taken yet itself.
    void wait();

private:
    struct Handed {
        OutputFile file;
        std::filesystem::path path;
        size_t index;
    };

    void close_files();
    // Until the queue is empty; the lock is let go around each close.
    void close_queued(std::unique_lock<std::mutex>& lock);

    FirstFailure& failures_;
    std::mutex mutex_;
    std::condition_variable handed_;  // to the closers: a file, or the end
    std::condition_variable closed_;  // to the callers: room, or all closed
    std::deque<Handed> queue_;
    size_t open_ = 0;  // handed over and not yet closed
    size_t idle_ = 0;  // closers waiting for a file
    bool ending_ = false;
    std::vector<std::thread> threads_;
};
