// Shared by the portable tests: fixture archives and scratch folders.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "apk/game_data_import.h"
#include "test_paths.h"

// UTF-8 path of a fixture made by tests/fixtures/make_fixtures.py.
inline std::string fixture(const std::string& name)
{
    return std::string(GLOAMREEF_FIXTURE_DIR) + "/" + name;
}

// A fresh, empty folder under the temp folder, removed with its contents at
// the end of the test.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::filesystem::path& path() const { return path_; }
    std::string utf8() const { return path_.u8string(); }

private:
    std::filesystem::path path_;
};

std::string read_all(const std::filesystem::path& path);

// Relative paths ("/"-separated) of every regular file under folder, sorted.
std::vector<std::string> files_under(const std::filesystem::path& folder);

// The suites that import run once with the serial import and once with a
// pool of workers (GLOAMREEF_IMPORT_WORKERS, set by tests/CMakeLists.txt).
unsigned import_workers();
bool serial_import();
// options with the run's worker count.
ImportOptions with_workers(ImportOptions options = {});

// The repeated line that make_fixtures.py's text(n, seed) writes.
std::string fixture_text(size_t size, int seed);
