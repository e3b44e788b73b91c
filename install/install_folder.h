// What a folder typed, pasted or given on the command line becomes before an
// install uses it, and the tests of whether it is a place to install into.
#pragma once

#include <windows.h>

#include <string>

// The refusal of a drive or share root; the folder follows it.
constexpr wchar_t drive_root_refusal[] =
    L"Please choose a folder inside a drive, not the drive itself:\n";

// Without one pair of double quotes around the whole text, as Explorer's
// "Copy as path" puts them; any other text is returned as it is.
std::wstring unquote_path(const std::wstring& text);

// A folder or file as a full path, taken against the current folders as
// Windows would take it. A bare drive ("D:") stands for that drive's root, not
// for its current folder. Empty when no full path can be formed.
std::wstring full_path(const std::wstring& path);

// True when the path names an existing file on a disk, following links, at
// any length: a folder, a device ("CON", "\\.\...") or a path that cannot be
// opened is no file.
bool is_disk_file(const std::wstring& path);

// True for the root of a drive or a share ("C:\", "C:", "\\server\share\",
// also in their "\\?\" forms): installing there would mix the game's files
// with everything else on the drive.
bool is_drive_root(const std::wstring& full_path);

// True when the folder exists and holds entries that are not an installation's
// own, while it holds neither program file: someone else's folder. A folder
// whose saves an uninstall kept holds only our names.
bool holds_other_files(const std::wstring& folder);

// Creates the folder (extended-length form) with every missing parent; an
// existing folder is no error. ERROR_SUCCESS or the error of the first folder
// that could not be made.
DWORD create_folder_tree(const std::wstring& extended);
