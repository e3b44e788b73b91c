// Runs the install pipeline in-process, the way the silent mode does: on a
// fresh worker thread, with no window. The game program comes from the built
// setup program, loaded as data.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>

#include "app/progress.h"
#include "app/text.h"
#include "install/install_pipeline.h"
#include "install/layout.h"
#include "support/install_inspection.h"
#include "support/test_support.h"
#include "test_paths.h"

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setup_module = LoadLibraryExW(GLOAMREEF_SETUP_EXE, nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(setup_module, nullptr);
        temp = make_temp_folder(L"install");
        ASSERT_FALSE(temp.empty());
        folder = temp + L"\\Reef";
        progress_window = nullptr;
        progress_status_line = nullptr;
    }

    void TearDown() override
    {
        remove_install_registration();
        remove_test_folder(temp);
        FreeLibrary(setup_module);
    }

    // Returns outcome_error.
    std::wstring install(const std::wstring& target, const std::wstring& apk,
                         HMODULE payload = nullptr)
    {
        std::thread worker(run_install_from, payload ? payload : setup_module, target, apk, false);
        worker.join();
        return outcome_error;
    }

    static std::wstring fixture(const char* name)
    {
        return utf8_to_wide(GLOAMREEF_FIXTURE_DIR) + L"\\" + utf8_to_wide(name);
    }

    // The tree an import of the fixture APK must leave: its library and assets,
    // plus the marker that a library from lib/ brings.
    static std::map<std::wstring, std::string> expected_game_data(const char* apk_name)
    {
        auto files = read_fixture_tree(GLOAMREEF_FIXTURE_DIR + std::string("/") + apk_name +
                                       ".expected");
        files[L"atc_textures"] =
            "The textures in this folder are real ATC (imported from an unmodified APK).\r\n";
        return files;
    }

    // Empty when the install folder's gamedata is exactly what the APK holds.
    std::string game_data_difference(const char* apk_name) const
    {
        return tree_difference(read_tree(folder + L"\\gamedata"), expected_game_data(apk_name));
    }

    static std::wstring import_failure(const std::wstring& reason)
    {
        return L"The game data could not be imported from that file.\n\n" + reason +
               L"\n\nIt has to be the Android APK of Gloam Reef (2011, Ostrane / Quillmoor).";
    }

    HMODULE setup_module = nullptr;
    std::wstring temp;
    std::wstring folder;
};
