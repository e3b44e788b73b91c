// Takes the game library and the assets out of the user's APK into the game
// data folder, streaming each entry so a large APK needs little memory.
#include "apk/game_data_import.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <thread>
#include <vector>

#include "apk/apk_archive.h"
#include "apk/asset_pool.h"
#include "apk/asset_writer.h"
#include "apk/file_io.h"
#include "apk/import_rules.h"
#include "app/log.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kLibraryFileName = "libGloamReef.so";
constexpr const char* kMarkerFileName = "atc_textures";
constexpr const char* kMarkerText =
    "The textures in this folder are real ATC (imported from an unmodified APK).";
constexpr unsigned kDefaultMostWorkers = 4;
constexpr unsigned kMostWorkersAsked = 16;

struct GameLibrary {
    const char* name = nullptr;  // the candidate chosen; null before
    std::vector<unsigned char> bytes;
    bool from_lib_folder = false;
};

ImportFailure no_library_failure(const std::string& apk_path)
{
    return {ImportFault::archive, 0,
            "no 32-bit ARM libGloamReef.so found in " + apk_path + " - is this the Gloam Reef APK?"};
}

bool is_from_lib_folder(const std::string& name)
{
    return name.compare(0, 4, "lib/") == 0;
}

// The candidates in the order they are tried: table order, then directory
// order.
std::vector<const ApkEntry*> library_candidates(const ApkArchive& archive)
{
    std::vector<const ApkEntry*> candidates;
    for (const char* candidate : kLibraryCandidates) {
        for (const ApkEntry& entry : archive.entries()) {
            if (entry.name == candidate) {
                candidates.push_back(&entry);
            }
        }
    }
    return candidates;
}

// The first candidate whose content extracts intact and is a 32-bit ARM ELF
// object. Runs beside the assets, with the worker's own buffers.
bool choose_library(const ApkArchive& archive, const std::vector<const ApkEntry*>& candidates,
                    GameLibrary& library, EntryBuffers& buffers)
{
    for (const ApkEntry* entry : candidates) {
        std::vector<unsigned char> bytes;
        if (archive.extract_entry(*entry, bytes, buffers) && is_arm32_elf(bytes)) {
            library.name = entry->name.c_str();
            library.bytes = std::move(bytes);
            library.from_lib_folder = is_from_lib_folder(entry->name);
            return true;
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

// The game reads the marker to know its textures are the original ATC ones.
// Its line ends as text files do on the platform (CR LF on Windows).
ImportFailure update_marker(const fs::path& target, bool from_lib_folder, ProgressCounter& progress)
{
    fs::path marker = (target / kMarkerFileName).make_preferred();
    if (!from_lib_folder) {
        remove_file(marker);
        return {};
    }
    std::string content = marker_content();
    return write_whole_file(marker, content.data(), content.size(), progress);
}

// The assets and what they will make, from the central directory; taken
// once, as the names' checks are not free on thousands of entries.
struct AssetPlan {
    std::vector<size_t> entries;  // indices, in directory order
    uint64_t bytes = 0;
};

AssetPlan plan_assets(const ApkArchive& archive)
{
    AssetPlan plan;
    for (size_t i = 0; i < archive.entries().size(); ++i) {
        if (is_asset_name(archive.entries()[i].name)) {
            plan.entries.push_back(i);
            plan.bytes += extracted_size(archive.entries()[i]);
        }
    }
    return plan;
}

// Reading, inflating and writing scale to a few cores; more workers than
// that only contend for the disk.
unsigned worker_count(unsigned requested)
{
    if (requested != 0) {
        return std::min(requested, kMostWorkersAsked);
    }
    return std::max(1u, std::min(std::thread::hardware_concurrency(), kDefaultMostWorkers));
}

// The library is chosen while the assets are written; the first candidate
// tried, which is nearly always the one chosen, stands for it in the total.
uint64_t planned_total(const AssetPlan& assets, const ApkEntry& first_candidate)
{
    return assets.bytes + extracted_size(first_candidate) +
           (is_from_lib_folder(first_candidate.name) ? marker_content().size() : 0);
}

ImportFailure import_into(const ApkArchive& archive, const std::string& apk_path,
                          const std::vector<const ApkEntry*>& candidates, const AssetPlan& assets,
                          const fs::path& target, const ImportOptions& options)
{
    ProgressCounter progress(options.progress, planned_total(assets, *candidates.front()));
    FolderMaker folders;
    // A rejected library stops the assets; the caller removes what they left.
    GameLibrary library;
    LibraryCheck check_library = [&](EntryBuffers& buffers) {
        return choose_library(archive, candidates, library, buffers) ? ImportFailure{}
                                                                     : no_library_failure(apk_path);
    };
    ImportFailure failure = extract_assets(archive, assets.entries, target, folders, progress,
                                           worker_count(options.workers), options.cancel,
                                           check_library);
    if (library.name) {
        log_message('I', "game library: %s", library.name);
    }
    if (failure) {
        return failure;
    }
    // Last, after every asset is whole, so that a folder holding the library
    // holds complete game data.
    fs::path library_file = (target / kLibraryFileName).make_preferred();
    if (ImportFailure failure = write_whole_file(library_file, library.bytes.data(),
                                                 library.bytes.size(), progress)) {
        return failure;
    }
    if (ImportFailure failure = update_marker(target, library.from_lib_folder, progress)) {
        return failure;
    }
    progress.complete();
    return {};
}

ImportFailure import_archive(const std::string& apk_path, const std::string& target_folder,
                             const ImportOptions& options)
{
    ApkArchive archive;
    if (!archive.open(apk_path)) {
        return {ImportFault::archive, 0, last_error, true};
    }
    // Before anything is written: such an APK would install with assets
    // missing or misplaced.
    std::string refused = refused_asset_names(archive.entries());
    if (!refused.empty()) {
        return {ImportFault::archive, 0, refused};
    }
    // Without a single candidate nothing is written.
    std::vector<const ApkEntry*> candidates = library_candidates(archive);
    if (candidates.empty()) {
        return no_library_failure(apk_path);
    }
    AssetPlan assets = plan_assets(archive);
    fs::path target = fs::u8path(target_folder);
    if (ImportFailure failure =
            import_into(archive, apk_path, candidates, assets, target, options)) {
        return failure;
    }
    log_message('I', "imported %zu asset files (%.1f MB) into %s", assets.entries.size(),
                static_cast<double>(assets.bytes) / 1048576.0, target_folder.c_str());
    return {};
}

}  // namespace

bool import_game_data(const std::string& apk_path, const std::string& target_folder,
                      const ImportOptions& options, ImportOutcome* outcome)
{
    if (outcome) {
        *outcome = ImportOutcome{};
    }
    ImportFailure failure = import_archive(apk_path, target_folder, options);
    if (!failure) {
        return true;
    }
    if (failure.fault == ImportFault::cancelled) {
        log_message('I', "%s", failure.text.c_str());
    } else if (!failure.logged) {
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
    std::string refused = refused_asset_names(archive.entries());
    if (!refused.empty()) {
        log_message('E', "%s", refused.c_str());
        return false;
    }
    AssetPlan assets = plan_assets(archive);
    uint64_t library = 0;
    for (const ApkEntry& entry : archive.entries()) {
        if (is_library_candidate(entry) && extracted_size(entry) > library) {
            library = extracted_size(entry);
        }
    }
    plan.bytes = assets.bytes;
    plan.files = assets.entries.size();
    if (library > 0) {
        plan.bytes += library + marker_content().size();
        plan.files += 2;
    }
    return true;
}
