// The two programs an install writes: the game program carried as a resource
// and the uninstaller, which is a copy of the running setup program.
#pragma once

#include <windows.h>

#include <string>

#include "install/layout.h"

// The game program's bytes inside a module's resources; data is null when the
// module carries no usable PAYLOAD_EXE.
struct EmbeddedProgram {
    const void* data = nullptr;
    DWORD size = 0;
};

// Looks up PAYLOAD_EXE (RT_RCDATA) in the module; null means the running
// program. The bytes stay valid as long as the module is loaded.
EmbeddedProgram find_game_program(HMODULE module);

// True when the installed gloamreef.exe is running. Windows grants delete
// access to a running program's file (it can be renamed) but refuses write
// access, even with full sharing, with a sharing violation; so does Wine.
// A missing program is not running.
bool game_is_running(const InstallPaths& paths);

// What the window and the uninstaller ask with Retry and Cancel meanwhile.
constexpr wchar_t game_running_text[] =
    L"Gloam Reef is still running. Close the game, then press Retry.";

// Writes the module's game program to program_file in one write, straight from
// the resource memory, waiting out a short lock (install/locked_retry.h).
// Throws the user-facing failure text (a std::wstring) when the resource is
// missing or empty, or the file cannot be written.
void write_game_program(HMODULE module, const std::wstring& program_file);

// Full path of the running program's file, however long it is; empty when it
// cannot be read.
std::wstring running_program_file();

// Copies the running setup program to target, replacing an existing file and
// waiting out a short lock.
bool copy_setup_program(const std::wstring& target);
