// The setup window of the interactive install.
#pragma once

#include <windows.h>

// Builds the hidden main window with all its controls; the caller shows it.
HWND create_setup_window(HINSTANCE instance);
