// The names of everything an installation consists of, in one place for the
// installer, the window and the uninstaller.
#pragma once

#include <array>
#include <string>

#include "app/product.h"

constexpr wchar_t program_file_name[] = L"gloamreef.exe";
constexpr wchar_t uninstaller_file_name[] = L"uninstall.exe";
constexpr wchar_t game_data_folder_name[] = L"gamedata";
constexpr wchar_t game_library_file_name[] = L"libGloamReef.so";
// Beside gamedata while an import runs: the new data is filled into the staging
// folder and the old data set aside until the new is in place. Either may be
// left over after an interrupted install.
constexpr wchar_t staged_game_data_folder_name[] = L"gamedata.new";
constexpr wchar_t previous_game_data_folder_name[] = L"gamedata.old";
// The two program files are written under these names first and then moved
// over the old ones, so a run stopped while it writes leaves the old program
// or the new one, never a part of one.
constexpr wchar_t program_temporary_file_name[] = L"gloamreef.exe.new";
constexpr wchar_t uninstaller_temporary_file_name[] = L"uninstall.exe.new";
constexpr wchar_t user_data_folder_name[] = L"userdata";
constexpr wchar_t mods_folder_name[] = L"mods";
constexpr wchar_t textures_folder_name[] = L"textures";
constexpr wchar_t textures_readme_file_name[] = L"README.txt";

// Files at the top of the install folder that the uninstaller deletes: the
// two the setup writes, then what the game writes as it runs. The first two
// mark an installation and go last of all (uninstall/uninstall_run.cpp).
constexpr std::array<const wchar_t*, 5> files_to_remove = {
    L"gloamreef.exe", L"uninstall.exe", L"gloamreef.log", L"stderr.log", L"crash.dmp"};

// Resource of the setup program that carries the game program.
constexpr wchar_t payload_resource_name[] = L"PAYLOAD_EXE";

// Name of the temporary uninstaller copy in the user's temp folder.
constexpr wchar_t temporary_uninstaller_name[] = L"gloamreef-port-uninstall.exe";

// Both shortcuts carry this name, directly in the Start-menu programs folder
// and on the desktop.
constexpr wchar_t shortcut_file_name[] = L"Gloam Reef Voduze PC Viru.lnk";

// Under HKEY_CURRENT_USER.
constexpr wchar_t uninstall_key_path[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\GloamReefMobilePC";

// One backslash between folder and name unless the folder is empty or already
// ends in a separator. A bare drive ("C:") gets its backslash too, so the
// result never becomes the drive-relative "C:name".
std::wstring join_path(const std::wstring& folder, const std::wstring& name);

// The paths that the registry, the links and the shell get: normal form.
std::wstring program_path(const std::wstring& install_folder);
std::wstring uninstaller_path(const std::wstring& install_folder);

// An install folder and the paths of an installation in it, derived once.
// folder is the text the user, the registry and the links see; every other
// member is in the extended-length form (app/long_path.h) that file APIs get,
// so no path of the installation is limited to 260 characters. root is empty
// when no full path can be formed from folder.
struct InstallPaths {
    std::wstring folder;
    std::wstring root;
    std::wstring program;
    std::wstring uninstaller;
    std::wstring program_temporary;
    std::wstring uninstaller_temporary;
    std::wstring game_data;
    std::wstring game_library;  // in game_data
    // Beside gamedata while an import runs and after an interrupted one.
    std::wstring staged_game_data;
    // Where an install moves the old gamedata while it puts the new one in
    // place: "gamedata.old", or "gamedata.old.1" to ".9" when an older
    // leftover cannot be cleared. All of them, in this order, so the
    // uninstaller can remove every leftover too.
    std::array<std::wstring, 10> previous_game_data;
    std::wstring user_data;
    std::wstring mods;
    std::wstring textures;
    std::wstring textures_readme;

    // A name at the top of the install folder, in extended form.
    std::wstring in_root(const wchar_t* name) const { return join_path(root, name); }
};

// folder is taken against the current folder when it is relative.
InstallPaths install_paths(const std::wstring& folder);

// The names of the set-aside folders ("gamedata.old", "gamedata.old.1"...).
std::array<std::wstring, 10> previous_game_data_folder_names();

// The shortcut's full path in a known folder; empty when the folder's path is
// empty (a failed lookup), so that nothing at the root of the current drive
// is ever written or deleted.
std::wstring shortcut_path(const std::wstring& known_folder);

// True when the folder's gamedata holds the game library (file or folder), or
// when an interrupted install left its data set aside in a way the next run
// puts back (install/recovery.h). Changes nothing; never fails: anything that
// cannot be looked at counts as no game data.
bool has_game_data(const InstallPaths& paths);
bool has_game_data(const std::wstring& install_folder);
