// Times the import's own file operations (apk/file_io.h) one kind at a time,
// without reading or inflating anything: file_ops <listing> <target folder>.
// The listing has a line "<size> <relative/path>" per file, the shape of the
// APK's assets. Prints, per kind of operation, how many were made and the
// seconds they took together: "folder", "create", "write", "close".
#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "apk/file_io.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Tally {
    const char* kind;
    size_t count = 0;
    Clock::duration spent{};
};

struct Listed {
    uint64_t size;
    std::filesystem::path path;
};

// Every folder the listing needs, parents before children.
std::set<std::filesystem::path> folders_of(const std::vector<Listed>& files)
{
    std::set<std::filesystem::path> folders;
    for (const Listed& file : files) {
        for (std::filesystem::path folder = file.path.parent_path(); !folder.empty();
             folder = folder.parent_path()) {
            folders.insert(folder);
        }
    }
    return folders;  // ordered: "a" sorts before "a/b"
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: file_ops <listing> <target folder>\n");
        return 2;
    }
    std::vector<Listed> files;
    std::ifstream listing(argv[1]);
    for (std::string line; std::getline(listing, line);) {
        std::istringstream fields(line);
        Listed file;
        std::string path;
        if (fields >> file.size && std::getline(fields >> std::ws, path)) {
            file.path = std::filesystem::u8path(path);
            files.push_back(file);
        }
    }
    const std::filesystem::path target = std::filesystem::u8path(argv[2]);
    // The import writes in pieces of at most this much.
    std::vector<unsigned char> piece(1 << 20, 0x5a);

    Tally folder{"folder"}, create{"create"}, write{"write"}, close{"close"};
    auto timed = [](Tally& tally, auto operation) {
        Clock::time_point start = Clock::now();
        int error = operation();
        tally.spent += Clock::now() - start;
        ++tally.count;
        return error;
    };
    for (const std::filesystem::path& relative : folders_of(files)) {
        if (int error = timed(folder, [&] { return make_folder(target / relative); })) {
            std::fprintf(stderr, "file_ops: folder %s failed with %d\n",
                         relative.u8string().c_str(), error);
            return 1;
        }
    }
    for (const Listed& file : files) {
        OutputFile output;
        int error = timed(create, [&] { return output.create(target / file.path); });
        for (uint64_t left = file.size; error == 0 && left > 0;) {
            size_t size = static_cast<size_t>(std::min<uint64_t>(left, piece.size()));
            error = timed(write, [&] { return output.write(piece.data(), size); });
            left -= size;
        }
        if (error == 0) {
            error = timed(close, [&] { return output.close(); });
        }
        if (error != 0) {
            std::fprintf(stderr, "file_ops: %s failed with %d\n", file.path.u8string().c_str(),
                         error);
            return 1;
        }
    }
    for (const Tally& tally : {folder, create, write, close}) {
        std::printf("%s %zu %.6f\n", tally.kind, tally.count,
                    std::chrono::duration<double>(tally.spent).count());
    }
    return 0;
}
