// Runs one game data import from the command line, for timing and memory
// measurements: import_apk [--workers N] <apk> <target folder>.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "apk/game_data_import.h"
#include "app/log.h"

int main(int argc, char** argv)
{
    ImportOptions options;
    if (argc == 5 && std::strcmp(argv[1], "--workers") == 0) {
        options.workers = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
        argv += 2;
        argc -= 2;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: import_apk [--workers N] <apk> <target folder>\n");
        return 2;
    }
    if (!import_game_data(argv[1], argv[2], options)) {
        std::fprintf(stderr, "import failed: %s\n", last_error.c_str());
        return 1;
    }
    return 0;
}
