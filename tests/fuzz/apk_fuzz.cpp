// libFuzzer target: any byte string as an APK, through open, every
// extraction (whole and streamed) and a complete import into a fresh folder,
// serially and with a pool of workers, which must agree.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "apk/apk_archive.h"
#include "apk/game_data_import.h"
#include "app/log.h"

namespace fs = std::filesystem;

namespace {

// One folder per fuzzing process, removed when the run ends normally.
struct WorkFolder {
    fs::path path = fs::temp_directory_path() /
                    ("gloamreef-fuzz-" + std::to_string(static_cast<long>(getpid())));
    WorkFolder() { fs::create_directories(path); }
    ~WorkFolder()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

const fs::path& work_folder()
{
    static const WorkFolder folder;
    return folder.path;
}

// What an import left: success, the error text, every file with its content.
struct ImportResult {
    bool imported = false;
    std::string error;
    std::map<std::string, std::string> files;

    // A failed import may leave more finished files with a pool; the caller
    // removes them anyway.
    bool operator==(const ImportResult& other) const
    {
        return imported == other.imported && error == other.error &&
               (!imported || files == other.files);
    }
};

ImportResult import_fresh(const fs::path& apk, const fs::path& target, unsigned workers)
{
    std::error_code ignored;
    fs::remove_all(target, ignored);
    last_error.clear();
    ImportOptions options;
    options.workers = workers;
    ImportResult result;
    // No exception may leave the import: a folder blocked by a file fails it
    // with a message, like every other write.
    result.imported = import_game_data(apk.string(), target.string(), options);
    result.error = last_error;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(target, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_regular_file()) {
            result.files[it->path().string() + "/"];
            continue;
        }
        std::ifstream in(it->path(), std::ios_base::binary);
        result.files[it->path().string()] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fs::path apk = work_folder() / "input.apk";
    const fs::path target = work_folder() / "target";
    {
        std::ofstream out(apk, std::ios_base::binary | std::ios_base::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    ApkArchive archive;
    if (archive.open(apk.string())) {
        for (const ApkEntry& entry : archive.entries()) {
            std::vector<unsigned char> whole;
            bool extracted = archive.extract_entry(entry, whole);
            uint64_t streamed = 0;
            StreamResult result = archive.stream_entry(
                entry, [&streamed](const unsigned char*, size_t piece) {
                    streamed += piece;
                    return true;
                });
            // Both ways of reading an entry must agree.
            if (extracted != (result == StreamResult::done) ||
                (extracted && streamed != whole.size())) {
                __builtin_trap();
            }
        }
    }

    // The same files and the same failure, however many workers.
    if (!(import_fresh(apk, target, 1) == import_fresh(apk, target, 3))) {
        __builtin_trap();
    }
    // Nothing may appear beside the target: only the input and the target.
    for (const auto& item : fs::directory_iterator(work_folder())) {
        if (item.path() != apk && item.path() != target) {
            __builtin_trap();
        }
    }
    std::error_code ignored;
    fs::remove_all(target, ignored);
    return 0;
}
