// Waiting out a file or folder that another program holds for a moment.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Runs operation (a file-system call that sets the thread's last error when
// it returns false) until it succeeds or fails for another reason than a
// sharing violation, a lock violation, access denied or also_waited_for.
// Virus scanners, the search indexer and backup tools open a file that was
// just written for a moment, and Windows refuses to rename or delete it, or a
// folder above it, with one of these errors meanwhile. Gives up after ten
// tries over about two seconds, with the operation's last error still set.
bool retry_while_locked(const std::function<bool()>& operation,
                        DWORD also_waited_for = ERROR_SUCCESS);

// How long a rename of a game-data folder waits at most. Windows refuses to
// rename a folder while any file inside it is open (access denied, or a
// sharing violation for the folder itself), and a scanner or indexer working
// through thousands of assets, or a sync client, can hold one for many
// seconds. A test may shorten it.
extern DWORD held_folder_wait_ms;

// The same for the rename of a folder, for up to held_folder_wait_ms. While it
// waits, the status line and the log say so, naming the folder (normal form).
bool retry_while_folder_held(const std::function<bool()>& operation, const std::wstring& folder);
