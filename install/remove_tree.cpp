// Tree removal on file attributes and reparse tags, so a link is never
// descended into. (std::filesystem::remove_all of libstdc++ on mingw follows
// links.)
#include "install/remove_tree.h"

#include "install/layout.h"
#include "install/locked_retry.h"

namespace {

// What FindFirstFileW tells of one entry.
struct Entry {
    bool found = false;
    DWORD attributes = 0;
    DWORD tag = 0;
};

Entry entry_of(const WIN32_FIND_DATAW& data)
{
    // dwReserved0 holds the reparse tag of a reparse point.
    bool reparse = data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
    return {true, data.dwFileAttributes, reparse ? data.dwReserved0 : 0};
}

Entry look_up(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(path.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        // A drive's root has no entry of its own to find.
        DWORD attributes = GetFileAttributesW(path.c_str());
        return {attributes != INVALID_FILE_ATTRIBUTES, attributes, 0};
    }
    FindClose(search);
    return entry_of(data);
}

bool is_real_folder_entry(DWORD attributes, DWORD tag)
{
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) && !is_link_entry(attributes, tag);
}

bool is_missing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Windows refuses to delete a read-only file or folder with access denied,
// which no wait mends; the attribute of an installation's own entry goes.
void clear_read_only_attribute(const std::wstring& path, DWORD attributes)
{
    constexpr DWORD settable = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                               FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        DWORD kept = attributes & settable;
        SetFileAttributesW(path.c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL);
    }
}

// emptied: the folder's children were deleted just now. A scanner that held
// one with delete sharing leaves it "delete pending" until it lets go, and
// the folder is not empty meanwhile.
bool delete_found(const std::wstring& path, const Entry& entry, bool emptied)
{
    bool is_folder = entry.attributes & FILE_ATTRIBUTE_DIRECTORY;
    // A folder that is to go only when empty keeps its attributes while it
    // holds the user's files.
    if (!is_link_entry(entry.attributes, entry.tag) && (!is_folder || emptied)) {
        clear_read_only_attribute(path, entry.attributes);
    }
    bool deleted = retry_while_locked(
        [&] {
            return is_folder ? RemoveDirectoryW(path.c_str()) != 0 : DeleteFileW(path.c_str()) != 0;
        },
        emptied ? ERROR_DIR_NOT_EMPTY : ERROR_SUCCESS);
    return deleted || is_missing(GetLastError());
}

} // namespace

bool is_link_entry(DWORD attributes, DWORD tag)
{
    // Without a tag (Wine shows a Unix symbolic link so) it may be a link:
    // not following it is the safe side.
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && (tag == 0 || IsReparseTagNameSurrogate(tag));
}

void clear_read_only(const std::wstring& path)
{
    Entry entry = look_up(path);
    if (entry.found && !is_link_entry(entry.attributes, entry.tag)) {
        clear_read_only_attribute(path, entry.attributes);
    }
}

bool is_link(const std::wstring& path)
{
    Entry entry = look_up(path);
    return entry.found && is_link_entry(entry.attributes, entry.tag);
}

bool is_real_folder(const std::wstring& path)
{
    Entry entry = look_up(path);
    return entry.found && is_real_folder_entry(entry.attributes, entry.tag);
}

bool delete_entry(const std::wstring& path)
{
    Entry entry = look_up(path);
    if (!entry.found) {
        return is_missing(GetLastError());
    }
    return delete_found(path, entry, false);
}

bool remove_tree(const std::wstring& folder)
{
    Entry top = look_up(folder);
    if (!top.found) {
        return is_missing(GetLastError());
    }
    if (!is_real_folder_entry(top.attributes, top.tag)) {
        return delete_found(folder, top, false);
    }
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(join_path(folder, L"*").c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
        bool ok = true;
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            std::wstring path = join_path(folder, name);
            Entry entry = entry_of(data);
            ok = is_real_folder_entry(entry.attributes, entry.tag) ? remove_tree(path)
                                                                   : delete_found(path, entry, false);
        } while (ok && FindNextFileW(search, &data));
        // The caller reports the failed deletion's error, not the search's.
        DWORD error = GetLastError();
        FindClose(search);
        if (!ok) {
            SetLastError(error);
            return false;
        }
    }
    return delete_found(folder, top, true);
}
