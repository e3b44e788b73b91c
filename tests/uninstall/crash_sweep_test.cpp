// Installs and uninstalls killed (TerminateProcess) at points spread over
// their run, as Task Manager, a crash or a forced log-off ends them: after
// each kill the next run, an install or an uninstall by turns, succeeds and
// leaves exactly what it should, and the user's files never change. The kill
// points are taken as fractions of a measured run, from the moment its log
// shows that it has started.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <set>

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

// Every entry the files' paths make, folders included, sorted as
// entries_below gives them.
std::vector<std::wstring> entries_of(const std::map<std::wstring, std::string>& files)
{
    std::set<std::wstring> entries;
    for (const auto& file : files) {
        for (size_t slash = file.first.find(L'\\'); slash != std::wstring::npos;
             slash = file.first.find(L'\\', slash + 1)) {
            entries.insert(file.first.substr(0, slash));
        }
        entries.insert(file.first);
    }
    return {entries.begin(), entries.end()};
}

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

    // Starts the run and waits until its log says it has started; the
    // process is null when it did not. started is the tick count then.
    RunningProgram start(const std::wstring& arguments, ULONGLONG& started) const
    {
        DeleteFileW(log.c_str());
        RunningProgram run = start_program(GLOAMREEF_SETUP_EXE, arguments);
        while (run.process != nullptr && read_file(log).find(" start\r\n") == std::string::npos) {
            if (program_ended(run)) {
                finish_program(run);
                break;
            }
            Sleep(1);
        }
        started = GetTickCount64();
        return run;
    }

    // Milliseconds from the log's start to the end of a whole run.
    ULONGLONG measure(const std::wstring& arguments)
    {
        ULONGLONG started = 0;
        RunningProgram run = start(arguments, started);
        EXPECT_EQ(finish_program(run), 0u);
        return GetTickCount64() - started;
    }

    // Kills the run delay_ms after its start; true when it was still running.
    bool kill_after(const std::wstring& arguments, ULONGLONG delay_ms)
    {
        ULONGLONG started = 0;
        RunningProgram run = start(arguments, started);
        if (run.process == nullptr) {
            ADD_FAILURE() << "the run did not start";
            return false;
        }
        ULONGLONG elapsed = GetTickCount64() - started;
        bool running = !program_ended(run, static_cast<DWORD>(delay_ms > elapsed ? delay_ms - elapsed : 0));
        if (running) {
            TerminateProcess(run.process, 9);
        }
        finish_program(run);
        return running;
    }

    void user_adds_own_files() const
    {
        for (const auto& file : user_files) {
            std::wstring path = folder + L"\\" + file.first;
            for (size_t slash = path.find(L'\\', folder.size() + 1); slash != std::wstring::npos;
                 slash = path.find(L'\\', slash + 1)) {
                CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
            }
            ASSERT_TRUE(write_file(path, file.second));
        }
    }

    // Exactly the installation of the APK, the registration and the user's
    // files; nothing that a killed run left.
    void expect_installed(const char* apk) const
    {
        std::map<std::wstring, std::string> expected = user_files;
        for (const auto& file : expected_game_data(apk)) {
            expected[L"gamedata\\" + file.first] = file.second;
        }
        expected[L"gloamreef.exe"] = program;
        expected[L"uninstall.exe"] = uninstaller;
        EXPECT_EQ(tree_difference(read_tree(folder), expected), "");
        EXPECT_EQ(entries_below(folder), entries_of(expected));
        EXPECT_EQ(read_registry_value(HKEY_CURRENT_USER, uninstall_key_path, L"InstallLocation").bytes,
                  registry_text(folder));
        EXPECT_EQ(read_shortcut(shortcut_path(known_folder_path(FOLDERID_Programs))).target,
                  folder + L"\\gloamreef.exe");
        EXPECT_FALSE(desktop_shortcut_exists());
    }

    // Only the user's files; no registration.
    void expect_uninstalled() const
    {
        EXPECT_EQ(tree_difference(read_tree(folder), user_files), "");
        EXPECT_EQ(entries_below(folder), entries_of(user_files));
        EXPECT_FALSE(uninstall_entry_exists());
        EXPECT_FALSE(start_menu_shortcut_exists());
        EXPECT_FALSE(desktop_shortcut_exists());
    }

    // A program file after a kill: not there, or one of these, whole.
    std::string program_state(const wchar_t* name, const std::string& old_bytes,
                              const std::string& new_bytes) const
    {
        std::wstring path = folder + L"\\" + name;
        if (!path_exists(path)) {
            return "absent";
        }
        std::string bytes = read_file(path);
        return bytes == old_bytes ? "old" : bytes == new_bytes ? "new" : "damaged";
    }

    // The run after a kill, an install or an uninstall by turns.
    void run_after_kill(int kill, const char* apk)
    {
        if (kill % 2 == 0) {
            EXPECT_EQ(run_program(GLOAMREEF_SETUP_EXE, install_arguments(apk)), 0u) << read_file(log);
            expect_installed(apk);
        } else {
            EXPECT_EQ(run_program(GLOAMREEF_SETUP_EXE, uninstall_arguments()), 0u) << read_file(log);
            expect_uninstalled();
        }
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
    // The APKs an update goes from and to, by turns.
    const char* apks[] = {"install_many", "install_game"};
    ASSERT_EQ(run_program(GLOAMREEF_SETUP_EXE, install_arguments(apks[0])), 0u);
    ASSERT_NO_FATAL_FAILURE(user_adds_own_files());
    ULONGLONG update_ms = measure(install_arguments(apks[1]));
    ULONGLONG back_ms = measure(install_arguments(apks[0]));
    ASSERT_NO_FATAL_FAILURE(expect_installed(apks[0]));

    int landed = 0;
    bool installed = true;
    const char* current = apks[0];
    for (int kill = 0; kill < install_kills; ++kill) {
        SCOPED_TRACE("install kill " + std::to_string(kill));
        if (!installed) {
            ASSERT_EQ(run_program(GLOAMREEF_SETUP_EXE, install_arguments(current)), 0u);
        }
        // An older program than the one the update brings.
        const std::string old_program = program + "older version";
        const std::string old_uninstaller = uninstaller + "older version";
        ASSERT_TRUE(write_file(folder + L"\\gloamreef.exe", old_program));
        ASSERT_TRUE(write_file(folder + L"\\uninstall.exe", old_uninstaller));
        const char* next = current == apks[0] ? apks[1] : apks[0];
        ULONGLONG full_ms = current == apks[0] ? update_ms : back_ms;
        landed += kill_after(install_arguments(next), full_ms * (2 * kill + 1) / (2 * install_kills));
        EXPECT_NE(program_state(L"gloamreef.exe", old_program, program), "absent");
        EXPECT_NE(program_state(L"gloamreef.exe", old_program, program), "damaged");
        EXPECT_NE(program_state(L"uninstall.exe", old_uninstaller, uninstaller), "absent");
        EXPECT_NE(program_state(L"uninstall.exe", old_uninstaller, uninstaller), "damaged");

        run_after_kill(kill, next);
        installed = kill % 2 == 0;
        current = next;
    }
    EXPECT_GE(landed, install_kills / 2) << "most updates ended before their kill";

    // The uninstall, measured from the log's start; its removal begins after
    // a pause, so the kills spread over the time after the first deletion.
    if (!installed) {
        ASSERT_EQ(run_program(GLOAMREEF_SETUP_EXE, install_arguments(current)), 0u);
    }
    ASSERT_TRUE(write_file(folder + L"\\gloamreef.log", "the game's log"));
    ULONGLONG started = 0;
    RunningProgram reference = start(uninstall_arguments(), started);
    while (!program_ended(reference) && path_exists(folder + L"\\gloamreef.log")) {
        Sleep(1);
    }
    ULONGLONG first_deletion_ms = GetTickCount64() - started;
    EXPECT_EQ(finish_program(reference), 0u);
    ULONGLONG uninstall_ms = GetTickCount64() - started;
    ASSERT_NO_FATAL_FAILURE(expect_uninstalled());
    installed = false;

    landed = 0;
    for (int kill = 0; kill < uninstall_kills; ++kill) {
        SCOPED_TRACE("uninstall kill " + std::to_string(kill));
        if (!installed) {
            ASSERT_EQ(run_program(GLOAMREEF_SETUP_EXE, install_arguments(current)), 0u);
        }
        ULONGLONG span = uninstall_ms > first_deletion_ms ? uninstall_ms - first_deletion_ms : 1;
        landed += kill_after(uninstall_arguments(),
                             first_deletion_ms + span * (2 * kill + 1) / (2 * uninstall_kills));
        std::string program_left = program_state(L"gloamreef.exe", "", program);
        std::string uninstaller_left = program_state(L"uninstall.exe", "", uninstaller);
        EXPECT_NE(program_left, "damaged");
        EXPECT_NE(uninstaller_left, "damaged");
        if (program_left == "absent" && uninstaller_left == "absent") {
            // Killed after its last deletion: nothing is left to finish, and
            // an uninstall finds no installation.
            expect_uninstalled();
            if (kill % 2 == 1) {
                EXPECT_EQ(run_program(GLOAMREEF_SETUP_EXE, uninstall_arguments()), 1u);
                expect_uninstalled();
                installed = false;
                continue;
            }
        }
        run_after_kill(kill, current);
        installed = kill % 2 == 0;
    }
    EXPECT_GE(landed, uninstall_kills / 2) << "most uninstalls ended before their kill";
}

} // namespace
