// Takes the game library and the assets out of the user's APK into the game
// data folder, one entry at a time so a large APK needs little memory.
#include "apk/game_data_import.h"

#include <cstdint>
#include <filesystem>
#include <unordered_set>
#include <vector>

#include "apk/apk_archive.h"
#include "apk/file_io.h"
#include "apk/import_rules.h"
#include "app/log.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kLibraryFileName = "libGloamReef.so";
constexpr const char* kMarkerFileName = "atc_textures";
constexpr const char* kMarkerText =
    "The textures in this folder are real ATC (imported from an unmodified APK).";

// The first failure of an import, logged once by import_game_data.
struct Failure {
    ImportFault fault = ImportFault::none;
    int os_error = 0;
    std::string text;
    bool logged = false;  // the reader has logged it already

    explicit operator bool() const { return fault != ImportFault::none; }
};

Failure output_failure(int os_error, const char* what, const fs::path& path)
{
    return {ImportFault::output, os_error, what + path.u8string()};
}

Failure extract_failure(const ApkEntry& entry)
{
    return {ImportFault::archive, 0, "failed to extract " + entry.name};
}

// Bytes written against the total, for the caller's progress display.
class ProgressCounter {
public:
    ProgressCounter(const ImportProgress& report, uint64_t total) : report_(report), total_(total) {}
    void add(uint64_t bytes)
    {
        written_ += bytes;
        if (report_) {
            report_(written_, total_);
        }
    }

private:
    const ImportProgress& report_;
    uint64_t total_;
    uint64_t written_ = 0;
};

struct GameLibrary {
    std::vector<unsigned char> bytes;
    bool from_lib_folder = false;
};

// The first candidate, in table order and then directory order, whose content
// extracts intact and is a 32-bit ARM ELF object.
bool choose_library(ApkArchive& archive, GameLibrary& library)
{
    for (const char* candidate : kLibraryCandidates) {
        for (const ApkEntry& entry : archive.entries()) {
            if (entry.name != candidate) {
                continue;
            }
            std::vector<unsigned char> bytes;
            if (archive.extract_entry(entry, bytes) && is_arm32_elf(bytes)) {
                log_message('I', "game library: %s", candidate);
                library.bytes = std::move(bytes);
                library.from_lib_folder = entry.name.compare(0, 4, "lib/") == 0;
                return true;
            }
        }
    }
    return false;
}

bool is_library_candidate(const ApkEntry& entry)
{
    for (const char* candidate : kLibraryCandidates) {
        if (entry.name == candidate) {
            return true;
        }
    }
    return false;
}

std::string marker_content()
{
    return std::string(kMarkerText) + kTextLineEnd;
}

// Creates each folder once, its missing parents first. A folder that cannot
// be created (a file of that name is in the way, "assets/a" before
// "assets/a/b") fails the import with a message rather than an exception.
class FolderMaker {
public:
    Failure make(const fs::path& folder)
    {
        int error = make_with_parents(folder);
        return error == 0 ? Failure{}
                          : output_failure(error, "cannot create the folder ", folder);
    }

private:
    int make_with_parents(const fs::path& folder)
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

    std::unordered_set<fs::path::string_type> made_;
};

// One file written whole or not at all: a file left behind by a failure is
// removed, so nothing half-written looks like an imported asset.
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
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
    OutputFile file_;
    bool created_ = false;
    bool finished_ = false;
};

