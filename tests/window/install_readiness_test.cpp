// The window's last checks before an install starts: a volume without room
// and a running game each stop it with nothing written.
#include "app/text.h"
#include "support/fixture_files.h"
#include "support/test_support.h"
#include "test_paths.h"
#include "window/setup_session.h"

namespace {

class InstallReadinessTest : public SetupWindowTest {
protected:
    void SetUp() override
    {
        SetupWindowTest::SetUp();
        temp = make_temp_folder(L"readiness");
        ASSERT_FALSE(temp.empty());
        folder = temp + L"\\Reef";
    }
    void TearDown() override
    {
        SetupWindowTest::TearDown();
        remove_test_folder(temp);
    }

    void fill_in(const std::wstring& apk)
    {
        set_control_text(control(IDC_FOLDER), folder);
        set_control_text(control(IDC_APK), apk);
    }

    // The box is shown before any worker starts: the input stays enabled.
    void answer_and_expect_window_back(const MessageBoxView& box, int button)
    {
        EXPECT_TRUE(input_controls_enabled(true));
        press_button(box.window, button);
        EXPECT_TRUE(wait_for_window_gone(box.window));
    }

    std::wstring temp;
    std::wstring folder;
};

TEST_F(InstallReadinessTest, VolumeWithoutRoomRefusesWithAnErrorBox)
{
    fill_in(fixture_path("install_oversized.apk"));
    MessageBoxView box = install_expecting_box();
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.text.rfind(L"There is not enough free space on C:\\.\n\nThe game needs ", 0), 0u)
        << wide_to_utf8(box.text);
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(shows_system_icon(box, IDI_ERROR));
    answer_and_expect_window_back(box, IDOK);
    EXPECT_FALSE(path_exists(folder));
}

TEST_F(InstallReadinessTest, RunningGameAsksRetryOrCancel)
{
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(GLOAMREEF_STANDIN_EXE, (folder + L"\\gloamreef.exe").c_str(), FALSE));
    RunningProgram game = start_game(folder);
    ASSERT_NE(game.process, nullptr);
    fill_in(fixture_path("install_game.apk"));

    MessageBoxView box = install_expecting_box();
    for (int button : {IDRETRY, IDCANCEL}) {
        ASSERT_NE(box.window, nullptr);
        expect_window_box(box, L"Gloam Reef is still running. Close the game, then press Retry.",
                          {IDCANCEL, IDRETRY}, IDI_WARNING);
        answer_and_expect_window_back(box, button);
        if (button == IDRETRY) {
            box = wait_for_message_box(program.id);
        }
    }
    finish_program(game, 0);
    EXPECT_FALSE(path_exists(folder + L"\\gamedata"));
    EXPECT_FALSE(path_exists(folder + L"\\gamedata.new"));
    EXPECT_FALSE(path_exists(folder + L"\\uninstall.exe"));
}

} // namespace
