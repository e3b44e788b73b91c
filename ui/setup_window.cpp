// The setup window's layout: font, class, main window, its eleven controls and
// the progress bar, scaled to the window's DPI.
#include "ui/setup_window.h"

#include <commctrl.h>
#include <shlobj.h>

#include "app/progress.h"
#include "app/text.h"
#include "install/layout.h"

SetupWindow setup_window;
std::atomic<bool> install_running{false};

namespace {

// Every number below is a pixel at 96 DPI. The manifest declares the process
// system-DPI aware, so Windows does not stretch the window's bitmap: the
// layout is scaled by the window's DPI instead (create_control, window_size),
// and the system's message font already has the size for that DPI.
constexpr int base_dpi = 96;

// Outer size of the main window at 96 DPI, frame and caption included.
constexpr int window_width = 620;
constexpr int window_height = 400;
constexpr DWORD window_style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

constexpr int left_margin = 20;
constexpr int full_width = 570;  // labels, hint and status line
constexpr int field_width = 470;
constexpr int field_height = 24;
constexpr int browse_x = 500;
constexpr int browse_width = 90;
constexpr int browse_height = 26;
constexpr int label_height = 18;

constexpr int intro_y = 16;
constexpr int intro_height = 74;
constexpr int folder_label_y = 100;
constexpr int folder_field_y = 120;
constexpr int apk_label_y = 160;
constexpr int apk_field_y = 180;
constexpr int hint_y = 210;
constexpr int hint_height = 34;
constexpr int shortcut_box_y = 250;
constexpr int shortcut_box_width = 300;
constexpr int shortcut_box_height = 22;
constexpr int status_y = 290;
constexpr int status_height = 20;
constexpr int install_x = 470;
constexpr int install_y = 318;
constexpr int install_width = 120;
constexpr int install_height = 32;
// Left of the Install button in its row, shown only while an install runs.
constexpr int progress_y = 324;
constexpr int progress_width = 440;
constexpr int progress_height = 20;

// Browse buttons sit one pixel above their field and are two pixels taller.
constexpr int browse_offset_y = -1;

constexpr DWORD edit_style = WS_TABSTOP | ES_AUTOHSCROLL;

constexpr wchar_t intro_text[] =
    L"This installs the PC port of Gloam Reef (the 2011 mobile game by Ostrane / Quillmoor).\r\n"
    L"\r\n"
    L"The game itself is not included. You need your own copy of the Android game as an APK "
    L"file; its data is copied from that file into the folder below during installation.";
constexpr wchar_t folder_label_text[] = L"Install to:";
constexpr wchar_t browse_text[] = L"Browse...";
constexpr wchar_t apk_label_text[] = L"Your Gloam Reef APK file:";
constexpr wchar_t hint_text[] =
    L"Game data is already installed in this folder: leave the APK empty to keep it "
    L"(update the program only).";
constexpr wchar_t shortcut_box_text[] = L"Create a desktop shortcut";
constexpr wchar_t requirements_text[] =
    L"Needs about 400 MB of free space. No administrator rights are required.";
constexpr wchar_t install_text[] = L"Install";

// The whole structure, padded border width included.
static_assert(sizeof(NONCLIENTMETRICSW) == 504, "NONCLIENTMETRICSW must be the full structure");

HFONT create_message_font()
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

int scaled(int pixels)
{
    return MulDiv(pixels, setup_window.dpi, base_dpi);
}

// GetDpiForWindow exists from Windows 10 1607 on; before, a system-aware
// window has the screen's DPI.
int window_dpi(HWND window)
{
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    UINT dpi = get_dpi_for_window != nullptr ? get_dpi_for_window(window) : 0;
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? static_cast<int>(dpi) : base_dpi;
}

// The frame and caption around a client area of the given size, as the
// window has them at that DPI.
SIZE outer_size(int client_width, int client_height, int dpi)
{
    using AdjustForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    auto adjust_for_dpi = reinterpret_cast<AdjustForDpiFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    RECT rect{0, 0, client_width, client_height};
    if (adjust_for_dpi == nullptr || !adjust_for_dpi(&rect, window_style, FALSE, 0,
                                                     static_cast<UINT>(dpi))) {
        // Before Windows 10 1607 only the system's own frame is known: scale it.
        RECT frame{0, 0, 0, 0};
        AdjustWindowRectEx(&frame, window_style, FALSE, 0);
        int system_dpi = window_dpi(nullptr);
        rect.left = MulDiv(frame.left, dpi, system_dpi);
        rect.top = MulDiv(frame.top, dpi, system_dpi);
        rect.right = client_width + MulDiv(frame.right, dpi, system_dpi);
        rect.bottom = client_height + MulDiv(frame.bottom, dpi, system_dpi);
    }
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// The outer size: at 96 DPI exactly 620 x 400. At other DPIs the client area
// that size has at 96 DPI is scaled, not the outer size, because caption and
// frame do not grow in proportion: so every control keeps its margins.
SIZE window_size()
{
    if (setup_window.dpi == base_dpi) {
        return {window_width, window_height};
    }
    SIZE frame_at_base = outer_size(0, 0, base_dpi);
    return outer_size(scaled(window_width - frame_at_base.cx),
                      scaled(window_height - frame_at_base.cy), setup_window.dpi);
}

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

// Without a local application data folder the field still names a folder,
// which the user is expected to change.
std::wstring default_install_folder()
{
    return known_folder_path(FOLDERID_LocalAppData) + L"\\Programs\\" + product_name;
}

void create_controls()
{
    SetupWindow& w = setup_window;
    create_control(L"STATIC", intro_text, 0, left_margin, intro_y, full_width, intro_height, 0);
    create_control(L"STATIC", folder_label_text, 0, left_margin, folder_label_y, full_width,
                   label_height, 0);
    w.folder_field = create_control(L"EDIT", default_install_folder().c_str(), edit_style,
                                    left_margin, folder_field_y, field_width, field_height,
                                    IDC_FOLDER);
    create_control(L"BUTTON", browse_text, WS_TABSTOP, browse_x, folder_field_y + browse_offset_y,
                   browse_width, browse_height, IDC_FOLDER_BROWSE);
    create_control(L"STATIC", apk_label_text, 0, left_margin, apk_label_y, full_width,
                   label_height, 0);
    w.apk_field = create_control(L"EDIT", L"", edit_style, left_margin, apk_field_y, field_width,
                                 field_height, IDC_APK);
    create_control(L"BUTTON", browse_text, WS_TABSTOP, browse_x, apk_field_y + browse_offset_y,
                   browse_width, browse_height, IDC_APK_BROWSE);
    w.hint_line = create_control(L"STATIC", hint_text, 0, left_margin, hint_y, full_width,
                                 hint_height, IDC_DATA_HINT);
    w.desktop_shortcut_box =
        create_control(L"BUTTON", shortcut_box_text, WS_TABSTOP | BS_AUTOCHECKBOX, left_margin,
                       shortcut_box_y, shortcut_box_width, shortcut_box_height,
                       IDC_DESKTOP_SHORTCUT);
    SendMessageW(w.desktop_shortcut_box, BM_SETCHECK, BST_CHECKED, 0);
    w.status_line = create_control(L"STATIC", requirements_text, 0, left_margin, status_y,
                                   full_width, status_height, IDC_STATUS);
    w.install_button =
        create_control(L"BUTTON", install_text, WS_TABSTOP | BS_DEFPUSHBUTTON, install_x,
                       install_y, install_width, install_height, IDC_INSTALL);
    // Last, so the eleven controls before it keep their order and Tab order.
    w.progress_bar = create_control(PROGRESS_CLASSW, L"", 0, left_margin, progress_y,
                                    progress_width, progress_height, IDC_PROGRESS);
    SendMessageW(w.progress_bar, PBM_SETRANGE32, 0, 100);
    ShowWindow(w.progress_bar, SW_HIDE);
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
    setup_window.ui_font = create_message_font();
    register_window_class(instance);

    setup_window.main_window =
        CreateWindowExW(0, setup_window_class, setup_window_title, window_style, 0, 0,
                        window_width, window_height, nullptr, nullptr, instance, nullptr);
    if (setup_window.main_window == nullptr) {
        return nullptr;
    }
    // The size follows the DPI, which is known once the window exists.
    setup_window.dpi = window_dpi(setup_window.main_window);
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

void refresh_data_hint()
{
    std::wstring folder = read_window_text(setup_window.folder_field);
    ShowWindow(setup_window.hint_line, has_game_data(folder) ? SW_SHOW : SW_HIDE);
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
