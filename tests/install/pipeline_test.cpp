// The install pipeline: what a run writes, its failure texts and its outcome.
#include "install_fixture.h"

#include <sddl.h>
#include <shlobj.h>

#include "install/program_files.h"

namespace {

const wchar_t cannot_write_program[] =
    L"Cannot write gloamreef.exe. Is the game running, or the folder read-only?";

} // namespace

TEST_F(InstallTest, InstallsProgramUninstallerGameDataAndModsFolder)
{
    std::wstring given = folder + L"\\"; // used unchanged for the outcome
    EXPECT_EQ(install(given, fixture("install_game.apk")), L"");
    EXPECT_EQ(outcome_folder, given);

    std::string program = read_file(folder + L"\\gloamreef.exe");
    EXPECT_FALSE(program.empty());
    EXPECT_TRUE(program == read_file(GLOAMREEF_STANDIN_EXE));
    EXPECT_TRUE(read_file(folder + L"\\uninstall.exe") == read_file(running_program_file()));
    EXPECT_EQ(game_data_difference("install_game"), "");
    EXPECT_TRUE(is_folder(folder + L"\\mods\\textures"));
    EXPECT_FALSE(path_exists(folder + L"\\gamedata.new"));
    EXPECT_FALSE(path_exists(folder + L"\\gamedata.old"));
    EXPECT_FALSE(path_exists(folder + L"\\userdata"));
}

TEST_F(InstallTest, FolderThatCannotBeCreatedFailsFirst)
{
    ASSERT_TRUE(write_file(folder, "a file where the folder should be"));
    EXPECT_EQ(install(folder, fixture("install_game.apk")), L"Cannot create the folder:\n" + folder);
    EXPECT_EQ(outcome_folder, folder);
    EXPECT_EQ(read_file(folder), "a file where the folder should be");

    EXPECT_EQ(install(folder + L"\\below", L""), L"Cannot create the folder:\n" + folder + L"\\below");

    // An empty folder is refused too, instead of installing into the
    // current directory.
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(temp.c_str()));
    EXPECT_EQ(install(L"", L""), L"Cannot create the folder:\n");
    EXPECT_FALSE(path_exists(temp + L"\\gloamreef.exe"));
    SetCurrentDirectoryW(previous);
}

TEST_F(InstallTest, RejectedApksNameTheImportsReason)
{
    std::wstring no_library = fixture("install_no_library.apk");
    EXPECT_EQ(install(folder, no_library),
              import_failure(L"no 32-bit ARM libGloamReef.so found in " + no_library +
                             L" - is this the Gloam Reef APK?"));
    EXPECT_TRUE(is_folder(folder));
    EXPECT_FALSE(path_exists(folder + L"\\gamedata"));
    EXPECT_FALSE(path_exists(folder + L"\\gamedata.new"));
    // The pipeline stops there: no program, no registration.
    EXPECT_FALSE(path_exists(folder + L"\\gloamreef.exe"));
    EXPECT_EQ(count_registry_values(HKEY_CURRENT_USER, uninstall_key_path), 0u);

    std::wstring missing = temp + L"\\missing.apk";
    EXPECT_EQ(install(folder, missing), import_failure(L"cannot open APK " + missing));

    std::wstring not_zip = temp + L"\\notes.apk";
    ASSERT_TRUE(write_file(not_zip, std::string(400, 'x')));
    EXPECT_EQ(install(folder, not_zip), import_failure(not_zip + L" is not a valid APK/zip file"));
}

TEST_F(InstallTest, ModuleWithoutGameProgramIsADamagedInstaller)
{
    // This test program carries no PAYLOAD_EXE resource.
    EXPECT_EQ(find_game_program(GetModuleHandleW(nullptr)).data, nullptr);
    EXPECT_EQ(install(folder, L"", GetModuleHandleW(nullptr)),
              L"This installer is damaged (no game program inside it).");
    EXPECT_FALSE(path_exists(folder + L"\\gloamreef.exe"));

    EmbeddedProgram carried = find_game_program(setup_module);
    ASSERT_NE(carried.data, nullptr);
    EXPECT_EQ(carried.size, read_file(GLOAMREEF_STANDIN_EXE).size());
}

