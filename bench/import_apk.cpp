// Runs one game data import from the command line, for timing and memory
// measurements: import_apk <apk> <target folder>.
#include <cstdio>

#include "apk/game_data_import.h"
#include "app/log.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: import_apk <apk> <target folder>\n");
        return 2;
    }
    if (!import_game_data(argv[1], argv[2])) {
        std::fprintf(stderr, "import failed: %s\n", last_error.c_str());
        return 1;
    }
    return 0;
}
