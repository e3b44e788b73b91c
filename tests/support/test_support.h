// Helpers shared by the Windows tests: running programs, temp folders, files.
#pragma once

#include <windows.h>

#include <string>

// Waits until the predicate holds, polling every 20 ms; false on time-out.
template <typename Predicate>
bool wait_until(Predicate predicate, DWORD timeout_ms = 10000)
{
    DWORD start = GetTickCount();
    while (!predicate()) {
        if (GetTickCount() - start > timeout_ms) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

// A program started without waiting for it, in a job of its own that every
// process it starts in turn joins.
struct RunningProgram {
    HANDLE process = nullptr;
    DWORD id = 0;
    HANDLE job = nullptr;
};

// Starts program with the command-line tail given; process is null on failure
// (each failed try is logged with its error code).
RunningProgram start_program(const std::wstring& program, const std::wstring& arguments,
                             const std::wstring& working_folder = L"");

// Starts a whole command line as the shell would run it (the program is the
// first, possibly quoted, word); process is null on failure.
RunningProgram start_command(const std::wstring& command_line,
                             const std::wstring& working_folder = L"");

// Waits for the program to end and returns its exit code (STILL_ACTIVE on
// time-out, after which the process is killed). Closes the handle.
DWORD finish_program(RunningProgram& program, DWORD timeout_ms = 30000);

// True when the program has ended within timeout_ms (the handle stays open).
bool program_ended(const RunningProgram& program, DWORD timeout_ms = 0);

// True when the program and every process it started have ended within
// timeout_ms (false for a program without a job).
bool all_processes_ended(const RunningProgram& program, DWORD timeout_ms = 10000);

// The installed gloamreef.exe (the stand-in game) started in its folder and
// kept running, as a game being played, until finish_program(game, 0) ends
// it; process is null when it did not start.
RunningProgram start_game(const std::wstring& install_folder);

// A program that the test did not start itself (for instance one started by
// the program under test); process is null when it cannot be opened.
RunningProgram attach_program(DWORD process_id);

// Starts the program with the command-line tail given (already quoted as
// needed), waits up to timeout_ms and returns its exit code, or STILL_ACTIVE
// when it has not ended by then (the process is then killed).
DWORD run_program(const std::wstring& program, const std::wstring& arguments,
                  const std::wstring& working_folder = L"", DWORD timeout_ms = 60000);

// Double quotes around a path for a command line.
std::wstring quote(const std::wstring& text);

// The user's temp folder, with its trailing backslash.
std::wstring temp_folder_path();

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
