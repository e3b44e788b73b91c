// The quiet uninstall run: no questions, no messages, saves kept. A message
// box would block the run, so a run that ends by itself has shown none.
#include <gtest/gtest.h>

#include "hand_made_install.h"
#include "support/install_inspection.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

class QuietRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = make_temp_folder(L"quiet run");
        ASSERT_FALSE(folder.empty());
    }
    void TearDown() override
    {
        remove_test_folder(folder);
        remove_install_registration();
    }

    DWORD run_quiet()
    {
        return run_program(GLOAMREEF_SETUP_EXE, L"/uninstall-run " + quote(folder) + L" /quiet",
                           L"", 20000);
    }

    std::wstring folder;
};

TEST_F(QuietRun, RemovesEverythingButTheSaves)
{
    make_installation(folder);
    register_installation(folder);
    EXPECT_EQ(run_quiet(), 0u);
    EXPECT_EQ(entries_below(folder),
              (std::vector<std::wstring>{L"userdata", L"userdata\\saves",
                                         L"userdata\\saves\\slot1.sav", L"userdata\\settings.ini"}));
    EXPECT_FALSE(uninstall_entry_exists());
    EXPECT_FALSE(start_menu_shortcut_exists());
    EXPECT_FALSE(desktop_shortcut_exists());
}

TEST_F(QuietRun, GameDataWithoutProgramFilesIsNoInstallation)
{
    make_installation(folder);
    DeleteFileW((folder + L"\\gloamreef.exe").c_str());
    DeleteFileW((folder + L"\\uninstall.exe").c_str());
    register_installation(folder);
    std::vector<std::wstring> before = entries_below(folder);

    EXPECT_EQ(run_quiet(), 1u);
    EXPECT_EQ(entries_below(folder), before);
    EXPECT_TRUE(uninstall_entry_exists());
    EXPECT_TRUE(start_menu_shortcut_exists());
    EXPECT_TRUE(desktop_shortcut_exists());
}

TEST_F(QuietRun, EitherProgramFileMarksAnInstallation)
{
    for (const wchar_t* program : {L"\\uninstall.exe", L"\\gloamreef.exe"}) {
        SCOPED_TRACE(program);
        CreateDirectoryW(folder.c_str(), nullptr);
        CreateDirectoryW((folder + L"\\gamedata").c_str(), nullptr);
        write_file(folder + L"\\gamedata\\libGloamReef.so", "library");
        write_file(folder + program, "MZ");
        register_installation(folder);

        EXPECT_EQ(run_quiet(), 0u);
        EXPECT_FALSE(path_exists(folder));
        EXPECT_FALSE(uninstall_entry_exists());
    }
}

TEST_F(QuietRun, MissingGameFilesAndRegistrationChangeNothing)
{
    // Only what the setup writes: no logs, dump, read-me, saves, shortcuts or key.
    make_installation(folder);
    for (const wchar_t* name : {L"\\gloamreef.log", L"\\stderr.log", L"\\crash.dmp",
                                L"\\mods\\textures\\README.txt", L"\\userdata\\settings.ini",
                                L"\\userdata\\saves\\slot1.sav"}) {
        DeleteFileW((folder + name).c_str());
    }
    RemoveDirectoryW((folder + L"\\userdata\\saves").c_str());
    RemoveDirectoryW((folder + L"\\userdata").c_str());
    remove_install_registration();

    EXPECT_EQ(run_quiet(), 0u);
    EXPECT_FALSE(path_exists(folder));
}

} // namespace
