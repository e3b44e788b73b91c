// Paths of an installation and the test for imported game data.
#include "install/layout.h"

#include <windows.h>

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

std::wstring game_data_folder(const std::wstring& install_folder)
{
    return join_path(install_folder, game_data_folder_name);
}

std::wstring textures_folder(const std::wstring& install_folder)
{
    return join_path(join_path(install_folder, mods_folder_name), textures_folder_name);
}

std::wstring staged_game_data_folder(const std::wstring& install_folder)
{
    return join_path(install_folder, staged_game_data_folder_name);
}

std::array<std::wstring, 10> previous_game_data_folders(const std::wstring& install_folder)
{
    std::wstring base = join_path(install_folder, previous_game_data_folder_name);
    std::array<std::wstring, 10> folders;
    folders[0] = base;
    for (size_t i = 1; i < folders.size(); ++i) {
        folders[i] = base + L"." + std::to_wstring(i);
    }
    return folders;
}

std::wstring shortcut_path(const std::wstring& known_folder)
{
    if (known_folder.empty()) {
        return {};
    }
    return known_folder + L"\\" + shortcut_file_name;
}

bool has_game_data(const std::wstring& install_folder)
{
    std::wstring library = join_path(game_data_folder(install_folder), game_library_file_name);
    return GetFileAttributesW(library.c_str()) != INVALID_FILE_ATTRIBUTES;
}
