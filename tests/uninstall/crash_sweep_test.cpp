// Installs and uninstalls killed (TerminateProcess) at points spread over
// their run, as Task Manager, a crash or a forced log-off ends them: after
// each kill the next run, an install or an uninstall by turns, succeeds and
// leaves exactly what it should, and the user's files never change. The kill
// points are taken as fractions of a measured run, from the moment its log
// shows that it has started.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "app/text.h"
#include "hand_made_install.h"
#include "install/layout.h"
#include "support/fixture_files.h"
#include "support/install_inspection.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

constexpr int install_kills = 20;
constexpr int uninstall_kills = 10;
// Appended to both program files before an update: the versions it replaces.
constexpr char older[] = "older version";

class CrashSweep : public ::testing::Test {
protected:
    void SetUp() override
    {
        remove_install_registration();
        // Hundreds of files are made and deleted in every round: on a tmpfs
        // where Wine gives one, since a disk with online discard stalls.
        base = make_temp_folder(L"crash sweep");
        if (is_folder(L"Z:\\dev\\shm")) {
            remove_test_folder(base);
            base = L"Z:\\dev\\shm\\gloamreef-crash-sweep-" + std::to_wstring(GetCurrentProcessId());
            ASSERT_TRUE(CreateDirectoryW(base.c_str(), nullptr));
        }
        folder = base + L"\\Reef";
        log = base + L"\\run.log";
        program = read_file(GLOAMREEF_STANDIN_EXE);
        uninstaller = read_file(GLOAMREEF_SETUP_EXE);
    }

    void TearDown() override
    {
        remove_install_registration();
        remove_test_folder(base);
    }

    std::wstring install_arguments(const char* apk) const
    {
        return L"/silent " + quote(folder) + L" " +
               quote(fixture_path((std::string(apk) + ".apk").c_str())) + L" " +
               quote(L"/log=" + log);
    }

    std::wstring uninstall_arguments() const
    {
        return L"/uninstall-run " + quote(folder) + L" " + quote(L"/log=" + log) + L" /quiet";
    }

    // Starts the run and waits until its log says it has started (or it has
    // ended); started is the tick count then.
    RunningProgram start(const std::wstring& arguments, ULONGLONG& started) const
    {
        DeleteFileW(log.c_str());
        RunningProgram run = start_program(GLOAMREEF_SETUP_EXE, arguments);
        while (!program_ended(run) && read_file(log).find(" start\r\n") == std::string::npos) {
            Sleep(1);
        }
        started = GetTickCount64();
        return run;
    }

    // Kills the run kill_ms after its start unless it has ended by then, with
    // 0. Returns the milliseconds from its start to its end, 0 when killed.
    ULONGLONG run_killed_after(const std::wstring& arguments, DWORD kill_ms)
    {
        ULONGLONG started = 0;
        RunningProgram run = start(arguments, started);
        if (!program_ended(run, kill_ms)) {
            TerminateProcess(run.process, 9);
            finish_program(run);
            return 0;
        }
        EXPECT_EQ(finish_program(run), 0u) << read_file(log);
        return GetTickCount64() - started;
    }

