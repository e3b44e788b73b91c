// Helpers shared by the Windows tests: running programs, temp folders, files.
#pragma once

#include <windows.h>

#include <string>

// Starts the program with the command-line tail given (already quoted as
// needed), waits up to timeout_ms and returns its exit code, or STILL_ACTIVE
// when it has not ended by then (the process is then killed).
DWORD run_program(const std::wstring& program, const std::wstring& arguments,
                  const std::wstring& working_folder = L"", DWORD timeout_ms = 60000);

// Double quotes around a path for a command line.
std::wstring quote(const std::wstring& text);

// A new, empty, uniquely named folder under the temp folder; no trailing backslash.
std::wstring make_temp_folder(const std::wstring& prefix);

// Removes a folder tree made by a test; never follows links.
void remove_test_folder(const std::wstring& folder);

std::string read_file(const std::wstring& path);
bool write_file(const std::wstring& path, const std::string& bytes);
bool path_exists(const std::wstring& path);
bool is_folder(const std::wstring& path);

// The Unix path behind a Windows path under Wine (UTF-8); empty elsewhere.
std::string wine_unix_path(const std::wstring& path);

// Removes a symbolic link made on the Unix side (Wine cannot delete one), so
// a test leaves nothing behind.
void remove_unix_link(const std::wstring& link);

// Makes a drive letter ("Q") of Wine's that stands for the folder, so a test
// can install at a drive's root; false when the letter is taken or it fails.
bool map_drive(wchar_t letter, const std::wstring& folder);
void unmap_drive(wchar_t letter);
