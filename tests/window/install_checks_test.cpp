// Install refuses input that cannot be installed, with a warning box owned by
// the window, and starts nothing; Enter in either field is Install.
#include "support/fixture_files.h"
#include "support/test_support.h"
#include "window/setup_session.h"

namespace {

const wchar_t no_folder_text[] = L"Choose a folder to install the game into.";
const wchar_t no_apk_text[] =
    L"Choose your Gloam Reef APK file.\n\nThe game's data is not included with this port: it is "
    L"taken from your own copy of the Android game (Gloam Reef, 2011, Ostrane / Quillmoor).";
const wchar_t apk_missing_text[] = L"That APK file does not exist.";
const wchar_t requirements_text[] =
    L"Needs about 400 MB of free space. No administrator rights are required.";
const std::wstring drive_root_text =
    L"Please choose a folder inside a drive, not the drive itself:\n";

} // namespace

class InstallChecksTest : public SetupWindowTest {
protected:
    // Fills both fields, presses Install (or Enter in a field), and checks the
    // warning box and that the window is back in its idle state afterwards
    // with nothing started.
    void expect_refusal(const std::wstring& folder, const std::wstring& apk,
                        const std::wstring& expected_text, int enter_in = 0)
    {
        SCOPED_TRACE(L"folder \"" + folder + L"\", APK \"" + apk + L"\"");
        set_control_text(control(IDC_FOLDER), folder);
        set_control_text(control(IDC_APK), apk);
        MessageBoxView box = install_expecting_box(enter_in);
        ASSERT_NE(box.window, nullptr) << "no message box";
        expect_window_box(box, expected_text, {IDOK}, IDI_WARNING);
        // While the box is up the window takes no input.
        EXPECT_FALSE(IsWindowEnabled(window));

        press_button(box.window, IDOK);
        EXPECT_TRUE(wait_for_window_gone(box.window));
        EXPECT_TRUE(wait_until([&] { return IsWindowEnabled(window) != FALSE; }));
        // Whatever followed the box has happened once the window handles a
        // message posted now: an install would have locked the controls.
        ASSERT_TRUE(wait_until_posted_handled(window));
        EXPECT_EQ(wait_for_message_box(program.id, 0).window, nullptr);
        EXPECT_FALSE(program_ended(program));
        EXPECT_TRUE(input_controls_enabled(true));
        EXPECT_EQ(status_text(), requirements_text);
        EXPECT_EQ(window_text(control(IDC_FOLDER)), folder);
        EXPECT_EQ(window_text(control(IDC_APK)), apk);
    }
};

TEST_F(InstallChecksTest, FolderOfOnlyBlanksAndBackslashesCountsAsEmpty)
{
    std::wstring apk = make_temp_folder(L"checks") + L"\\game.apk";
    ASSERT_TRUE(write_file(apk, "PK"));
    expect_refusal(L"", apk, no_folder_text);
    expect_refusal(L" \\\\ \\  ", apk, no_folder_text);
    expect_refusal(L"\"\\\"", apk, no_folder_text);
    expect_refusal(L"\\", L"", no_folder_text);
    remove_test_folder(apk.substr(0, apk.rfind(L'\\')));
    // Escape does nothing at all.
    press_key(window, VK_ESCAPE);
    ASSERT_TRUE(wait_until_posted_handled(window));
    EXPECT_EQ(wait_for_message_box(program.id, 0).window, nullptr);
    EXPECT_FALSE(program_ended(program));
}

TEST_F(InstallChecksTest, DriveRootIsRefusedHoweverItIsWritten)
{
    std::wstring drive_folder = make_temp_folder(L"drive");
    ASSERT_TRUE(map_drive(L'Q', drive_folder));
    std::wstring apk = fixture_path("install_game.apk");
    // A bare drive is its root, not its current folder.
    expect_refusal(L"Q:", apk, drive_root_text + L"Q:\\", IDC_FOLDER);
    expect_refusal(L"\"Q:\\\" ", quote(apk), drive_root_text + L"Q:\\", IDC_APK);
    unmap_drive(L'Q');
    EXPECT_TRUE(read_tree(drive_folder).empty());
    remove_test_folder(drive_folder);
}

TEST_F(InstallChecksTest, EmptyApkNeedsGameDataInTheFolder)
{
    std::wstring empty_folder = make_temp_folder(L"checks");
    expect_refusal(empty_folder, L"", no_apk_text);
    expect_refusal(empty_folder + L"\\missing", L"", no_apk_text);
    // The library at the top of the folder is no imported game data.
    ASSERT_TRUE(write_file(empty_folder + L"\\libGloamReef.so", "ELF"));
    expect_refusal(empty_folder + L" \\", L"", no_apk_text);
    remove_test_folder(empty_folder);
}

TEST_F(InstallChecksTest, ApkMustBeAnExistingFile)
{
    std::wstring folder = make_temp_folder(L"checks");
    std::wstring apk_folder = folder + L"\\game.apk";
    ASSERT_TRUE(CreateDirectoryW(apk_folder.c_str(), nullptr));
    expect_refusal(folder, apk_folder, apk_missing_text);
    expect_refusal(folder, folder + L"\\missing.apk", apk_missing_text);
    // Existing game data does not excuse an APK that is not there.
    ASSERT_TRUE(plant_game_data(folder));
    expect_refusal(folder + L"\\", folder + L"\\missing.apk", apk_missing_text);
    remove_test_folder(folder);
}
