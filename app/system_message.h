// The system's own wording of an OS error code, for messages and log lines.
#pragma once

#include <windows.h>

#include <string>

// FormatMessageW's text for the code, without its line break and trailing
// blanks; "Windows error <code>." when the system has no text for it.
std::wstring system_message(DWORD code);

// "error <code>: <system message>" in UTF-8, for the run log.
std::string describe_os_error(DWORD code);
