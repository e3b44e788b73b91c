// The two Browse commands of the setup window.
#pragma once

#include <windows.h>

// Lets the user pick the install folder; refreshes the hint afterwards, also
// after Cancel.
void browse_for_folder(HWND window);

// Lets the user pick the APK; the field keeps its text on Cancel.
void browse_for_apk(HWND window);

// Opens the folder browser on the folder that the field names.
int CALLBACK browse_folder_callback(HWND dialog, UINT message, LPARAM lparam, LPARAM data);
