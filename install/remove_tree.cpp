// Tree removal on file attributes, so a reparse point is never descended into.
// (std::filesystem::remove_all of libstdc++ on mingw follows links.)
#include "install/remove_tree.h"

#include <windows.h>

#include "install/layout.h"

namespace {

bool delete_by_attributes(const std::wstring& path, DWORD attributes)
{
    bool deleted = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path.c_str())
                                                           : DeleteFileW(path.c_str());
    if (deleted) {
        return true;
    }
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

} // namespace

bool delete_entry(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    return delete_by_attributes(path, attributes);
}

bool remove_tree(const std::wstring& folder)
{
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    bool is_real_folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                          !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (is_real_folder) {
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
                bool is_link = entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
                bool is_folder = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
                ok = (is_folder && !is_link) ? remove_tree(path)
                                             : delete_by_attributes(path, entry.dwFileAttributes);
            } while (ok && FindNextFileW(search, &entry));
            FindClose(search);
            if (!ok) {
                return false;
            }
        }
    }
    return delete_by_attributes(folder, attributes);
}
