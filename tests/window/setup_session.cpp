// Starting, driving and ending the setup window for the tests.
#include "window/setup_session.h"

#include <shlobj.h>

#include "app/text.h"
#include "support/test_support.h"
#include "test_paths.h"

void SetupWindowTest::SetUp()
{
    program = start_program(GLOAMREEF_SETUP_EXE, L"", start_folder);
    ASSERT_NE(program.process, nullptr) << "the setup did not start (its error code is logged above)";
    window = wait_for_window(program.id, setup_class, setup_title);
    ASSERT_NE(window, nullptr) << "the setup window did not appear";
}

void SetupWindowTest::TearDown()
{
    if (program.process == nullptr) {
        return;
    }
    for (int attempt = 0; attempt < 5 && !program_ended(program); ++attempt) {
        MessageBoxView box = wait_for_message_box(program.id, 0);
        if (box.window != nullptr) {
            press_button(box.window, box.buttons.empty() ? IDOK : box.buttons.back());
        } else if (IsWindow(window)) {
            close_window(window);
        }
        program_ended(program, 1000);
    }
    finish_program(program, 5000);
}

MessageBoxView SetupWindowTest::install_expecting_box(int enter_in)
{
    enter_in != 0 ? press_enter_in(enter_in) : void(press_button(window, IDC_INSTALL));
    return wait_for_message_box(program.id);
}

void SetupWindowTest::press_enter_in(int field_id)
{
    ASSERT_TRUE(focus_control(control(field_id)));
    press_key(window, VK_RETURN);
}

void SetupWindowTest::expect_window_box(const MessageBoxView& box, const std::wstring& text,
                                        const std::vector<int>& buttons,
                                        const wchar_t* icon) const
{
    EXPECT_EQ(box.caption, box_caption);
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.owner, window);
    EXPECT_EQ(box.buttons, buttons);
    EXPECT_TRUE(shows_system_icon(box, icon));
}

bool SetupWindowTest::input_controls_enabled(bool enabled) const
{
    for (int id : {IDC_FOLDER, IDC_APK, IDC_INSTALL, IDC_DESKTOP_SHORTCUT, IDC_FOLDER_BROWSE,
                   IDC_APK_BROWSE}) {
        if ((IsWindowEnabled(control(id)) != FALSE) != enabled) {
            return false;
        }
    }
    return true;
}

DWORD SetupWindowTest::finish()
{
    return finish_program(program, 10000);
}

std::wstring default_install_folder()
{
    return known_folder_path(FOLDERID_LocalAppData) + L"\\Programs\\Gloam Reef Voduze PC Viru";
}

bool plant_game_data(const std::wstring& folder)
{
    std::wstring path;
    size_t start = 0;
    // Every folder on the way, the drive first (which already exists).
    while ((start = folder.find(L'\\', start + 1)) != std::wstring::npos) {
        CreateDirectoryW(folder.substr(0, start).c_str(), nullptr);
    }
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"\\gamedata").c_str(), nullptr);
    return write_file(folder + L"\\gamedata\\libGloamReef.so", "ELF");
}
