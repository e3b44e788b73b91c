// libFuzzer target: any byte string as an APK, through open, every
// extraction (whole and streamed) and a complete import into a fresh folder.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "apk/apk_archive.h"
#include "apk/game_data_import.h"

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

    std::error_code ignored;
    fs::remove_all(target, ignored);
    // No exception may leave the import: a folder blocked by a file fails it
    // with a message, like every other write.
    import_game_data(apk.string(), target.string());
    // Nothing may appear beside the target: only the input and the target.
    for (const auto& item : fs::directory_iterator(work_folder())) {
        if (item.path() != apk && item.path() != target) {
            __builtin_trap();
        }
    }
    fs::remove_all(target, ignored);
    return 0;
}
