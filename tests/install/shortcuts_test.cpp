// The shortcut step made directly, with and without the desktop link.
#include "install_fixture.h"

#include "install/layout.h"
#include "install/shortcuts.h"

namespace {

void make_shortcuts_on_worker(const std::wstring& folder, const std::wstring& program, bool desktop)
{
    std::thread worker(make_shortcuts, folder, program, desktop);
    worker.join();
}

} // namespace

TEST_F(InstallTest, DesktopLinkOnlyWhenAskedAndAnOldOneStays)
{
    std::wstring start_menu = shortcut_path(known_folder_path(FOLDERID_Programs));
    std::wstring desktop = shortcut_path(known_folder_path(FOLDERID_Desktop));
    ASSERT_FALSE(start_menu.empty());
    ASSERT_FALSE(desktop.empty());
    std::wstring program = folder + L"\\gloamreef.exe";

    make_shortcuts_on_worker(folder, program, true);
    for (const std::wstring& link : {start_menu, desktop}) {
        ShortcutView view = read_shortcut(link);
        ASSERT_TRUE(view.loaded) << link;
        EXPECT_EQ(view.target, program);
        EXPECT_EQ(view.working_folder, folder);
        EXPECT_EQ(view.arguments, L"");
        EXPECT_EQ(view.description, L"Gloam Reef Voduze PC Viru");
    }

    // A later run without the desktop link overwrites the Start-menu link and
    // leaves the desktop one as it was.
    std::wstring moved = temp + L"\\Moved";
    make_shortcuts_on_worker(moved, moved + L"\\gloamreef.exe", false);
    EXPECT_EQ(read_shortcut(start_menu).working_folder, moved);
    EXPECT_EQ(read_shortcut(desktop).working_folder, folder);
}