    void user_adds_own_files() const
    {
        for (const auto& [name, bytes] : user_files) {
            std::wstring path = folder + L"\\" + name;
            SHCreateDirectoryExW(nullptr, path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
            ASSERT_TRUE(write_file(path, bytes));
        }
    }

    // Installs the APK again when the last run removed the installation.
    void reinstall_if_removed(const char* apk)
    {
        if (!path_exists(folder + L"\\gloamreef.exe")) {
            ASSERT_EQ(run_program(GLOAMREEF_SETUP_EXE, install_arguments(apk)), 0u) << read_file(log);
        }
    }

    // Exactly the installation of the APK (none for null), its registration
    // and the user's files; nothing that a killed run left.
    void expect_left(const char* apk) const
    {
        std::map<std::wstring, std::string> expected = user_files;
        if (apk != nullptr) {
            for (const auto& [path, bytes] : expected_game_data(apk)) {
                expected[L"gamedata\\" + path] = bytes;
            }
            expected[L"gloamreef.exe"] = program;
            expected[L"uninstall.exe"] = uninstaller;
            EXPECT_EQ(read_registry_text(HKEY_CURRENT_USER, uninstall_key_path, L"InstallLocation"),
                      folder);
            EXPECT_EQ(read_shortcut(shortcut_path(known_folder_path(FOLDERID_Programs))).target,
                      folder + L"\\gloamreef.exe");
        }
        EXPECT_EQ(tree_difference(read_tree(folder), expected), "");
        for_each_entry(folder, [](const std::wstring& relative, const std::wstring& path, DWORD type) {
            EXPECT_FALSE((type & FILE_ATTRIBUTE_DIRECTORY) && entries_below(path).empty())
                << "empty folder " << wide_to_utf8(relative);
        });
        EXPECT_EQ(uninstall_entry_exists(), apk != nullptr);
        EXPECT_EQ(start_menu_shortcut_exists(), apk != nullptr);
        EXPECT_FALSE(desktop_shortcut_exists());
    }

    // After a kill each program file is this test's build or the version
    // given, whole ("" for none, never a short file); true when both are gone.
    bool expect_whole_programs(const std::string& other_program,
                               const std::string& other_uninstaller) const
    {
        std::string game = read_file(folder + L"\\gloamreef.exe");
        std::string remover = read_file(folder + L"\\uninstall.exe");
        EXPECT_TRUE(game == program || game == other_program) << game.size() << " bytes";
        EXPECT_TRUE(remover == uninstaller || remover == other_uninstaller)
            << remover.size() << " bytes";
        return game.empty() && remover.empty();
    }

    // The run after a kill, an install or an uninstall by turns.
    void run_after_kill(int kill, const char* apk)
    {
        bool installs = kill % 2 == 0;
        EXPECT_EQ(run_program(GLOAMREEF_SETUP_EXE,
                              installs ? install_arguments(apk) : uninstall_arguments()),
                  0u)
            << read_file(log);
        expect_left(installs ? apk : nullptr);
    }

    std::wstring base;
    std::wstring folder;
    std::wstring log;
    std::string program;
    std::string uninstaller;
    // The user's saves, a texture pack and a file of their own.
    const std::map<std::wstring, std::string> user_files = {
        {L"userdata\\saves\\slot1.sav", "saved game"},
        {L"userdata\\settings.ini", "[video]\r\nscale=2\r\n"},
        {L"mods\\textures\\reef_hd.png", "texture pack"},
        {L"notes.txt", "the user's own notes"},
    };
};

TEST_F(CrashSweep, KilledUpdatesAndUninstallsAreFinishedByTheNextRun)
{
    // The APKs an update goes from and to, by turns, and how long an update
    // from each to the other takes.
    const char* apks[] = {"install_many", "install_game"};
    ASSERT_EQ(run_program(GLOAMREEF_SETUP_EXE, install_arguments(apks[0])), 0u);
    ASSERT_NO_FATAL_FAILURE(user_adds_own_files());
    const ULONGLONG update_ms[] = {run_killed_after(install_arguments(apks[1]), 60000),
                                   run_killed_after(install_arguments(apks[0]), 60000)};
    ASSERT_TRUE(update_ms[0] > 0 && update_ms[1] > 0) << "an update did not end";
    expect_left(apks[0]);

    int landed = 0;
    int installed = 0; // the APK the last install brought
    for (int kill = 0; kill < install_kills; ++kill) {
        SCOPED_TRACE("install kill " + std::to_string(kill));
        ASSERT_NO_FATAL_FAILURE(reinstall_if_removed(apks[installed]));
        ASSERT_TRUE(write_file(folder + L"\\gloamreef.exe", program + older));
        ASSERT_TRUE(write_file(folder + L"\\uninstall.exe", uninstaller + older));
        ULONGLONG kill_ms = update_ms[installed] * (2 * kill + 1) / (2 * install_kills);
        landed += run_killed_after(install_arguments(apks[1 - installed]), kill_ms) == 0;
        expect_whole_programs(program + older, uninstaller + older);
        installed = 1 - installed;
        run_after_kill(kill, apks[installed]);
    }
    EXPECT_GE(landed, install_kills / 2) << "most updates ended before their kill";

    // The uninstall, measured from the log's start; its removal begins after
    // a pause, so the kills spread over the time from its first deletion on.
    ASSERT_NO_FATAL_FAILURE(reinstall_if_removed(apks[installed]));
    ASSERT_TRUE(write_file(folder + L"\\gloamreef.log", "the game's log"));
    ULONGLONG started = 0;
    RunningProgram reference = start(uninstall_arguments(), started);
    while (!program_ended(reference) && path_exists(folder + L"\\gloamreef.log")) {
        Sleep(1);
    }
    const ULONGLONG first_deletion_ms = GetTickCount64() - started;
    EXPECT_EQ(finish_program(reference), 0u);
    const ULONGLONG removal_ms = GetTickCount64() - started - first_deletion_ms + 1;
    expect_left(nullptr);

    landed = 0;
    for (int kill = 0; kill < uninstall_kills; ++kill) {
        SCOPED_TRACE("uninstall kill " + std::to_string(kill));
        ASSERT_NO_FATAL_FAILURE(reinstall_if_removed(apks[installed]));
        ULONGLONG kill_ms = first_deletion_ms + removal_ms * (2 * kill + 1) / (2 * uninstall_kills);
        landed += run_killed_after(uninstall_arguments(), kill_ms) == 0;
        if (expect_whole_programs("", "")) {
            // Killed after its last deletion: nothing is left to finish.
            expect_left(nullptr);
        } else {
            run_after_kill(kill, apks[installed]);
        }
    }
    EXPECT_GE(landed, uninstall_kills / 2) << "most uninstalls ended before their kill";
}

} // namespace
