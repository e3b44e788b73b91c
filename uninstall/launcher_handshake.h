// The temporary uninstaller copy and the launcher that started it. The
// launcher's own file, uninstall.exe, can only be deleted once the launcher
// has ended; a quiet launcher waits for the removal and ends with its result.
// Both ends of that exchange live here.
//
// The launcher hands the copy three inheritable handles: its own process (so
// the copy can wait for it to end), the write end of a pipe (for the run's
// exit code) and the copy's own file, opened to be deleted when its last
// holder ends (so nothing stays in the temp folder, even when the run is
// killed). The copy finds the first two through the argument
// "/launcher=<launcher process id>:<process handle>:<pipe handle>"; a run
// typed by hand has none and waits for nobody.
#pragma once

#include <windows.h>

#include <string>

// Launcher's side. Starts the copy at copy_path with the arguments given
// (the channel's argument is added) in working_folder. Returns ERROR_SUCCESS,
// or the error that kept it from starting. With wait_for_result, returns only
// once the copy has handed over its run's exit code, or has ended without
// one, and puts that code into *exit_code.
DWORD start_copy(const std::wstring& copy_path, const std::wstring& arguments,
                 const std::wstring& working_folder, bool wait_for_result, int* exit_code);

// Copy's side: takes the channel from the text after "/launcher=". Anything
// that does not name a live launcher's channel is ignored (and logged): the
// run then hands its result to nobody.
void connect_to_launcher(const std::wstring& channel);

// Tells the launcher that started this run (if any) the run's exit code, then
// waits until that launcher has ended, so that uninstall.exe can go. Returns
// at once when no launcher waits: the run was started by hand, or the removal
// runs in the launcher's own process. Only the first call counts.
void hand_result_to_launcher(int exit_code);
