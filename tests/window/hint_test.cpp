// The game-data hint follows the folder field as the install would read it:
// trimmed, without a pasted path's quotes.
#include "support/test_support.h"
#include "window/setup_session.h"

TEST_F(SetupWindowTest, HintFollowsTheFolderFieldAsTheInstallReadsIt)
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
    // name, stays with a trailing backslash and blank, which the install
    // drops, and goes with a letter more.
    set_control_text(folder, with_data.substr(0, with_data.size() - 1));
    EXPECT_FALSE(hint_visible());
    ASSERT_TRUE(type_text(folder, with_data.substr(with_data.size() - 1)));
    EXPECT_TRUE(wait_until([&] { return hint_visible(); }));
    ASSERT_TRUE(type_text(folder, L"\\ "));
    EXPECT_TRUE(hint_visible());
    ASSERT_TRUE(type_text(folder, L"x"));
    EXPECT_TRUE(wait_until([&] { return !hint_visible(); }));

    // Pasted as Explorer copies a path: in quotes, here with a blank after them.
    set_control_text(folder, quote(with_data) + L" ");
    EXPECT_TRUE(wait_until([&] { return hint_visible(); }));
    set_control_text(folder, L"");
    EXPECT_TRUE(wait_until([&] { return !hint_visible(); }));

    remove_test_folder(with_data);
    remove_test_folder(without_data);
}
