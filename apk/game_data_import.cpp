// Takes the game library and the assets out of the user's APK into the game
// data folder, one entry at a time so a large APK needs little memory.
#include "apk/game_data_import.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <unordered_set>
#include <vector>

#include "apk/apk_archive.h"
#include "apk/import_rules.h"
#include "app/log.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kLibraryFileName = "libGloamReef.so";
constexpr const char* kMarkerFileName = "atc_textures";
constexpr const char* kMarkerText =
    "The textures in this folder are real ATC (imported from an unmodified APK).";

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

// Unbuffered: the content arrives in large pieces and goes straight to the
// file. Created or truncated.
bool open_output(std::filebuf& file, const fs::path& path)
{
    file.pubsetbuf(nullptr, 0);
    return file.open(path, std::ios_base::out | std::ios_base::binary | std::ios_base::trunc) !=
           nullptr;
}

bool write_piece(std::filebuf& file, const unsigned char* data, size_t size)
{
    return file.sputn(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size)) ==
           static_cast<std::streamsize>(size);
}

void report_write_failure(const fs::path& path)
{
    log_message('E', "cannot write %s", path.u8string().c_str());
}

// Creates each parent folder once. A folder that cannot be created (a file of
// that name is in the way, "assets/a" before "assets/a/b") fails the import
// with a message rather than an exception.
class FolderMaker {
public:
    bool make(const fs::path& folder)
    {
        if (made_.count(folder.native()) != 0) {
            return true;
        }
        std::error_code error;
        fs::create_directories(folder, error);
        if (error) {
            log_message('E', "cannot create the folder %s", folder.u8string().c_str());
            return false;
        }
        made_.insert(folder.native());
        return true;
    }

private:
    std::unordered_set<fs::path::string_type> made_;
};

struct AssetTotals {
    uint64_t files = 0;
    uint64_t bytes = 0;
};

// Streams one asset into its file. A file left behind by a failure is
// removed, so nothing half-written looks like an imported asset.
bool write_asset(ApkArchive& archive, const ApkEntry& entry, const fs::path& target,
                 FolderMaker& folders, AssetTotals& totals)
{
    fs::path output = (target / fs::u8path(entry.name)).make_preferred();
    if (!folders.make(output.parent_path())) {
        return false;
    }
    std::filebuf file;
    if (!open_output(file, output)) {
        report_write_failure(output);
        return false;
    }
    uint64_t written = 0;
    StreamResult result =
        archive.stream_entry(entry, [&file, &written](const unsigned char* data, size_t size) {
            written += size;
            return write_piece(file, data, size);
        });
    bool closed = file.close() != nullptr;
    if (result != StreamResult::done || !closed) {
        std::error_code ignored;
        fs::remove(output, ignored);
        if (result == StreamResult::bad_entry) {
            log_message('E', "failed to extract %s", entry.name.c_str());
        } else {
            report_write_failure(output);
        }
        return false;
    }
    totals.files += 1;
    totals.bytes += written;
    return true;
}

bool write_library(const fs::path& target, const std::vector<unsigned char>& bytes)
{
    fs::path output = (target / kLibraryFileName).make_preferred();
    std::filebuf file;
    bool ok = open_output(file, output) && write_piece(file, bytes.data(), bytes.size());
    if (!(file.close() != nullptr && ok)) {
        report_write_failure(output);
        return false;
    }
    return true;
}

// The game reads the marker to know its textures are the original ATC ones.
// Text mode, so the line ends as text files do on the platform (CR LF on
// Windows).
bool update_marker(const fs::path& target, bool from_lib_folder)
{
    fs::path marker = (target / kMarkerFileName).make_preferred();
    if (!from_lib_folder) {
        std::error_code ignored;
        fs::remove(marker, ignored);
        return true;
    }
    std::ofstream out(marker, std::ios_base::out | std::ios_base::trunc);
    out << kMarkerText << '\n';
    out.close();
    if (!out) {
        report_write_failure(marker);
        return false;
    }
    return true;
}

}  // namespace

bool import_game_data(const std::string& apk_path, const std::string& target_folder)
{
    ApkArchive archive;
    if (!archive.open(apk_path)) {
        return false;
    }
    GameLibrary library;
    if (!choose_library(archive, library)) {
        log_message('E', "no 32-bit ARM libGloamReef.so found in %s - is this the Gloam Reef APK?",
                    apk_path.c_str());
        return false;
    }

    fs::path target = fs::u8path(target_folder);
    FolderMaker folders;
    if (!folders.make(target)) {
        return false;
    }
    AssetTotals totals;
    for (const ApkEntry& entry : archive.entries()) {
        if (is_asset_name(entry.name) && !write_asset(archive, entry, target, folders, totals)) {
            return false;
        }
    }
    if (!write_library(target, library.bytes) || !update_marker(target, library.from_lib_folder)) {
        return false;
    }
    log_message('I', "imported %zu asset files (%.1f MB) into %s",
                static_cast<size_t>(totals.files), static_cast<double>(totals.bytes) / 1048576.0,
                target_folder.c_str());
    return true;
}
