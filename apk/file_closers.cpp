// Closing the import's written files on threads of their own.
#include "apk/file_closers.h"

#include <system_error>
#include <utility>

namespace {

// Sized for waiting, not for cores: a closer mostly waits for the scanner.
// Threads are made only while files wait for a closer, so an import whose
// closes are quick runs one or two.
constexpr size_t kMostClosers = 16;
// Each waiting file holds a handle (and a scanner's attention): a worker
// that runs this far ahead of the closers waits for them.
constexpr size_t kMostOpen = 64;
// Waking a sleeping closer costs more than a close that no scanner delays:
// files are handed on in batches of this many.
constexpr size_t kBatch = 16;

}  // namespace

FileClosers::~FileClosers()
{
    wait();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    handed_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

void FileClosers::close_later(OutputFile file, std::filesystem::path path, size_t index)
{
    std::unique_lock<std::mutex> lock(mutex_);
    closed_.wait(lock, [this] { return open_ < kMostOpen; });
    queue_.push_back({std::move(file), std::move(path), index});
    ++open_;
    if (queue_.size() < kBatch) {
        return;  // a closer awake takes it anyway
    }
    if (idle_ > 0) {
        lock.unlock();
        handed_.notify_one();
        return;
    }
    if (threads_.size() < kMostClosers) {
        try {
            threads_.emplace_back([this] { close_files(); });
            ++idle_;  // from its start: it is about to take a file
        } catch (const std::system_error&) {
            // The closers there are take it, or this thread does.
        }
    }
    if (threads_.empty()) {
        close_queued(lock);
    }
}

void FileClosers::wait()
{
    std::unique_lock<std::mutex> lock(mutex_);
    close_queued(lock);
    closed_.wait(lock, [this] { return open_ == 0; });
}

// Counted as idle from its start (by close_later) and whenever it waits.
void FileClosers::close_files()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        handed_.wait(lock, [this] { return !queue_.empty() || ending_; });
        if (queue_.empty()) {
            return;
        }
        --idle_;
        close_queued(lock);
        ++idle_;
    }
}

void FileClosers::close_queued(std::unique_lock<std::mutex>& lock)
{
    while (!queue_.empty()) {
        Handed handed = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        if (int error = handed.file.close()) {
            remove_file(handed.path);
            failures_.record(handed.index, output_failure(error, "cannot write ", handed.path));
        }
        lock.lock();
        --open_;
        closed_.notify_all();
    }
}
