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
#include "support/fixture_files.h"
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

    // Kept as members: every install test names its archives and data so.
    static std::wstring fixture(const char* name) { return fixture_path(name); }

    // Empty when the install folder's gamedata is exactly what the APK holds.
    std::string game_data_difference(const char* apk_name) const
    {
        return ::game_data_difference(folder, apk_name);
    }

    // Installs the fixture APK (name without ".apk") and expects exactly its
    // game data, with neither the staging nor the set-aside folder left beside it.
    void expect_clean_install(const char* apk_name)
    {
        EXPECT_EQ(install(folder, fixture((std::string(apk_name) + ".apk").c_str())), L"");
        EXPECT_EQ(game_data_difference(apk_name), "");
        EXPECT_FALSE(path_exists(folder + L"\\gamedata.new"));
        EXPECT_FALSE(path_exists(folder + L"\\gamedata.old"));
    }

    static std::wstring import_failure(const std::wstring& reason)
    {
        return L"The game data could not be imported from that file.\n\n" + reason +
               L"\n\nIt has to be the Android APK of Gloam Reef (2011, Ostrane / Quillmoor).";
    }

    // The text of an import that the install folder could not take.
    std::wstring write_failure(const std::wstring& cause) const
    {
        return L"The game data could not be written to\n" + folder + L"\n\n" + cause;
    }

    HMODULE setup_module = nullptr;
    std::wstring temp;
    std::wstring folder;
};
