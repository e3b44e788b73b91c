// Tree removal on file attributes, so a reparse point is never descended into.
// (std::filesystem::remove_all of libstdc++ on mingw follows links.)
#include "install/remove_tree.h"

#include <windows.h>

#include "install/layout.h"
#include "install/locked_retry.h"

namespace {

bool is_real_folder_attributes(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool is_missing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool delete_by_attributes(const std::wstring& path, DWORD attributes)
{
    bool is_folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
    bool deleted = retry_while_locked([&] {
        return is_folder ? RemoveDirectoryW(path.c_str()) != 0 : DeleteFileW(path.c_str()) != 0;
    });
    return deleted || is_missing(GetLastError());
}

} // namespace

bool is_real_folder(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && is_real_folder_attributes(attributes);
}

bool delete_entry(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return is_missing(GetLastError());
    }
    return delete_by_attributes(path, attributes);
}

bool remove_tree(const std::wstring& folder)
{
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return is_missing(GetLastError());
    }
    if (is_real_folder_attributes(attributes)) {
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW(join_path(folder, L"*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            bool ok = true;
            do {
                std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..") {
                    continue;
                }
                std::wstring path = join_path(folder, name);
                ok = is_real_folder_attributes(entry.dwFileAttributes)
                         ? remove_tree(path)
                         : delete_by_attributes(path, entry.dwFileAttributes);
            } while (ok && FindNextFileW(search, &entry));
            // The caller reports the failed deletion's error, not the search's.
            DWORD error = GetLastError();
            FindClose(search);
            if (!ok) {
                SetLastError(error);
                return false;
            }
        }
    }
    return delete_by_attributes(folder, attributes);
}
