// The window's last checks before an install starts: a volume without room
// and a running game each stop it with nothing written and the input enabled.
#include "support/fixture_files.h"
#include "support/test_support.h"
#include "test_paths.h"
#include "window/setup_session.h"

TEST_F(SetupWindowTest, NoRoomOrARunningGameStopsTheInstallBeforeItStarts)
{
    std::wstring temp = make_temp_folder(L"readiness");
    std::wstring folder = temp + L"\\Reef";
    set_control_text(control(IDC_FOLDER), folder);
    // The APK announces about 4.4 TB of game data.
    set_control_text(control(IDC_APK), fixture_path("install_oversized.apk"));
    MessageBoxView box = install_expecting_box();
    EXPECT_EQ(box.text.rfind(L"There is not enough free space on C:\\.\n\nThe game needs ", 0), 0u);
    EXPECT_TRUE(shows_system_icon(box, IDI_ERROR));
    EXPECT_TRUE(input_controls_enabled(true));
    press_button(box.window, IDOK);
    EXPECT_TRUE(wait_for_window_gone(box.window));
    EXPECT_FALSE(path_exists(folder));

    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(GLOAMREEF_STANDIN_EXE, (folder + L"\\gloamreef.exe").c_str(), FALSE));
    RunningProgram game = start_game(folder);
    set_control_text(control(IDC_APK), fixture_path("install_game.apk"));
    box = install_expecting_box();
    // Retry tests again; Cancel returns to the window.
    for (int button : {IDRETRY, IDCANCEL}) {
        expect_window_box(box, L"Gloam Reef is still running. Close the game, then press Retry.",
                          {IDCANCEL, IDRETRY}, IDI_WARNING);
        EXPECT_TRUE(input_controls_enabled(true));
        press_button(box.window, button);
        EXPECT_TRUE(wait_for_window_gone(box.window));
        if (button == IDRETRY) {
            box = wait_for_message_box(program.id, 20000);
        }
    }
    // Cancel has been handled once a message posted after it is.
    ASSERT_TRUE(wait_until_posted_handled(window));
    EXPECT_EQ(wait_for_message_box(program.id, 0).window, nullptr);
    finish_program(game, 0);
    EXPECT_FALSE(path_exists(folder + L"\\gamedata.new"));
    EXPECT_FALSE(path_exists(folder + L"\\uninstall.exe"));
    remove_test_folder(temp);
}
