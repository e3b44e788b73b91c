// Runs the game data import on its own, as the benchmark times it.
// Usage: gloamreef-import <apk> <target folder>; exit 0 on success, 1 with
// the import's message on failure.
#include "apk/game_data_import.h"
#include "app/log.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: gloamreef-import <apk> <target folder>\n");
        return 2;
    }
    try {
        if (import_game_data(argv[1], argv[2])) {
            return 0;
        }
        std::fprintf(stderr, "gloamreef-import: %s\n", last_error.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "gloamreef-import: %s\n", error.what());
    }
    return 1;
}
