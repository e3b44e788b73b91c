// The entry in the current user's list of installed programs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "install/layout.h"

// Creates or opens HKCU\<uninstall_key_path> and writes its values, overwriting
// earlier ones: the eight that every release wrote, then the size and date
// that Settings shows, the quiet uninstall command and the version numbers.
// The registry gets the folder as the user knows it. Returns ERROR_SUCCESS, or
// the error of the first call that failed (the values after it are not
// written); the failure is logged. Without the entry the user cannot remove
// the game, so the caller fails the install.
DWORD register_uninstall_entry(const InstallPaths& paths);

// Bytes of what the installation holds: the two programs and the game data.
// A link in the game data is not followed: its target is not the install's.
uint64_t installed_bytes(const InstallPaths& paths);
