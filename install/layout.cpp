// Paths of an installation and the test for imported game data.
#include "install/layout.h"

#include <windows.h>

#include "app/long_path.h"
#include "install/install_folder.h"
#include "install/recovery.h"

std::wstring join_path(const std::wstring& folder, const std::wstring& name)
{
    if (folder.empty()) {
        return name;
    }
    wchar_t last = folder.back();
    if (last == L'\\' || last == L'/') {
        return folder + name;
    }
    return folder + L"\\" + name;
}

std::wstring program_path(const std::wstring& install_folder)
{
    return join_path(install_folder, program_file_name);
}

std::wstring uninstaller_path(const std::wstring& install_folder)
{
    return join_path(install_folder, uninstaller_file_name);
}

std::array<std::wstring, 10> previous_game_data_folder_names()
{
    std::array<std::wstring, 10> names;
    names[0] = previous_game_data_folder_name;
    for (size_t i = 1; i < names.size(); ++i) {
        names[i] = names[0] + L"." + std::to_wstring(i);
    }
    return names;
}

InstallPaths install_paths(const std::wstring& folder)
{
    InstallPaths paths;
    paths.folder = folder;
    // An empty text would be the current folder; nothing is installed there.
    paths.root = folder.empty() ? std::wstring() : extended_path(full_path(folder));
    if (paths.root.empty()) {
        return paths;
    }
    paths.program = paths.in_root(program_file_name);
    paths.uninstaller = paths.in_root(uninstaller_file_name);
    paths.program_temporary = paths.in_root(program_temporary_file_name);
    paths.uninstaller_temporary = paths.in_root(uninstaller_temporary_file_name);
    paths.game_data = paths.in_root(game_data_folder_name);
    paths.game_library = join_path(paths.game_data, game_library_file_name);
    paths.staged_game_data = paths.in_root(staged_game_data_folder_name);
    std::array<std::wstring, 10> names = previous_game_data_folder_names();
    for (size_t i = 0; i < names.size(); ++i) {
        paths.previous_game_data[i] = paths.in_root(names[i].c_str());
    }
    paths.user_data = paths.in_root(user_data_folder_name);
    paths.mods = paths.in_root(mods_folder_name);
    paths.textures = join_path(paths.mods, textures_folder_name);
    paths.textures_readme = join_path(paths.textures, textures_readme_file_name);
    return paths;
}

std::wstring shortcut_path(const std::wstring& known_folder)
{
    if (known_folder.empty()) {
        return {};
    }
    return known_folder + L"\\" + shortcut_file_name;
}

bool has_game_data(const InstallPaths& paths)
{
    if (paths.game_library.empty()) {
        return false;
    }
    return GetFileAttributesW(paths.game_library.c_str()) != INVALID_FILE_ATTRIBUTES ||
           !interrupted_swap_data(paths).empty();
}

bool has_game_data(const std::wstring& install_folder)
{
    // The empty text is the current folder here, as a relative folder is. The
    // folder is tested as typed: a trailing separator keeps the full path from
    // dropping a trailing blank or dot, which Windows drops only from a
    // path's last part.
    return has_game_data(install_paths(join_path(install_folder.empty() ? L"." : install_folder, L"")));
}
