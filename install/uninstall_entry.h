// The entry in the current user's list of installed programs.
#pragma once

#include <string>

// Creates or opens HKCU\<uninstall_key_path> and writes its eight values,
// overwriting earlier ones. Reports nothing: an install without an entry
// still counts as done.
void register_uninstall_entry(const std::wstring& folder, const std::wstring& program,
                              const std::wstring& uninstaller);
