// The temporary uninstaller copy and the launcher that started it. The
// launcher's own file, uninstall.exe, can only be deleted once the launcher
// has ended; a quiet launcher waits for the removal and ends with its result.
#pragma once

// Tells the launcher that started this run (if any) the run's exit code, then
// waits until that launcher has ended, so that uninstall.exe can go. Returns
// at once when no launcher waits: the run was started by hand, or the removal
// runs in the launcher's own process.
void hand_result_to_launcher(int exit_code);
