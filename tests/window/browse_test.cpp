// The two Browse buttons: their dialogs, owned by the window, and what they
// leave in the fields.
#include "support/test_support.h"
#include "window/setup_session.h"

namespace {

// The first direct child of the dialog with this class whose text is given.
HWND find_child(HWND dialog, const wchar_t* class_name, const std::wstring& text)
{
    for (const ControlView& child : read_controls(dialog)) {
        if (_wcsicmp(child.class_name.c_str(), class_name) == 0 && child.text == text) {
            return child.window;
        }
    }
    return nullptr;
}

HWND find_child_by_id(HWND dialog, const wchar_t* class_name, int id)
{
    for (const ControlView& child : read_controls(dialog)) {
        if (_wcsicmp(child.class_name.c_str(), class_name) == 0 && child.id == id) {
            return child.window;
        }
    }
    return nullptr;
}

} // namespace

class BrowseTest : public SetupWindowTest {
protected:
    HWND open_dialog(int browse_button)
    {
        press_button(window, browse_button);
        HWND dialog = wait_for_window(program.id, L"#32770", nullptr);
        if (dialog != nullptr) {
            EXPECT_EQ(GetWindow(dialog, GW_OWNER), window);
            // Its start-up is over before it is answered.
            EXPECT_TRUE(wait_until_posted_handled(dialog));
        }
        return dialog;
    }
    void answer(HWND dialog, int button)
    {
        press_button(dialog, button);
        EXPECT_TRUE(wait_for_window_gone(dialog));
        EXPECT_TRUE(wait_until([&] { return IsWindowEnabled(window) != FALSE; }));
    }
};

TEST_F(BrowseTest, FolderBrowserOpensOnTheFieldsFolderAndRefreshesTheHint)
{
    std::wstring folder = make_temp_folder(L"browse");
    set_control_text(control(IDC_FOLDER), folder);
    // Game data that appears behind the field's back: only a refresh shows it.
    ASSERT_TRUE(plant_game_data(folder));
    EXPECT_FALSE(hint_visible());

    HWND dialog = open_dialog(IDC_FOLDER_BROWSE);
    ASSERT_NE(dialog, nullptr);
    EXPECT_NE(find_child(dialog, L"Static", L"Folder to install the game into"), nullptr);
    answer(dialog, IDCANCEL);
    EXPECT_EQ(window_text(control(IDC_FOLDER)), folder);
    EXPECT_TRUE(wait_until([&] { return hint_visible(); })) << "Cancel did not refresh";

    // OK without a change returns the folder the browser was opened on, in
    // the shell's spelling (here: without the trailing backslash). Wine's
    // browser walks its tree down to that folder after it has opened and now
    // and then loses its way; its name box shows where it arrived, so a lost
    // walk is cancelled and tried again.
    std::wstring target = folder + L"\\gamedata";
    set_control_text(control(IDC_FOLDER), target + L"\\");
    bool arrived = false;
    for (int attempt = 0; attempt < 4 && !arrived; ++attempt) {
        dialog = open_dialog(IDC_FOLDER_BROWSE);
        ASSERT_NE(dialog, nullptr);
        HWND name_box = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
        ASSERT_NE(name_box, nullptr);
        arrived = wait_until([&] { return window_text(name_box) == L"gamedata"; }, 3000);
        answer(dialog, arrived ? IDOK : IDCANCEL);
    }
    EXPECT_TRUE(arrived) << "the browser did not open on the field's folder";
    EXPECT_EQ(window_text(control(IDC_FOLDER)), target);
    remove_test_folder(folder);
}

TEST_F(BrowseTest, ApkDialogFillsTheApkFieldOnlyWhenAFileIsChosen)
{
    std::wstring folder = make_temp_folder(L"browse");
    std::wstring apk = folder + L"\\reef.apk";
    ASSERT_TRUE(write_file(apk, "PK"));
    set_control_text(control(IDC_APK), L"typed before");

    HWND dialog = open_dialog(IDC_APK_BROWSE);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(window_text(dialog), L"Your Gloam Reef APK");
    // Two filters, the APK one selected.
    HWND types = find_child(dialog, L"ComboBox", L"Android packages (*.apk)");
    ASSERT_NE(types, nullptr);
    EXPECT_EQ(SendMessageW(types, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(types, CB_GETCURSEL, 0, 0), 0);
    // The dialog starts without a file name, whatever the field holds.
    HWND file_name = find_child_by_id(dialog, L"ComboBoxEx32", 0x47C);
    ASSERT_NE(file_name, nullptr);
    EXPECT_EQ(window_text(file_name), L"");
    answer(dialog, IDCANCEL);
    EXPECT_EQ(window_text(control(IDC_APK)), L"typed before");

    dialog = open_dialog(IDC_APK_BROWSE);
    ASSERT_NE(dialog, nullptr);
    file_name = find_child_by_id(dialog, L"ComboBoxEx32", 0x47C);
    ASSERT_NE(file_name, nullptr);
    set_control_text(file_name, apk);
    answer(dialog, IDOK);
    EXPECT_EQ(window_text(control(IDC_APK)), apk);
    remove_test_folder(folder);
}
