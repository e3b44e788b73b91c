// Hand-made installations and their registration for the uninstall tests.
#include "hand_made_install.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "app/text.h"
#include "install/layout.h"
#include "support/install_inspection.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

std::wstring shortcut_in(const KNOWNFOLDERID& known_folder)
{
    std::wstring folder = known_folder_path(known_folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    return shortcut_path(folder);
}

} // namespace

void make_installation(const std::wstring& folder)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    CopyFileW(GLOAMREEF_STANDIN_EXE, (folder + L"\\gloamreef.exe").c_str(), FALSE);
    CopyFileW(GLOAMREEF_SETUP_EXE, (folder + L"\\uninstall.exe").c_str(), FALSE);
    for (const wchar_t* sub :
         {L"\\gamedata", L"\\gamedata\\assets", L"\\gamedata\\assets\\levels", L"\\gamedata.new",
          L"\\gamedata.old", L"\\gamedata.old.3", L"\\mods", L"\\mods\\textures", L"\\userdata",
          L"\\userdata\\saves"}) {
        CreateDirectoryW((folder + sub).c_str(), nullptr);
    }
    write_file(folder + L"\\gamedata\\libGloamReef.so", "\x7f" "ELF library");
    write_file(folder + L"\\gamedata\\atc_textures", "");
    write_file(folder + L"\\gamedata\\assets\\levels\\reef1.dat", "level");
    write_file(folder + L"\\gamedata.new\\libGloamReef.so", "\x7f" "ELF half");
    write_file(folder + L"\\gamedata.old\\libGloamReef.so", "\x7f" "ELF old");
    write_file(folder + L"\\gamedata.old.3\\atc_textures", "");
    write_file(folder + L"\\mods\\textures\\README.txt", "Put texture packs here.");
    write_file(folder + L"\\userdata\\settings.ini", "[video]\n");
    write_file(folder + L"\\userdata\\saves\\slot1.sav", "save");
    write_file(folder + L"\\gloamreef.log", "log");
    write_file(folder + L"\\stderr.log", "err");
    write_file(folder + L"\\crash.dmp", "MDMP");
    // Program files a killed install was writing, and an asset made read-only
    // (a backup tool, a copy from a CD): Windows refuses to delete it as it is.
    write_file(folder + L"\\gloamreef.exe.new", "MZ half");
    write_file(folder + L"\\uninstall.exe.new", "MZ half");
    SetFileAttributesW((folder + L"\\gamedata\\assets\\levels\\reef1.dat").c_str(),
                       FILE_ATTRIBUTE_READONLY);
}

void remove_program_files(const std::wstring& folder)
{
    DeleteFileW((folder + L"\\gloamreef.exe").c_str());
    DeleteFileW((folder + L"\\uninstall.exe").c_str());
}

void register_installation(const std::wstring& folder)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, uninstall_key_path, 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
        std::wstring command = L"\"" + uninstaller_path(folder) + L"\" /uninstall";
        RegSetValueExW(key, L"UninstallString", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    write_file(shortcut_in(FOLDERID_Programs), "shell link");
    write_file(shortcut_in(FOLDERID_Desktop), "shell link");
}

bool uninstall_entry_exists()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, uninstall_key_path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool start_menu_shortcut_exists()
{
    return path_exists(shortcut_in(FOLDERID_Programs));
}

bool desktop_shortcut_exists()
{
    return path_exists(shortcut_in(FOLDERID_Desktop));
}

void expect_registration(bool present)
{
    EXPECT_EQ(uninstall_entry_exists(), present);
    EXPECT_EQ(start_menu_shortcut_exists(), present);
    EXPECT_EQ(desktop_shortcut_exists(), present);
}

std::vector<std::wstring> entries_below(const std::wstring& folder)
{
    std::vector<std::wstring> entries;
    for_each_entry(folder, [&](const std::wstring& relative, const std::wstring&, DWORD) {
        entries.push_back(relative);
    });
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::wstring temporary_copy_path()
{
    return temp_folder_path() + temporary_uninstaller_name;
}

std::wstring confirmation_text(const std::wstring& folder)
{
    return L"Remove Gloam Reef Voduze PC Viru from\n" + folder + L" ?";
}
