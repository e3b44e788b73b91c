// Drives the setup program's windows and message boxes from a test program in
// the same Wine session: find a window, read its controls, press buttons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/test_support.h"

// A visible top-level window of the process (0: any process) with this class
// and title (null: any). Returns null when none appears within timeout_ms.
HWND wait_for_window(DWORD process_id, const wchar_t* class_name, const wchar_t* title,
                     DWORD timeout_ms = 10000);

// True when no such window is there any more within timeout_ms.
bool wait_for_window_gone(HWND window, DWORD timeout_ms = 10000);

struct MessageBoxView {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
    HWND owner = nullptr;
    std::vector<int> buttons;  // ids of the push buttons present: IDOK, IDYES, IDNO...
    int default_button = 0;    // id of the default push button
    HWND icon = nullptr;       // the static that shows the box's icon, if any
};

// Waits for a message box (dialog class "#32770") of the process and reads it.
MessageBoxView wait_for_message_box(DWORD process_id, DWORD timeout_ms = 10000);

// Waits until the thread of the window (or dialog) has handled every message
// posted to it before this call, keys and clicks included, and so has shown
// any box they bring up: a marker posted behind them, an edit control's
// modified flag, comes back. False when no edit control is there or it does not.
bool wait_until_posted_handled(HWND window, DWORD timeout_ms = 10000);

// Presses a button of a window by id with BM_CLICK (posted, so a modal loop
// that it ends does not block the test).
bool press_button(HWND window, int id);

// Text of a window or control.
std::wstring window_text(HWND window);

// Sets a control's text with WM_SETTEXT, as a program would; an edit control
// then tells its parent EN_CHANGE. Waits until the owner has taken it.
void set_control_text(HWND control, const std::wstring& text);

// Types text at the end of an edit control, one WM_CHAR per character (posted,
// like keystrokes), and waits until the control shows it.
bool type_text(HWND edit, const std::wstring& text, DWORD timeout_ms = 5000);

// Presses and releases a key on the window that has the keyboard focus of the
// given window's thread (posted, as the keyboard would).
void press_key(HWND window, UINT virtual_key);

// The control that has the keyboard focus in the thread owning window.
HWND focused_window(HWND window);

// Gives a control of another process the keyboard focus, as a click would.
bool focus_control(HWND control);

bool is_checked(HWND check_box);

// Asks a window to close, as its title bar's close button does (posted).
void close_window(HWND window);

// One child window as the test sees it; position relative to the parent's client area.
struct ControlView {
    HWND window = nullptr;
    std::wstring class_name;
    std::wstring text;
    int id = 0;
    RECT rect{};
    DWORD style = 0;
    DWORD extended_style = 0;
};

// The direct children of a window in creation order (the order Windows keeps
// them in, which is also the dialog Tab order).
std::vector<ControlView> read_controls(HWND parent);

// True when the message box's icon shows on screen exactly as the system
// icon would (compared pixel by pixel; icons cannot be read from another process).
bool shows_system_icon(const MessageBoxView& box, const wchar_t* system_icon);

// What another process was started with, read from its process parameters.
struct ProcessStart {
    std::wstring image_path;
    std::wstring command_line;
    std::wstring current_folder;  // as the process holds it, with a trailing backslash
};

// Empty fields when the process cannot be opened or read.
ProcessStart read_process_start(DWORD process_id);

// The process that owns a window.
DWORD window_process(HWND window);

// Sends a message whose lParam points to a RECT (WM_DPICHANGED) to a window of
// another process. Windows and Wine carry no such pointer across: the RECT is
// written at one address in both processes, so it reads the same whether the
// message is carried as it is or marshalled. False when that cannot be done.
bool send_rect_message(HWND window, UINT message, WPARAM wparam, const RECT& rect);
