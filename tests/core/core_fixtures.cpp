// Shared by the portable tests: fixture archives and scratch folders.
#include "core/core_fixtures.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder()
{
    static std::atomic<unsigned> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = fs::temp_directory_path() /
            ("gloamreef-core-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string read_all(const fs::path& path)
{
    std::ifstream in(path, std::ios_base::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> files_under(const fs::path& folder)
{
    std::vector<std::string> result;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_regular_file()) {
            result.push_back(fs::relative(it->path(), folder).generic_u8string());
        }
    }
    std::sort(result.begin(), result.end());
    return result;
}

unsigned import_workers()
{
    const char* workers = std::getenv("GLOAMREEF_IMPORT_WORKERS");
    return workers ? static_cast<unsigned>(std::atoi(workers)) : 1;
}

bool serial_import()
{
    return import_workers() == 1;
}

ImportOptions with_workers(ImportOptions options)
{
    options.workers = import_workers();
    return options;
}

std::string fixture_text(size_t size, int seed)
{
    std::string line = "texture " + std::to_string(seed) + " of the reef, ";
    std::string result;
    while (result.size() < size) {
        result += line;
    }
    result.resize(size);
    return result;
}
