// The setup window: its class, its creation and the small operations its
// behaviour is built from.
#include "ui/setup_window.h"

#include "app/progress.h"
#include "install/layout.h"
#include "ui/install_checks.h"
#include "ui/window_layout.h"

SetupWindow setup_window;
std::atomic<bool> install_running{false};

namespace {

void register_window_class(HINSTANCE instance)
{
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = setup_window_proc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = setup_window_class;
    RegisterClassW(&window_class);
}

BOOL CALLBACK match_setup_window(HWND window, LPARAM found)
{
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    wchar_t class_name[64] = {};
    GetClassNameW(window, class_name, 64);
    if (process_id == GetCurrentProcessId() || wcscmp(class_name, setup_window_class) != 0 ||
        !IsWindowVisible(window)) {
        return TRUE;
    }
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

} // namespace

HWND create_setup_window(HINSTANCE instance)
{
    register_window_class(instance);
    setup_window.main_window =
        CreateWindowExW(0, setup_window_class, setup_window_title, setup_window_style, 0, 0,
                        0, 0, nullptr, nullptr, instance, nullptr);
    if (setup_window.main_window == nullptr) {
        return nullptr;
    }
    // Font and size follow the DPI of the monitor the window is on, which is
    // known once the window exists.
    choose_font_and_scale(window_dpi(setup_window.main_window));
    RECT work_area;
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work_area, 0)) {
        fit_scale_to(work_area);
    }
    SIZE size = window_size();
    int screen_height = GetSystemMetrics(SM_CYSCREEN);
    int screen_width = GetSystemMetrics(SM_CXSCREEN);
    // A screen smaller than the window gives a negative position; it is kept.
    int x = (screen_width - size.cx) / 2;
    int y = (screen_height - size.cy) / 2;
    SetWindowPos(setup_window.main_window, nullptr, x, y, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);

    // The controls are created in Tab order.
    create_controls();
    refresh_data_hint();

    progress_window = setup_window.main_window;
    progress_status_line = setup_window.status_line;
    return setup_window.main_window;
}

HWND create_control(const wchar_t* class_name, const wchar_t* text, DWORD style, int x, int y,
                    int width, int height, int id)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    DWORD extended_style = wcscmp(class_name, L"EDIT") == 0 ? WS_EX_CLIENTEDGE : 0;
    HWND control = CreateWindowExW(extended_style, class_name, text,
                                   style | WS_CHILD | WS_VISIBLE, scaled(x), scaled(y),
                                   scaled(width), scaled(height),
                                   setup_window.main_window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                   nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(setup_window.ui_font), TRUE);
    return control;
}

std::wstring read_window_text(HWND window)
{
    int length = GetWindowTextLengthW(window);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length), L'\0');
    // The buffer of a wide string holds one more character for the terminator.
    int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::wstring read_install_folder()
{
    return install_folder_from_field(read_window_text(setup_window.folder_field));
}

void refresh_data_hint()
{
    std::wstring folder = read_install_folder();
    bool has_data = !folder.empty() && has_game_data(folder);
    ShowWindow(setup_window.hint_line, has_data ? SW_SHOW : SW_HIDE);
}

bool bring_running_setup_window_to_front()
{
    // The other setup may hold the lock a moment before its window shows.
    for (int attempt = 0; attempt < 40; ++attempt) {
        HWND found = nullptr;
        EnumWindows(match_setup_window, reinterpret_cast<LPARAM>(&found));
        if (found != nullptr) {
            if (IsIconic(found)) {
                ShowWindow(found, SW_RESTORE);
            }
            SetForegroundWindow(found);
            return true;
        }
        Sleep(50);
    }
    return false;
}
