// The quiet uninstall run: no questions, no messages, saves kept. A message
// box would block the run, so a run that ends by itself has shown none.
#include <gtest/gtest.h>

#include "hand_made_install.h"
#include "support/install_inspection.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

class QuietRun : public HandMadeInstallTest {
protected:
    QuietRun() : HandMadeInstallTest(L"quiet run") {}

    DWORD run_quiet(const std::wstring& more = L"")
    {
        return run_program(GLOAMREEF_SETUP_EXE,
                           L"/uninstall-run " + quote(folder) + L" /quiet" + more, L"", 20000);
    }
};

TEST_F(QuietRun, RemovesEverythingButTheSaves)
{
    install_by_hand();
    // Typed by hand, a launcher's channel names handles of the run's own
    // (here likely some), none of them a waiting launcher: ignored.
    EXPECT_EQ(run_quiet(L" /launcher=4:8:12"), 0u);
    EXPECT_EQ(entries_below(folder), kept_user_data);
    expect_registration(false);
}

TEST_F(QuietRun, GameDataWithoutProgramFilesIsNoInstallation)
{
    make_installation(folder);
    remove_program_files(folder);
    register_installation(folder);
    std::vector<std::wstring> before = entries_below(folder);

    EXPECT_EQ(run_quiet(), 1u);
    EXPECT_EQ(entries_below(folder), before);
    expect_registration(true);
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