// Writes bytes that are already in memory (the library, the marker).
Failure write_whole_file(const fs::path& path, const void* data, size_t size,
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

// Streams one asset into its file.
Failure write_asset(const ApkArchive& archive, const ApkEntry& entry, const fs::path& target,
                    FolderMaker& folders, EntryBuffers& buffers, ProgressCounter& progress)
{
    fs::path output = (target / fs::u8path(entry.name)).make_preferred();
    if (Failure failure = folders.make(output.parent_path())) {
        return failure;
    }
    FileWriter writer(output);
    int error = writer.create();
    if (error != 0) {
        return output_failure(error, "cannot write ", output);
    }
    StreamResult result = archive.stream_entry(
        entry,
        [&writer, &error, &progress](const unsigned char* data, size_t size) {
            error = writer.write(data, size);
            if (error == 0) {
                progress.add(size);
            }
            return error == 0;
        },
        buffers);
    if (result == StreamResult::bad_entry) {
        return extract_failure(entry);
    }
    if (error == 0) {
        error = writer.finish();
    }
    return error == 0 ? Failure{} : output_failure(error, "cannot write ", output);
}

// The game reads the marker to know its textures are the original ATC ones.
// Its line ends as text files do on the platform (CR LF on Windows).
Failure update_marker(const fs::path& target, bool from_lib_folder, ProgressCounter& progress)
{
    fs::path marker = (target / kMarkerFileName).make_preferred();
    if (!from_lib_folder) {
        remove_file(marker);
        return {};
    }
    std::string content = marker_content();
    return write_whole_file(marker, content.data(), content.size(), progress);
}

struct AssetTotals {
    uint64_t files = 0;
    uint64_t bytes = 0;
};

// What the assets will make, from the central directory.
AssetTotals planned_assets(const ApkArchive& archive)
{
    AssetTotals totals;
    for (const ApkEntry& entry : archive.entries()) {
        if (is_asset_name(entry.name)) {
            totals.files += 1;
            totals.bytes += extracted_size(entry);
        }
    }
    return totals;
}

Failure import_into(const ApkArchive& archive, const GameLibrary& library,
                    const fs::path& target, const ImportOptions& options)
{
    uint64_t total = planned_assets(archive).bytes + library.bytes.size() +
                     (library.from_lib_folder ? marker_content().size() : 0);
    ProgressCounter progress(options.progress, total);
    FolderMaker folders;
    if (Failure failure = folders.make(target)) {
        return failure;
    }
    EntryBuffers buffers;
    for (const ApkEntry& entry : archive.entries()) {
        if (!is_asset_name(entry.name)) {
            continue;
        }
        if (Failure failure = write_asset(archive, entry, target, folders, buffers, progress)) {
            return failure;
        }
    }
    // Last, so that a folder holding the library holds complete game data.
    fs::path library_file = (target / kLibraryFileName).make_preferred();
    if (Failure failure = write_whole_file(library_file, library.bytes.data(),
                                           library.bytes.size(), progress)) {
        return failure;
    }
    return update_marker(target, library.from_lib_folder, progress);
}

Failure import_archive(const std::string& apk_path, const std::string& target_folder,
                       const ImportOptions& options)
{
    ApkArchive archive;
    if (!archive.open(apk_path)) {
        return {ImportFault::archive, 0, last_error, true};
    }
    GameLibrary library;
    if (!choose_library(archive, library)) {
        return {ImportFault::archive, 0,
                "no 32-bit ARM libGloamReef.so found in " + apk_path +
                    " - is this the Gloam Reef APK?"};
    }
    fs::path target = fs::u8path(target_folder);
    if (Failure failure = import_into(archive, library, target, options)) {
        return failure;
    }
    AssetTotals totals = planned_assets(archive);
    log_message('I', "imported %zu asset files (%.1f MB) into %s",
                static_cast<size_t>(totals.files), static_cast<double>(totals.bytes) / 1048576.0,
                target_folder.c_str());
    return {};
}

}  // namespace

bool import_game_data(const std::string& apk_path, const std::string& target_folder,
                      const ImportOptions& options, ImportOutcome* outcome)
{
    if (outcome) {
        *outcome = ImportOutcome{};
    }
    Failure failure = import_archive(apk_path, target_folder, options);
    if (!failure) {
        return true;
    }
    if (!failure.logged) {
        log_message('E', "%s", failure.text.c_str());
    }
    if (outcome) {
        outcome->fault = failure.fault;
        outcome->os_error = failure.fault == ImportFault::output ? failure.os_error : 0;
    }
    return false;
}

bool plan_import(const std::string& apk_path, ImportPlan& plan)
{
    plan = ImportPlan{};
    ApkArchive archive;
    if (!archive.open(apk_path)) {
        return false;
    }
    AssetTotals assets = planned_assets(archive);
    uint64_t library = 0;
    for (const ApkEntry& entry : archive.entries()) {
        if (is_library_candidate(entry) && extracted_size(entry) > library) {
            library = extracted_size(entry);
        }
    }
    plan.bytes = assets.bytes;
    plan.files = assets.files;
    if (library > 0) {
        plan.bytes += library + marker_content().size();
        plan.files += 2;
    }
    return true;
}
