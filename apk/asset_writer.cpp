// Writing the import's files, shared by the serial import and its workers.
#include "apk/asset_writer.h"

#include <algorithm>
#include <utility>

#include "apk/file_closers.h"
#include "apk/file_io.h"
#include "app/long_path.h"

namespace fs = std::filesystem;

namespace {

// One file written whole or not at all: a file left behind by a failure is
// removed, so nothing half-written looks like an imported asset. Once handed
// over, its closer removes it when the close fails.
class FileWriter {
public:
    explicit FileWriter(fs::path path) : path_(std::move(path)) {}
    ~FileWriter()
    {
        if (created_ && !finished_) {
            if (file_.is_open()) {
                file_.close();
            }
            remove_file(path_);
        }
    }
    int create()
    {
        int error = file_.create(path_);
        created_ = error == 0;
        return error;
    }
    int write(const void* data, size_t size) { return file_.write(data, size); }
    int finish()
    {
        int error = file_.close();
        finished_ = error == 0;
        return error;
    }
    OutputFile hand_over()
    {
        finished_ = true;
        return std::move(file_);
    }

private:
    fs::path path_;
    OutputFile file_;
    bool created_ = false;
    bool finished_ = false;
};

}  // namespace

ImportFailure output_failure(int os_error, const char* what, const fs::path& path)
{
    // Named as the user knows the path, not in its extended-length form.
    return {ImportFault::output, os_error, what + normal_path(path.u8string())};
}

ImportFailure cancelled_failure()
{
    return {ImportFault::cancelled, 0, "import cancelled"};
}

void FirstFailure::record_at(size_t rank, ImportFailure failure)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (rank < rank_.load()) {
        failure_ = std::move(failure);
        rank_ = rank;
    }
}

ImportFailure FirstFailure::take()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return std::move(failure_);
}

void ProgressCounter::add(uint64_t bytes)
{
    if (!report_) {
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    written_ = std::min(written_ + bytes, total_);
    report_(written_, total_);
}

void ProgressCounter::complete()
{
    if (!report_) {
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (written_ != total_) {
        written_ = total_;
        report_(written_, total_);
    }
}

ImportFailure FolderMaker::make(const fs::path& folder)
{
    std::lock_guard<std::mutex> lock(mutex_);
    int error = make_with_parents(folder);
    return error == 0 ? ImportFailure{} : output_failure(error, "cannot create the folder ", folder);
}

int FolderMaker::make_with_parents(const fs::path& folder)
{
    if (made_.count(folder.native()) != 0) {
        return 0;
    }
    int error = make_folder(folder);
    fs::path parent = folder.parent_path();
    if (error == kMissingParentError && !parent.empty() && parent != folder) {
        error = make_with_parents(parent);
        if (error == 0) {
            error = make_folder(folder);
        }
    }
    if (error == 0) {
        made_.insert(folder.native());
    }
    return error;
}

ImportFailure write_whole_file(const fs::path& path, const void* data, size_t size,
                               ProgressCounter& progress)
{
    FileWriter writer(path);
    int error = writer.create();
    if (error == 0) {
        error = writer.write(data, size);
    }
    if (error == 0) {
        error = writer.finish();
    }
    if (error != 0) {
        return output_failure(error, "cannot write ", path);
    }
    progress.add(size);
    return {};
}

ImportFailure write_asset(const ApkArchive& archive, const ApkEntry& entry, AssetOutput& out,
                          EntryBuffers& buffers, const StopSignal& stop)
{
    fs::path output = (out.target / fs::u8path(entry.name)).make_preferred();
    if (ImportFailure failure = out.folders.make(output.parent_path())) {
        return failure;
    }
    FileWriter writer(output);
    int error = writer.create();
    if (error == kFileInUseError) {
        // An earlier entry of the same name (or one that Windows takes for
        // it) may still wait for its close, open without write sharing.
        out.closers.wait();
        error = writer.create();
    }
    if (error != 0) {
        return output_failure(error, "cannot write ", output);
    }
    StreamResult result = archive.stream_entry(
        entry,
        [&](const unsigned char* data, size_t size) {
            if (stop.raised()) {
                return false;
            }
            error = writer.write(data, size);
            if (error != 0) {
                return false;
            }
            out.progress.add(size);
            return true;
        },
        buffers);
    if (result == StreamResult::bad_entry) {
        return {ImportFault::archive, 0, "failed to extract " + entry.name};
    }
    if (result == StreamResult::sink_failed && error == 0) {
        return {};  // dropped: the writer removes the file
    }
    if (error != 0) {
        return output_failure(error, "cannot write ", output);
    }
    out.closers.close_later(writer.hand_over(), std::move(output), stop.index);
    return {};
}
