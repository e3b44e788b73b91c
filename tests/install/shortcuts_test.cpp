// Shortcuts and the uninstall entry, made directly.
#include "install_fixture.h"

#include "install/layout.h"
#include "install/shortcuts.h"
#include "install/uninstall_entry.h"

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

TEST_F(InstallTest, UninstallEntryStoresTextsWithTheirNull)
{
    // 20 characters: stored in 42 bytes.
    const std::wstring install_folder = L"C:\\Games\\Reef-Twenty";
    ASSERT_EQ(install_folder.size(), 20u);
    register_uninstall_entry(install_folder, L"C:\\Games\\Reef-Twenty\\gloamreef.exe",
                             L"C:\\Games\\Reef-Twenty\\uninstall.exe");
    RegistryValue location = read_registry_value(HKEY_CURRENT_USER, uninstall_key_path,
                                                 L"InstallLocation");
    EXPECT_EQ(location.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(location.bytes.size(), 42u);
    EXPECT_EQ(read_registry_value(HKEY_CURRENT_USER, uninstall_key_path, L"UninstallString").bytes,
              registry_text(L"\"C:\\Games\\Reef-Twenty\\uninstall.exe\" /uninstall"));
}
