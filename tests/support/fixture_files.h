// The archives that the fixture generators make before the tests, and the
// game data an import of each must leave. Header-only: test_paths.h is
// generated for the test binaries.
#pragma once

#include <map>
#include <string>

#include "app/text.h"
#include "support/install_inspection.h"
#include "test_paths.h"

// A generated file by its name ("install_game.apk"), as a Windows path.
inline std::wstring fixture_path(const char* name)
{
    return utf8_to_wide(GLOAMREEF_FIXTURE_DIR) + L"\\" + utf8_to_wide(name);
}

// The tree an import of the fixture APK (name without ".apk") must leave: its
// library and assets, plus the marker that a library from lib/ brings.
inline std::map<std::wstring, std::string> expected_game_data(const char* apk_name)
{
    auto files =
        read_fixture_tree(GLOAMREEF_FIXTURE_DIR + std::string("/") + apk_name + ".expected");
    files[L"atc_textures"] =
        "The textures in this folder are real ATC (imported from an unmodified APK).\r\n";
    return files;
}

// Empty when the install folder's gamedata is exactly what the APK holds.
inline std::string game_data_difference(const std::wstring& install_folder, const char* apk_name)
{
    return tree_difference(read_tree(install_folder + L"\\gamedata"), expected_game_data(apk_name));
}
