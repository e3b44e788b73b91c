// One setup or uninstall at a time: what a second setup window, a silent
// install and an uninstall run do while another one runs.
#include <windows.h>
#include <sddl.h>

#include "support/test_support.h"
#include "test_paths.h"
#include "window/setup_session.h"

TEST_F(SetupWindowTest, SecondWindowBringsTheFirstBackAndEnds)
{
    PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(wait_until([&] { return IsIconic(window) != FALSE; }));
    RunningProgram second = start_program(GLOAMREEF_SETUP_EXE, L"");
    EXPECT_EQ(finish_program(second, 15000), 0u);
    // Both Wines let any process bring a window to the front; Windows lets
    // the second setup do so because the shell, in the foreground, started it.
    EXPECT_TRUE(wait_until(
        [&] { return !IsIconic(window) && GetForegroundWindow() == window; }));
}

TEST_F(SetupWindowTest, SilentInstallAndUninstallRunChangeNothingWhileItIsOpen)
{
    std::wstring temp = make_temp_folder(L"single");
    std::wstring target = temp + L"\\Reef";
    EXPECT_EQ(run_program(GLOAMREEF_SETUP_EXE, L"/silent " + quote(target) + L" \"\""), 1u);
    EXPECT_FALSE(path_exists(target));
    ASSERT_TRUE(write_file(temp + L"\\gloamreef.exe", "MZ"));
    EXPECT_EQ(run_program(GLOAMREEF_SETUP_EXE, L"/uninstall-run " + quote(temp) + L" /quiet"), 1u);
    EXPECT_EQ(read_file(temp + L"\\gloamreef.exe"), "MZ");
    remove_test_folder(temp);
}

TEST(SetupStart, WhileAnUninstallRunsTheSetupOnlyTellsSo)
{
    std::wstring folder = make_temp_folder(L"single");
    // The uninstall run holds the lock from its start: here while it asks.
    RunningProgram uninstall = start_program(GLOAMREEF_SETUP_EXE, L"/uninstall-run " + quote(folder));
    ASSERT_NE(wait_for_message_box(uninstall.id).window, nullptr);

    RunningProgram setup = start_program(GLOAMREEF_SETUP_EXE, L"");
    MessageBoxView box = wait_for_message_box(setup.id);
    EXPECT_EQ(box.caption, box_caption);
    EXPECT_EQ(box.text, L"Another Gloam Reef Voduze PC Viru setup or uninstall is running. Wait "
                        L"until it has finished.");
    EXPECT_TRUE(box.owner == nullptr && box.buttons == std::vector<int>{IDOK});
    EXPECT_TRUE(shows_system_icon(box, IDI_INFORMATION));
    press_button(box.window, IDOK);
    EXPECT_EQ(finish_program(setup), 0u);

    press_button(wait_for_message_box(uninstall.id).window, IDNO);
    EXPECT_EQ(finish_program(uninstall), 0u);
    remove_test_folder(folder);
}

TEST(SetupStart, LockThatMayNotBeOpenedIsHeldBySomeone)
{
    // What a setup started as administrator shows a normal one: a lock that
    // it may not open. Here one whose access list denies everyone.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:(D;;GA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
    SECURITY_ATTRIBUTES security{sizeof security, descriptor, FALSE};
    HANDLE lock = CreateMutexW(&security, TRUE, L"Local\\GloamReefMobilePC.Setup");
    ASSERT_NE(lock, nullptr);
    std::wstring temp = make_temp_folder(L"single");
    EXPECT_EQ(run_program(GLOAMREEF_SETUP_EXE, L"/silent " + quote(temp + L"\\Reef") + L" \"\""), 1u);
    EXPECT_FALSE(path_exists(temp + L"\\Reef"));
    CloseHandle(lock);
    LocalFree(descriptor);
    remove_test_folder(temp);
}
