// The game-data hint follows the folder field as it is typed, untrimmed.
#include "support/test_support.h"
#include "window/setup_session.h"

TEST_F(SetupWindowTest, HintFollowsTheFolderFieldAsTyped)
{
    std::wstring with_data = make_temp_folder(L"hint");
    ASSERT_TRUE(plant_game_data(with_data));
    std::wstring without_data = make_temp_folder(L"hint");
    HWND folder = control(IDC_FOLDER);

    set_control_text(folder, with_data);
    EXPECT_TRUE(wait_until([&] { return hint_visible(); }));
    set_control_text(folder, without_data);
    EXPECT_TRUE(wait_until([&] { return !hint_visible(); }));

    // Keystroke by keystroke: the hint appears with the last letter of the
    // name, stays with a trailing backslash, and goes with a trailing blank.
    set_control_text(folder, with_data.substr(0, with_data.size() - 1));
    EXPECT_FALSE(hint_visible());
    ASSERT_TRUE(type_text(folder, with_data.substr(with_data.size() - 1)));
    EXPECT_TRUE(wait_until([&] { return hint_visible(); }));
    ASSERT_TRUE(type_text(folder, L"\\"));
    EXPECT_TRUE(hint_visible());
    ASSERT_TRUE(type_text(folder, L" "));
    EXPECT_TRUE(wait_until([&] { return !hint_visible(); }));
    PostMessageW(folder, WM_CHAR, VK_BACK, 1);
    EXPECT_TRUE(wait_until([&] { return hint_visible(); }));

    set_control_text(folder, L"");
    EXPECT_TRUE(wait_until([&] { return !hint_visible(); }));

    remove_test_folder(with_data);
    remove_test_folder(without_data);
}