TEST_F(InstallTest, RunningGameFailsTheInstallBeforeAnythingChanges)
{
    ASSERT_EQ(install(folder, fixture("install_game.apk")), L"");
    RunningProgram game = start_game(folder);
    ASSERT_NE(game.process, nullptr);
    const auto before = read_tree(folder);
    EXPECT_TRUE(game_is_running(install_paths(folder)));
    EXPECT_EQ(install(folder, fixture("install_game_v2.apk")), cannot_write_program);
    EXPECT_EQ(install(folder, L""), cannot_write_program);
    finish_program(game, 0);
    EXPECT_EQ(tree_difference(read_tree(folder), before), "");

    // Closed, and for a folder without the game, nothing runs.
    EXPECT_FALSE(game_is_running(install_paths(folder)));
    EXPECT_FALSE(game_is_running(install_paths(temp + L"\\Elsewhere")));
}

TEST_F(InstallTest, ProgramThatCannotBeReplacedStaysWhole)
{
    InstallPaths paths = install_paths(folder);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(write_file(folder + L"\\gloamreef.exe", "old program"));
    // Held without delete sharing: the new program cannot be moved over it.
    HANDLE held = CreateFileW((folder + L"\\gloamreef.exe").c_str(), GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::wstring failure;
    try {
        write_game_program(setup_module, paths);
    } catch (const std::wstring& text) {
        failure = text;
    }
    CloseHandle(held);
    EXPECT_EQ(failure, cannot_write_program);
    EXPECT_EQ(read_file(folder + L"\\gloamreef.exe"), "old program");
    EXPECT_FALSE(path_exists(folder + L"\\gloamreef.exe.new"));
}

TEST_F(InstallTest, BlockedUninstallerCopyFailsBeforeTheRegistration)
{
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(write_file(folder + L"\\uninstall.exe", "held"));
    HANDLE held = CreateFileW((folder + L"\\uninstall.exe").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(install(folder, fixture("install_game.apk")),
              L"Cannot write uninstall.exe. Is the folder read-only?");
    CloseHandle(held);
    EXPECT_EQ(count_registry_values(HKEY_CURRENT_USER, uninstall_key_path), 0u);
    EXPECT_FALSE(path_exists(shortcut_path(known_folder_path(FOLDERID_Programs))));
}

TEST_F(InstallTest, EntryThatCannotBeWrittenFailsTheInstall)
{
    // The key may be read and deleted, not written: as a policy or another
    // program can leave it. TearDown deletes it.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, uninstall_key_path, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR read_only = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:P(A;;KRWDSD;;;WD)", SDDL_REVISION_1, &read_only, nullptr));
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, read_only), ERROR_SUCCESS);
    LocalFree(read_only);
    RegCloseKey(key);

    EXPECT_EQ(install(folder, fixture("install_game.apk")),
              L"Cannot add the game to the list of installed programs.");
    EXPECT_EQ(count_registry_values(HKEY_CURRENT_USER, uninstall_key_path), 0u);
}

TEST_F(InstallTest, SecondRunReplacesTheFirstOutcome)
{
    ASSERT_TRUE(write_file(folder, "blocker"));
    EXPECT_NE(install(folder, L""), L"");
    std::wstring other = temp + L"\\Other";
    EXPECT_EQ(install(other, fixture("install_game.apk")), L"");
    EXPECT_EQ(outcome_error, L"");
    EXPECT_EQ(outcome_folder, other);
}

TEST_F(InstallTest, EmptyApkUpdatesTheProgramAndKeepsEverythingElse)
{
    ASSERT_EQ(install(folder, fixture("install_game.apk")), L"");
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\userdata").c_str(), nullptr));
    ASSERT_TRUE(write_file(folder + L"\\userdata\\save.dat", "progress"));
    ASSERT_TRUE(write_file(folder + L"\\mods\\textures\\README.txt", "mods"));
    ASSERT_TRUE(write_file(folder + L"\\gloamreef.exe", "old program"));
    // Read-only, as a copy from a CD leaves it: replaced all the same.
    ASSERT_TRUE(SetFileAttributesW((folder + L"\\gloamreef.exe").c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_EQ(install(folder, L""), L"");
    EXPECT_TRUE(read_file(folder + L"\\gloamreef.exe") == read_file(GLOAMREEF_STANDIN_EXE));
    EXPECT_EQ(game_data_difference("install_game"), "");
    EXPECT_EQ(read_file(folder + L"\\userdata\\save.dat"), "progress");
    EXPECT_EQ(read_file(folder + L"\\mods\\textures\\README.txt"), "mods");
}

TEST_F(InstallTest, EmptyApkWithoutGameDataStillInstallsTheProgram)
{
    EXPECT_EQ(install(folder, L""), L"");
    EXPECT_TRUE(path_exists(folder + L"\\gloamreef.exe"));
    EXPECT_FALSE(path_exists(folder + L"\\gamedata"));
    EXPECT_EQ(count_registry_values(HKEY_CURRENT_USER, uninstall_key_path), 13u);
}
