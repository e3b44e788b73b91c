// What a folder typed, pasted or given on the command line becomes before an
// install uses it, and the tests of whether it is a place to install into.
#include "install/install_folder.h"

#include <windows.h>

#include <array>
#include <initializer_list>

#include "app/long_path.h"
#include "install/layout.h"

namespace {

bool is_separator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

bool is_bare_drive(const std::wstring& path)
{
    return path.size() == 2 && path[1] == L':' && iswalpha(path[0]);
}

// Windows compares file names without regard to case.
bool same_name(const std::wstring& a, const wchar_t* b)
{
    return CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

bool is_installation_entry(const std::wstring& name)
{
    for (const wchar_t* ours : files_to_remove) {
        if (same_name(name, ours)) {
            return true;
        }
    }
    for (const wchar_t* ours : {game_data_folder_name, staged_game_data_folder_name,
                                user_data_folder_name, mods_folder_name,
                                program_temporary_file_name, uninstaller_temporary_file_name}) {
        if (same_name(name, ours)) {
            return true;
        }
    }
    for (const std::wstring& ours : previous_game_data_folder_names()) {
        if (same_name(name, ours.c_str())) {
            return true;
        }
    }
    return false;
}

} // namespace

std::wstring unquote_path(const std::wstring& text)
{
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

std::wstring full_path(const std::wstring& path)
{
    if (path.empty()) {
        return {};
    }
    // GetFullPathNameW("D:") names the drive's current folder.
    std::wstring input = is_bare_drive(path) ? path + L"\\" : path;
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(full.size());
        DWORD length = GetFullPathNameW(input.c_str(), size, full.data(), nullptr);
        if (length == 0) {
            return {};
        }
        if (length < size) {
            full.resize(length);
            return full;
        }
        // Too small: length is the size needed, terminator included.
        full.resize(length);
    }
}

bool is_disk_file(const std::wstring& path)
{
    std::wstring full = full_path(path);
    if (full.empty()) {
        return false;
    }
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open; no access
    // right is asked for, so a file that is open elsewhere still answers.
    HANDLE file = CreateFileW(extended_path(full).c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    bool disk_file = GetFileType(file) == FILE_TYPE_DISK &&
                     GetFileInformationByHandle(file, &information) &&
                     !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(file);
    return disk_file;
}

bool is_drive_root(const std::wstring& full_path)
{
    std::wstring path = full_path;
    // "\\?\C:\" and "\\?\UNC\server\share" are the long-path spellings.
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        path = L"\\\\" + path.substr(8);
    } else if (path.rfind(L"\\\\?\\", 0) == 0) {
        path = path.substr(4);
    }
    while (path.size() > 2 && is_separator(path.back())) {
        path.pop_back();
    }
    if (is_bare_drive(path)) {
        return true;
    }
    if (path.size() < 3 || !is_separator(path[0]) || !is_separator(path[1])) {
        return false;
    }
    // "\\server\share": exactly one separator after the server name.
    size_t share = path.find_first_of(L"\\/", 2);
    return share != std::wstring::npos && share > 2 && share + 1 < path.size() &&
           path.find_first_of(L"\\/", share + 1) == std::wstring::npos;
}

bool holds_other_files(const std::wstring& folder)
{
    std::wstring root = install_paths(folder).root;
    if (root.empty()) {
        return false;
    }
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(join_path(root, L"*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool other = false;
    bool program = false;
    do {
        std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        if (same_name(name, program_file_name) || same_name(name, uninstaller_file_name)) {
            program = true;
        } else if (!is_installation_entry(name)) {
            other = true;
        }
    } while (!program && FindNextFileW(search, &entry));
    FindClose(search);
    return other && !program;
}

DWORD create_folder_tree(const std::wstring& extended)
{
    if (CreateDirectoryW(extended.c_str(), nullptr)) {
        return ERROR_SUCCESS;
    }
    DWORD error = GetLastError();
    if (error == ERROR_PATH_NOT_FOUND) {
        std::wstring parent = extended_parent(extended);
        if (!parent.empty() && create_folder_tree(parent) == ERROR_SUCCESS) {
            if (CreateDirectoryW(extended.c_str(), nullptr)) {
                return ERROR_SUCCESS;
            }
            error = GetLastError();
        }
    }
    // An existing folder is what was asked for (a drive's root gives access
    // denied); a file of that name is not.
    DWORD attributes = GetFileAttributesW(extended.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return ERROR_SUCCESS;
    }
    return error == ERROR_ALREADY_EXISTS ? ERROR_FILE_EXISTS : error;
}
