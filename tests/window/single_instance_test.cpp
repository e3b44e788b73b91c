// One setup or uninstall at a time: what a second setup window, a silent
// install and an uninstall run do while another one runs.
#include "support/test_support.h"
#include "test_paths.h"
#include "window/setup_session.h"

namespace {

const wchar_t another_running_text[] =
    L"Another Gloam Reef Voduze PC Viru setup or uninstall is running. Wait until it has "
    L"finished.";

// Checks the box a run without a window of its own shows, and presses OK.
void expect_another_running_box(DWORD process_id)
{
    MessageBoxView box = wait_for_message_box(process_id);
    ASSERT_NE(box.window, nullptr) << "no box";
    EXPECT_EQ(box.caption, box_caption);
    EXPECT_EQ(box.text, another_running_text);
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(shows_system_icon(box, IDI_INFORMATION));
    press_button(box.window, IDOK);
}

} // namespace

TEST_F(SetupWindowTest, SecondWindowBringsTheFirstBackAndEnds)
{
    PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(wait_until([&] { return IsIconic(window) != FALSE; }, 5000));

    RunningProgram second = start_program(GLOAMREEF_SETUP_EXE, L"");
    EXPECT_EQ(finish_program(second, 15000), 0u);
    EXPECT_TRUE(wait_until(
        [&] { return !IsIconic(window) && GetForegroundWindow() == window; }, 5000));
}

TEST_F(SetupWindowTest, SilentInstallAndUninstallRunWaitForTheWindow)
{
    std::wstring temp = make_temp_folder(L"single");
    std::wstring target = temp + L"\\Reef";
    EXPECT_EQ(run_program(GLOAMREEF_SETUP_EXE, L"/silent " + quote(target) + L" \"\""), 1u);
    EXPECT_FALSE(path_exists(target));

    // Something that looks like an installation: an uninstall would remove it.
    std::wstring game = temp + L"\\Game";
    ASSERT_TRUE(CreateDirectoryW(game.c_str(), nullptr));
    ASSERT_TRUE(write_file(game + L"\\gloamreef.exe", "MZ"));
    EXPECT_EQ(run_program(GLOAMREEF_SETUP_EXE, L"/uninstall-run " + quote(game) + L" /quiet"), 1u);
    RunningProgram asking = start_program(GLOAMREEF_SETUP_EXE, L"/uninstall-run " + quote(game));
    expect_another_running_box(asking.id);
    EXPECT_EQ(finish_program(asking), 1u);
    EXPECT_EQ(read_file(game + L"\\gloamreef.exe"), "MZ");
    remove_test_folder(temp);
}

TEST(SetupStart, WhileAnUninstallRunsTheSetupOnlyTellsSo)
{
    std::wstring folder = make_temp_folder(L"single");
    // The uninstall run holds the lock from its start: here while it asks.
    RunningProgram uninstall =
        start_program(GLOAMREEF_SETUP_EXE, L"/uninstall-run " + quote(folder));
    ASSERT_NE(wait_for_message_box(uninstall.id).window, nullptr);

    RunningProgram setup = start_program(GLOAMREEF_SETUP_EXE, L"");
    expect_another_running_box(setup.id);
    EXPECT_EQ(finish_program(setup), 0u);

    press_button(wait_for_message_box(uninstall.id).window, IDNO);
    EXPECT_EQ(finish_program(uninstall), 0u);
    remove_test_folder(folder);
}
