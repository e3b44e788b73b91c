// The assets of an import, extracted by one thread or by several at once.
// Each worker reads the APK at its own offsets with its own buffers; work is
// handed out largest first, so that the workers finish together.
#include "apk/asset_pool.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "apk/file_closers.h"

namespace fs = std::filesystem;

namespace {

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
    Pool(const ApkArchive& archive, std::vector<WorkItem> items, AssetOutput& output,
         FirstFailure& failures, const std::atomic<bool>* cancel,
         const LibraryCheck& check_library)
        : archive_(archive), items_(std::move(items)), output_(output), failures_(failures),
          cancel_(cancel), check_library_(check_library)
    {
    }

    void run(unsigned workers)
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
    }

private:
    void work()
    {
        try {
            EntryBuffers buffers;
            if (check_library_ && !library_taken_.exchange(true)) {
                if (ImportFailure failure = check_library_(buffers)) {
                    failures_.record_before_all(std::move(failure));
                }
            }
            // After a failure only the entries before it in directory order
            // go on, as serially they would have come first: the failure
            // reported is the one the serial import meets.
            for (;;) {
                size_t next = next_.fetch_add(1);
                if (next >= items_.size()) {
                    return;
                }
                for (size_t index : items_[next].entries) {
                    StopSignal stop{cancel_, &failures_, index};
                    if (stop.raised()) {
                        break;
                    }
                    if (ImportFailure failure =
                            write_asset(archive_, archive_.entries()[index], output_, buffers, stop)) {
                        failures_.record(index, std::move(failure));
                        break;
                    }
                }
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!raised_) {
                raised_ = std::current_exception();
            }
            failures_.record_before_all({});
        }
    }

    const ApkArchive& archive_;
    const std::vector<WorkItem> items_;
    AssetOutput& output_;
    FirstFailure& failures_;
    const std::atomic<bool>* cancel_;
    const LibraryCheck& check_library_;
    std::atomic<bool> library_taken_{false};
    std::atomic<size_t> next_{0};
    std::mutex mutex_;
    std::exception_ptr raised_;
};

void extract_serially(const ApkArchive& archive, const std::vector<size_t>& assets,
                      AssetOutput& output, FirstFailure& failures,
                      const std::atomic<bool>* cancel, const LibraryCheck& check_library)
{
    EntryBuffers buffers;
    // With nothing to overlap it with, the library comes first: a rejected
    // one leaves nothing, not even the target folder.
    if (check_library) {
        if (ImportFailure failure = check_library(buffers)) {
            failures.record_before_all(std::move(failure));
            return;
        }
    }
    if (ImportFailure failure = output.folders.make(output.target)) {
        failures.record_before_all(std::move(failure));
        return;
    }
    for (size_t index : assets) {
        StopSignal stop{cancel, &failures, index};
        if (stop.raised()) {
            return;
        }
        if (ImportFailure failure =
                write_asset(archive, archive.entries()[index], output, buffers, stop)) {
            failures.record(index, std::move(failure));
            return;
        }
    }
}

}  // namespace

ImportFailure extract_assets(const ApkArchive& archive, const std::vector<size_t>& assets,
                             const fs::path& target, FolderMaker& folders,
                             ProgressCounter& progress, unsigned workers,
                             const std::atomic<bool>* cancel, const LibraryCheck& check_library)
{
    FirstFailure failures;
    {
        // Declared before the work, so that every close has returned when the
        // work ends, also by an exception.
        FileClosers closers(failures);
        AssetOutput output{target, folders, progress, closers};
        std::vector<WorkItem> items;
        bool pooled = workers > 1 && !needs_directory_order(archive.entries(), assets);
        if (pooled) {
            items = work_items(archive.entries(), assets);
            workers = static_cast<unsigned>(
                std::min<size_t>(workers, items.size() + (check_library ? 1 : 0)));
            // A target that cannot be made is named after a rejected library,
            // as serially.
            pooled = workers > 1 && !folders.make(target);
        }
        if (pooled) {
            Pool(archive, std::move(items), output, failures, cancel, check_library).run(workers);
        } else {
            extract_serially(archive, assets, output, failures, cancel, check_library);
        }
    }
    // A failure met before the cancel still counts.
    ImportFailure failure = failures.take();
    return failure || !StopSignal{cancel}.raised() ? failure : cancelled_failure();
}
