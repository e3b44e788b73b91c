// The setup window of the interactive install: its handles, its creation and
// the small operations its behaviour is built from.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "ui/control_ids.h"

constexpr wchar_t setup_window_class[] = L"GloamReefPortSetup";
constexpr wchar_t setup_window_title[] = L"Gloam Reef Voduze PC Viru - Setup";
// No sizing border and no maximise box: the layout is fixed.
constexpr DWORD setup_window_style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr wchar_t install_button_text[] = L"Install";

// The one setup window of the process. The two Browse buttons are not kept:
// they are looked up by id when needed.
struct SetupWindow {
    HWND main_window = nullptr;
    HWND folder_field = nullptr;
    HWND apk_field = nullptr;
    HWND hint_line = nullptr;
    HWND desktop_shortcut_box = nullptr;
    HWND status_line = nullptr;
    HWND install_button = nullptr;
    HWND progress_bar = nullptr;
    HFONT ui_font = nullptr;
    // The main window's dots per inch, and the scale of every 96-DPI layout
    // number: numerator / denominator (ui/window_layout.h).
    int dpi = 96;
    int scale_numerator = 96;
    int scale_denominator = 96;
};

extern SetupWindow setup_window;

// True from the start of an install until its WM_INSTALL_DONE is handled.
extern std::atomic<bool> install_running;

// Builds the font, the class, the hidden main window and its controls, and
// points the progress channel at the window and its status line. The caller
// shows the window.
HWND create_setup_window(HINSTANCE instance);

// A visible child of the main window in the window's font; edits get a sunken
// edge. Position and size are pixels at 96 DPI, scaled as the whole layout is
// (ui/window_layout.h).
HWND create_control(const wchar_t* class_name, const wchar_t* text, DWORD style, int x, int y,
                    int width, int height, int id);

std::wstring read_window_text(HWND window);

// The folder field as the hint, the checks and the install all read it:
// trimmed, without a pasted path's quotes, absolute (install_folder_from_field).
std::wstring read_install_folder();

// Shows the game-data hint when the folder field names a folder that already
// holds imported game data.
void refresh_data_hint();

// Brings the setup window of another process of this session to the front,
// restored if it was minimised; false when there is none.
bool bring_running_setup_window_to_front();

LRESULT CALLBACK setup_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
