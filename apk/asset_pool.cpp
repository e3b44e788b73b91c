// The assets of an import, extracted by one thread or by several at once.
// Each worker reads the APK at its own offsets with its own buffers; work is
// handed out largest first, so that the workers finish together.
#include "apk/asset_pool.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>

namespace fs = std::filesystem;

namespace {

constexpr size_t kNoFailure = std::numeric_limits<size_t>::max();
// What creating and closing a file costs, in bytes of content: it keeps a
// crowd of small files from being weighed as nothing.
constexpr uint64_t kFileWeight = 64 * 1024;

// Entries whose output files are one file on Windows ("A.png", "a.png")
// share a key, and so a worker.
std::string output_key(const std::string& name)
{
    std::string key = name;
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return key;
}

// Where names alone cannot tell which entries share a file or a folder, only
// directory order gives the serial result: a file and a folder of one name
// ("assets/a", "assets/a/b"), non-ASCII names (folded and normalised in ways
// that differ between file systems) and "~" (a Windows short name such as
// "LONGFI~1.PNG" may be another file's).
bool needs_directory_order(const std::vector<ApkEntry>& entries, const std::vector<size_t>& assets)
{
    std::unordered_set<std::string> files;
    for (size_t index : assets) {
        const std::string& name = entries[index].name;
        for (char c : name) {
            if (static_cast<unsigned char>(c) >= 0x80 || c == '~') {
                return true;
            }
        }
        files.insert(output_key(name));
    }
    for (size_t index : assets) {
        std::string key = output_key(entries[index].name);
        for (size_t slash = key.find('/'); slash != std::string::npos;
             slash = key.find('/', slash + 1)) {
            if (files.count(key.substr(0, slash)) != 0) {
                return true;
            }
        }
    }
    return false;
}

struct WorkItem {
    std::vector<size_t> entries;  // in directory order
    uint64_t weight = 0;
};

// One item per output file, heaviest first.
std::vector<WorkItem> work_items(const std::vector<ApkEntry>& entries,
                                 const std::vector<size_t>& assets)
{
    std::vector<WorkItem> items;
    std::unordered_map<std::string, size_t> by_key;
    for (size_t index : assets) {
        auto found = by_key.emplace(output_key(entries[index].name), items.size());
        if (found.second) {
            items.emplace_back();
        }
        WorkItem& item = items[found.first->second];
        item.entries.push_back(index);
        item.weight += extracted_size(entries[index]) + kFileWeight;
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const WorkItem& a, const WorkItem& b) { return a.weight > b.weight; });
    return items;
}

class Pool {
public:
    Pool(const ApkArchive& archive, std::vector<WorkItem> items, const fs::path& target,
         FolderMaker& folders, ProgressCounter& progress, const std::atomic<bool>* cancel)
        : archive_(archive), items_(std::move(items)), target_(target), folders_(folders),
          progress_(progress), cancel_(cancel)
    {
    }

    ImportFailure run(unsigned workers)
    {
        std::vector<std::thread> threads;
        for (unsigned i = 1; i < workers; ++i) {
            try {
                threads.emplace_back([this] { work(); });
            } catch (const std::system_error&) {
                break;  // fewer threads than asked for do the same work
            }
        }
        work();
        for (std::thread& thread : threads) {
            thread.join();
        }
        if (raised_) {
            std::rethrow_exception(raised_);
        }
        return std::move(failure_);
    }

private:
    void work()
    {
        try {
            EntryBuffers buffers;
            // After a failure only the entries before it in directory order
            // go on, as serially they would have come first: the failure
            // reported is the one the serial import meets.
            for (;;) {
                size_t next = next_.fetch_add(1);
                if (next >= items_.size()) {
                    return;
                }
                for (size_t index : items_[next].entries) {
                    StopSignal stop{cancel_, &first_failure_, index};
                    if (stop.raised()) {
                        break;
                    }
                    ImportFailure failure = write_asset(archive_, archive_.entries()[index], target_,
                                                        folders_, buffers, progress_, stop);
                    if (failure) {
                        record(index, std::move(failure));
                        break;
                    }
                }
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!raised_) {
                raised_ = std::current_exception();
            }
            first_failure_ = 0;
        }
    }

    void record(size_t index, ImportFailure failure)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (index < first_failure_.load()) {
            failure_ = std::move(failure);
            first_failure_ = index;
        }
    }

    const ApkArchive& archive_;
    const std::vector<WorkItem> items_;
    const fs::path& target_;
    FolderMaker& folders_;
    ProgressCounter& progress_;
    const std::atomic<bool>* cancel_;
    std::atomic<size_t> next_{0};
    std::atomic<size_t> first_failure_{kNoFailure};
    std::mutex mutex_;
    ImportFailure failure_;
    std::exception_ptr raised_;
};

}  // namespace

ImportFailure extract_assets(const ApkArchive& archive, const std::vector<size_t>& assets,
                             const fs::path& target, FolderMaker& folders,
                             ProgressCounter& progress, unsigned workers,
                             const std::atomic<bool>* cancel)
{
    StopSignal stop{cancel};
    if (workers > 1 && !needs_directory_order(archive.entries(), assets)) {
        std::vector<WorkItem> items = work_items(archive.entries(), assets);
        workers = static_cast<unsigned>(std::min<size_t>(workers, items.size()));
        if (workers > 1) {
            ImportFailure failure =
                Pool(archive, std::move(items), target, folders, progress, cancel).run(workers);
            // A failure that a worker met before the cancel still counts.
            return failure || !stop.raised() ? failure : cancelled_failure();
        }
    }
    EntryBuffers buffers;
    for (size_t index : assets) {
        if (stop.raised()) {
            return cancelled_failure();
        }
        if (ImportFailure failure = write_asset(archive, archive.entries()[index], target, folders,
                                                buffers, progress, stop)) {
            return failure;
        }
    }
    return stop.raised() ? cancelled_failure() : ImportFailure{};
}
