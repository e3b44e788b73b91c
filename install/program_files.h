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

// Writes the module's game program in one write, straight from the resource
// memory, to gloamreef.exe.new, flushes it to the disk and moves it over
// gloamreef.exe: a run stopped at any point leaves the old program or the new
// one whole. Waits out a short lock (install/locked_retry.h); a read-only
// gloamreef.exe is replaced all the same. Throws the user-facing failure text
// (a std::wstring) when the resource is missing or empty, or the program
// cannot be written; the old program then stays.
void write_game_program(HMODULE module, const InstallPaths& paths);

// Full path of the running program's file, however long it is; empty when it
// cannot be read.
std::wstring running_program_file();

// True when the path (extended form) is the running program's own file.
bool is_running_program_file(const std::wstring& path);

// Copies the running setup program to uninstall.exe the same way, through
// uninstall.exe.new. Nothing to do when the setup runs as that uninstall.exe.
bool copy_setup_program(const InstallPaths& paths);
