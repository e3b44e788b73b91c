// The built setup program's silent mode, end to end under Wine: what lands on
// disk, in the Start menu and in the registry, and the exit codes.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "app/text.h"
#include "install/layout.h"
#include "support/fixture_files.h"
#include "support/install_inspection.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

class SilentInstall : public ::testing::Test {
protected:
    void SetUp() override
    {
        remove_install_registration();
        temp = make_temp_folder(L"silent");
        ASSERT_FALSE(temp.empty());
        folder = temp + L"\\Reef Game";
    }

    void TearDown() override
    {
        remove_install_registration();
        remove_test_folder(temp);
    }

    static DWORD silent(const std::wstring& target, const std::wstring& apk,
                        const std::wstring& extra = L"")
    {
        // Backslashes before a closing quote are doubled, or the command-line
        // split would read the quote as a literal one.
        std::wstring quoted_target = target;
        if (!target.empty() && target.back() == L'\\') {
            quoted_target += L'\\';
        }
        std::wstring arguments = L"/silent " + quote(quoted_target) + L" " + quote(apk);
        if (!extra.empty()) {
            arguments += L" " + extra;
        }
        return run_program(GLOAMREEF_SETUP_EXE, arguments);
    }

    std::string game_data_difference(const char* apk_name) const
    {
        return ::game_data_difference(folder, apk_name);
    }

    static RegistryValue entry(const wchar_t* name)
    {
        return read_registry_value(HKEY_CURRENT_USER, uninstall_key_path, name);
    }

    static DWORD number_value(const wchar_t* name)
    {
        RegistryValue value = entry(name);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD)) << wide_to_utf8(name);
        DWORD number = MAXDWORD;
        memcpy(&number, value.bytes.data(), std::min(value.bytes.size(), sizeof number));
        return number;
    }

    // EstimatedSize within 2 % of the KiB the programs and the game data hold.
    static void expect_installed_size(const std::wstring& install_folder)
    {
        double bytes = 0;
        for (const auto& [path, content] : read_tree(install_folder)) {
            bool counted = path == L"gloamreef.exe" || path == L"uninstall.exe" ||
                           path.rfind(L"gamedata\\", 0) == 0;
            bytes += counted ? static_cast<double>(content.size()) : 0;
        }
        EXPECT_NEAR(number_value(L"EstimatedSize"), bytes / 1024, bytes / 1024 * 0.02);
    }

    static void expect_text(const wchar_t* name, const std::wstring& text)
    {
        RegistryValue value = entry(name);
        EXPECT_TRUE(value.present) << wide_to_utf8(name);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << wide_to_utf8(name);
        EXPECT_EQ(value.bytes.size(), (text.size() + 1) * 2) << wide_to_utf8(name);
        EXPECT_EQ(value.bytes, registry_text(text)) << wide_to_utf8(name);
    }

    std::wstring temp;
    std::wstring folder;
};

} // namespace

TEST_F(SilentInstall, WritesEveryFileByteForByte)
{
    ASSERT_EQ(silent(folder, fixture_path("install_game.apk")), 0u);

    std::string program = read_file(folder + L"\\gloamreef.exe");
    ASSERT_FALSE(program.empty());
    EXPECT_TRUE(program == read_file(GLOAMREEF_STANDIN_EXE));
    EXPECT_TRUE(read_file(folder + L"\\uninstall.exe") == read_file(GLOAMREEF_SETUP_EXE));
    EXPECT_EQ(game_data_difference("install_game"), "");
    EXPECT_TRUE(is_folder(folder + L"\\mods\\textures"));
    EXPECT_TRUE(read_tree(folder + L"\\mods").empty());
    for (const wchar_t* not_written : {L"userdata", L"gloamreef.log", L"textures", L"gamedata.new",
                                       L"gamedata.old"}) {
        EXPECT_FALSE(path_exists(folder + L"\\" + not_written)) << wide_to_utf8(not_written);
    }

    // The installed game finds its library when started in its folder.
    ASSERT_EQ(run_program(folder + L"\\gloamreef.exe", L"", folder), 0u);
    EXPECT_EQ(read_file(folder + L"\\gloamreef.log"),
              "started in " + wide_to_utf8(folder) + "; gamedata\\libGloamReef.so present\r\n");
}

