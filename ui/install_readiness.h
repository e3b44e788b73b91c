// The window's last checks before it starts an install: room on the disk and
// a game that is not running.
#pragma once

#include <windows.h>

#include <string>

// Shows the free-space refusal as an error box, then, while the installed
// game runs, a Retry/Cancel box. True when the install may start; false after
// a refusal or Cancel, with nothing changed. An APK that is no zip archive is
// not refused here: the install then fails at once with the APK's text.
bool ready_to_install(HWND window, const std::wstring& folder, const std::wstring& apk_path);
