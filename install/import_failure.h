// The user's text for a failed import: the APK's fault or the install folder's.
#pragma once

#include <windows.h>

#include <string>

#include "apk/game_data_import.h"

// The APK's faults keep the text that asks for the right APK, with the
// import's reason (last_error). The install folder's faults name the folder
// and the cause: a full disk, denied access (a read-only medium too), a path
// that is too long, or the system's own message for any other error.
std::wstring import_failure_text(const ImportOutcome& outcome, const std::wstring& install_folder,
                                 const std::string& reason);

// The cause of a write that failed with this OS error, as the texts above say it.
std::wstring write_failure_cause(DWORD error);
