// Conversions between the wide text of Windows and the UTF-8 of the import,
// and the lookup of the user's shell folders.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

std::string wide_to_utf8(const std::wstring& text);
std::wstring utf8_to_wide(const std::string& text);

// The folder's path, or an empty text when the system cannot name it; the
// lookup's result goes to *result when asked for.
std::wstring known_folder_path(const KNOWNFOLDERID& id, HRESULT* result = nullptr);