TEST_F(SilentInstall, StartMenuLinkOnlyAndNoDesktopLink)
{
    ASSERT_EQ(silent(folder, fixture_path("install_game.apk")), 0u);
    std::wstring start_menu = shortcut_path(known_folder_path(FOLDERID_Programs));
    ASSERT_FALSE(start_menu.empty());
    ShortcutView link = read_shortcut(start_menu);
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(link.target, folder + L"\\gloamreef.exe");
    EXPECT_EQ(link.working_folder, folder);
    EXPECT_EQ(link.arguments, L"");
    EXPECT_EQ(link.description, L"Gloam Reef Voduze PC Viru");
    EXPECT_FALSE(path_exists(shortcut_path(known_folder_path(FOLDERID_Desktop))));
}

TEST_F(SilentInstall, RegistersTheThirteenValuesAndAReinstallOverwritesThem)
{
    // Taken as given, trailing backslash included; the joined paths do not
    // double it.
    std::wstring given = folder + L"\\";
    ASSERT_EQ(silent(given, fixture_path("install_game.apk")), 0u);
    EXPECT_EQ(count_registry_values(HKEY_CURRENT_USER, uninstall_key_path), 13u);
    expect_text(L"DisplayName", L"Gloam Reef Voduze PC Viru");
    expect_text(L"DisplayVersion", L"1.0.0");
    expect_text(L"Publisher", L"Gloam Reef Voduze PC Viru (fan project)");
    expect_text(L"InstallLocation", given);
    expect_text(L"DisplayIcon", folder + L"\\gloamreef.exe");
    expect_text(L"UninstallString", L"\"" + folder + L"\\uninstall.exe\" /uninstall");
    expect_text(L"QuietUninstallString", L"\"" + folder + L"\\uninstall.exe\" /uninstall /quiet");
    for (auto [name, number] : {std::pair{L"NoModify", 1u}, {L"NoRepair", 1u},
                                {L"VersionMajor", 1u}, {L"VersionMinor", 0u}}) {
        EXPECT_EQ(number_value(name), number) << wide_to_utf8(name);
    }
    expect_installed_size(folder);
    SYSTEMTIME today;
    GetLocalTime(&today);
    wchar_t date[16];
    swprintf(date, 16, L"%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    expect_text(L"InstallDate", date);

    // A program-only update elsewhere.
    std::wstring other = temp + L"\\Elsewhere";
    ASSERT_EQ(silent(other, L""), 0u);
    EXPECT_EQ(count_registry_values(HKEY_CURRENT_USER, uninstall_key_path), 13u);
    expect_text(L"InstallLocation", other);
    expect_text(L"DisplayIcon", other + L"\\gloamreef.exe");
    expect_text(L"UninstallString", L"\"" + other + L"\\uninstall.exe\" /uninstall");
    expect_text(L"QuietUninstallString", L"\"" + other + L"\\uninstall.exe\" /uninstall /quiet");
    EXPECT_EQ(read_shortcut(shortcut_path(known_folder_path(FOLDERID_Programs))).working_folder,
              other);
}

TEST_F(SilentInstall, RelativeFolderIsRegisteredAndLinkedAsAFullPath)
{
    ASSERT_EQ(run_program(GLOAMREEF_SETUP_EXE,
                          L"/silent \"Reef Game\" " + quote(fixture_path("install_game.apk")), temp),
              0u);
    EXPECT_EQ(game_data_difference("install_game"), "");
    expect_text(L"InstallLocation", folder);
    expect_text(L"UninstallString", L"\"" + folder + L"\\uninstall.exe\" /uninstall");
    ShortcutView link = read_shortcut(shortcut_path(known_folder_path(FOLDERID_Programs)));
    EXPECT_EQ(link.target, folder + L"\\gloamreef.exe");
    EXPECT_EQ(link.working_folder, folder);
}

TEST_F(SilentInstall, FailuresExitWithOneAndRegisterNothing)
{
    EXPECT_EQ(silent(folder, fixture_path("install_no_library.apk")), 1u);
    EXPECT_FALSE(path_exists(folder + L"\\gloamreef.exe"));
    EXPECT_FALSE(path_exists(folder + L"\\gamedata"));
    EXPECT_EQ(count_registry_values(HKEY_CURRENT_USER, uninstall_key_path), 0u);
    EXPECT_FALSE(path_exists(shortcut_path(known_folder_path(FOLDERID_Programs))));

    ASSERT_TRUE(write_file(temp + L"\\blocker", "a file"));
    EXPECT_EQ(silent(temp + L"\\blocker", fixture_path("install_game.apk")), 1u);
    EXPECT_EQ(read_file(temp + L"\\blocker"), "a file");

    // A drive's root, also as the bare drive, is refused before anything is written.
    ASSERT_TRUE(map_drive(L'Q', temp));
    EXPECT_EQ(silent(L"Q:\\", fixture_path("install_game.apk")), 1u);
    EXPECT_EQ(silent(L"Q:", fixture_path("install_game.apk")), 1u);
    unmap_drive(L'Q');
    EXPECT_EQ(read_tree(temp).size(), 1u);
}

TEST_F(SilentInstall, ProgramOnlyUpdateKeepsGameDataUserDataAndMods)
{
    ASSERT_EQ(silent(folder, fixture_path("install_game.apk")), 0u);
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\userdata").c_str(), nullptr));
    ASSERT_TRUE(write_file(folder + L"\\userdata\\settings.ini", "volume=3"));
    ASSERT_TRUE(write_file(folder + L"\\mods\\textures\\README.txt", "my mod"));
    ASSERT_TRUE(write_file(folder + L"\\gloamreef.exe", "an older program"));
    ASSERT_TRUE(write_file(folder + L"\\uninstall.exe", "an older uninstaller"));
    // Game data that has grown since: the update measures it again.
    ASSERT_TRUE(write_file(folder + L"\\gamedata\\assets\\added.bin", std::string(3 << 20, 'd')));
    const auto game_data = read_tree(folder + L"\\gamedata");

    // An argument after the APK is ignored.
    EXPECT_EQ(silent(folder, L"", L"/ignored"), 0u);
    expect_installed_size(folder);
    EXPECT_EQ(tree_difference(read_tree(folder + L"\\gamedata"), game_data), "");
    EXPECT_TRUE(read_file(folder + L"\\gloamreef.exe") == read_file(GLOAMREEF_STANDIN_EXE));
    EXPECT_TRUE(read_file(folder + L"\\uninstall.exe") == read_file(GLOAMREEF_SETUP_EXE));
    EXPECT_EQ(read_file(folder + L"\\userdata\\settings.ini"), "volume=3");
    EXPECT_EQ(read_file(folder + L"\\mods\\textures\\README.txt"), "my mod");
}

TEST_F(SilentInstall, LogNamesTheStagesTheFailuresAndTheExitCode)
{
    // A folder where the Start-menu link must go: no program can save the
    // link there, which costs no install.
    std::wstring start_menu = shortcut_path(known_folder_path(FOLDERID_Programs));
    ASSERT_TRUE(CreateDirectoryW(start_menu.c_str(), nullptr));
    std::wstring log = temp + L"\\silent.log";
    DWORD exit_code = silent(folder, fixture_path("install_game.apk"), quote(L"/log=" + log));
    RemoveDirectoryW(start_menu.c_str());
    ASSERT_EQ(exit_code, 0u);
    EXPECT_EQ(count_registry_values(HKEY_CURRENT_USER, uninstall_key_path), 13u);
    // One "YYYY-MM-DD HH:MM:SS.mmm text" line per message, the exit code last.
    std::string text = read_file(log), line;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
        line = text.substr(start, end - start);
        int y, mo, d, h, mi, sec, ms;
        EXPECT_EQ(sscanf(line.c_str(), "%4d-%2d-%2d %2d:%2d:%2d.%3d", &y, &mo, &d, &h, &mi, &sec, &ms), 7);
        EXPECT_EQ(line[23], ' ') << line;
    }
    EXPECT_EQ(text.substr(24, text.find("\r\n") - 24), "Gloam Reef Voduze PC Viru setup 1.0.0");
    EXPECT_EQ(line.substr(24), "exit code: 0");
    for (const char* expected : {"stage: Importing the game data from your APK (this takes a moment)...",
                                 "stage: Creating shortcuts...", "free space on ", "/silent "}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }
    EXPECT_NE(text.find("Start menu shortcut not created: " + wide_to_utf8(start_menu) +
                        " (HRESULT 0x8"),
              std::string::npos);

    // A failure's line names its cause.
    HANDLE held = CreateFileW((folder + L"\\uninstall.exe").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(silent(folder, L"", L"/log=" + quote(log)), 1u);
    CloseHandle(held);
    text = read_file(log);
    // A sharing violation, or access denied for the replacement of a file
    // held open (Wine).
    EXPECT_TRUE(text.find("uninstall.exe (error 32: ") != std::string::npos ||
                text.find("uninstall.exe (error 5: ") != std::string::npos) << text;
    EXPECT_NE(text.find("not installed: Cannot write uninstall.exe."), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 14), "exit code: 1\r\n");

    // A log that cannot be created does not stop the install.
    EXPECT_EQ(silent(folder, L"", quote(L"/log=" + temp + L"\\missing\\x.log")), 0u);
}
