// The setup window's control table and its scaling to the window's DPI and
// to the user's message font.
#include "ui/window_layout.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "app/text.h"
#include "install/layout.h"
#include "ui/setup_window.h"

namespace {

// Every number below is a pixel at 96 DPI with the default message font.
// The manifest declares the process DPI aware (per monitor where Windows
// offers it), so Windows does not stretch the window's bitmap: the layout is
// scaled instead, by the DPI and by the font, as a dialog template's units are.
constexpr int base_dpi = 96;
// Windows' message font is 9 points by default (Segoe UI since Vista).
constexpr int default_message_font_points = 9;
constexpr int points_per_inch = 72;

// Outer size of the main window at 96 DPI, frame and caption included.
constexpr int window_width = 620;
constexpr int window_height = 400;

constexpr int left_margin = 20;
constexpr int full_width = 570;  // labels, hint and status line
constexpr int field_width = 470;
constexpr int field_height = 24;
constexpr int browse_x = 500;
constexpr int browse_width = 90;
constexpr int browse_height = 26;
constexpr int label_height = 18;
// Browse buttons sit one pixel above their field and are two pixels taller.
constexpr int browse_offset_y = -1;

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

struct ControlPlace {
    const wchar_t* class_name;
    const wchar_t* text;  // null: the default install folder
    DWORD style;
    int x, y, width, height;
    int id;
};

// In Tab order; the progress bar last, so the eleven before it keep their order.
constexpr ControlPlace control_table[] = {
    {L"STATIC", intro_text, 0, left_margin, intro_y, full_width, intro_height, 0},
    {L"STATIC", folder_label_text, 0, left_margin, folder_label_y, full_width, label_height, 0},
    {L"EDIT", nullptr, edit_style, left_margin, folder_field_y, field_width, field_height,
     IDC_FOLDER},
    {L"BUTTON", browse_text, WS_TABSTOP, browse_x, folder_field_y + browse_offset_y, browse_width,
     browse_height, IDC_FOLDER_BROWSE},
    {L"STATIC", apk_label_text, 0, left_margin, apk_label_y, full_width, label_height, 0},
    {L"EDIT", L"", edit_style, left_margin, apk_field_y, field_width, field_height, IDC_APK},
    {L"BUTTON", browse_text, WS_TABSTOP, browse_x, apk_field_y + browse_offset_y, browse_width,
     browse_height, IDC_APK_BROWSE},
    {L"STATIC", hint_text, 0, left_margin, hint_y, full_width, hint_height, IDC_DATA_HINT},
    {L"BUTTON", shortcut_box_text, WS_TABSTOP | BS_AUTOCHECKBOX, left_margin, shortcut_box_y,
     shortcut_box_width, shortcut_box_height, IDC_DESKTOP_SHORTCUT},
    {L"STATIC", requirements_text, 0, left_margin, status_y, full_width, status_height,
     IDC_STATUS},
    {L"BUTTON", install_button_text, WS_TABSTOP | BS_DEFPUSHBUTTON, install_x, install_y,
     install_width, install_height, IDC_INSTALL},
    {PROGRESS_CLASSW, L"", 0, left_margin, progress_y, progress_width, progress_height,
     IDC_PROGRESS},
};

// The labels have no id to find them by.
HWND placed_controls[std::size(control_table)] = {};

// The whole structure, padded border width included.
static_assert(sizeof(NONCLIENTMETRICSW) == 504, "NONCLIENTMETRICSW must be the full structure");

// A function of user32 that older Windows lacks, or null.
template <typename Function>
Function user32_function(const char* name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// The user's message font as it is at this DPI.
LOGFONTW message_font_for_dpi(int dpi)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    using ForDpiFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    auto for_dpi = user32_function<ForDpiFunction>("SystemParametersInfoForDpi");
    if (for_dpi != nullptr &&
        for_dpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi))) {
        return metrics.lfMessageFont;
    }
    // Before Windows 10 1607 the metrics are those of the system's DPI.
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    metrics.lfMessageFont.lfHeight =
        MulDiv(metrics.lfMessageFont.lfHeight, dpi, window_dpi(nullptr));
    return metrics.lfMessageFont;
}

// Height of a line of text in the font, leading included.
int line_height(const LOGFONTW& font)
{
    HFONT handle = CreateFontIndirectW(&font);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, handle);
    TEXTMETRICW metrics{};
    int height = GetTextMetricsW(dc, &metrics) ? metrics.tmHeight : 0;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(handle);
    return height;
}

// The frame and caption around a client area of the given size, as the
// window has them at that DPI.
SIZE outer_size(int client_width, int client_height, int dpi)
{
    using AdjustForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    auto adjust_for_dpi = user32_function<AdjustForDpiFunction>("AdjustWindowRectExForDpi");
    RECT rect{0, 0, client_width, client_height};
    if (adjust_for_dpi == nullptr || !adjust_for_dpi(&rect, setup_window_style, FALSE, 0,
                                                     static_cast<UINT>(dpi))) {
        // Before Windows 10 1607 only the system's own frame is known: scale it.
        RECT frame{0, 0, 0, 0};
        AdjustWindowRectEx(&frame, setup_window_style, FALSE, 0);
        int system_dpi = window_dpi(nullptr);
        rect.left = MulDiv(frame.left, dpi, system_dpi);
        rect.top = MulDiv(frame.top, dpi, system_dpi);
        rect.right = client_width + MulDiv(frame.right, dpi, system_dpi);
        rect.bottom = client_height + MulDiv(frame.bottom, dpi, system_dpi);
    }
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// Without a local application data folder the field still names a folder,
// which the user is expected to change.
std::wstring default_install_folder()
{
    return known_folder_path(FOLDERID_LocalAppData) + L"\\Programs\\" + product_name;
}

} // namespace

void choose_font_and_scale(int dpi)
{
    LOGFONTW font = message_font_for_dpi(dpi);
    LOGFONTW normal = font;
    normal.lfHeight = -MulDiv(default_message_font_points, dpi, points_per_inch);
    normal.lfWidth = 0;
    int height = line_height(font);
    int normal_height = line_height(normal);

    SetupWindow& w = setup_window;
    w.dpi = dpi;
    w.ui_font = CreateFontIndirectW(&font);
    // A font that is not taller than the default (Wine's 8-point one) keeps
    // the layout it was drawn for.
    bool larger = normal_height > 0 && height > normal_height;
    w.scale_numerator = larger ? dpi * height : dpi;
    w.scale_denominator = larger ? base_dpi * normal_height : base_dpi;
}

void fit_scale_to(const RECT& work_area)
{
    SetupWindow& w = setup_window;
    // The numerator that gives the DPI's scale alone.
    int dpi_numerator = MulDiv(w.dpi, w.scale_denominator, base_dpi);
    for (;;) {
        SIZE size = window_size();
        if (w.scale_numerator <= dpi_numerator || (size.cx <= work_area.right - work_area.left &&
                                                    size.cy <= work_area.bottom - work_area.top)) {
            return;
        }
        w.scale_numerator = std::max(dpi_numerator, w.scale_numerator * 19 / 20);
    }
}

int scaled(int pixels)
{
    return MulDiv(pixels, setup_window.scale_numerator, setup_window.scale_denominator);
}

int window_dpi(HWND window)
{
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    auto get_dpi_for_window = user32_function<GetDpiForWindowFunction>("GetDpiForWindow");
    UINT dpi = get_dpi_for_window != nullptr && window != nullptr ? get_dpi_for_window(window) : 0;
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? static_cast<int>(dpi) : base_dpi;
}

// At other scales the client area that 620 x 400 has at 96 DPI is scaled,
// not the outer size, because caption and frame do not grow in proportion:
// so every control keeps its margins.
SIZE window_size()
{
    const SetupWindow& w = setup_window;
    if (w.dpi == base_dpi && w.scale_numerator == w.scale_denominator) {
        return {window_width, window_height};
    }
    SIZE frame_at_base = outer_size(0, 0, base_dpi);
    return outer_size(scaled(window_width - frame_at_base.cx),
                      scaled(window_height - frame_at_base.cy), w.dpi);
}

void create_controls()
{
    std::wstring folder = default_install_folder();
    for (size_t i = 0; i < std::size(control_table); ++i) {
        const ControlPlace& place = control_table[i];
        placed_controls[i] =
            create_control(place.class_name, place.text != nullptr ? place.text : folder.c_str(),
                           place.style, place.x, place.y, place.width, place.height, place.id);
    }
    SetupWindow& w = setup_window;
    w.folder_field = GetDlgItem(w.main_window, IDC_FOLDER);
    w.apk_field = GetDlgItem(w.main_window, IDC_APK);
    w.hint_line = GetDlgItem(w.main_window, IDC_DATA_HINT);
    w.desktop_shortcut_box = GetDlgItem(w.main_window, IDC_DESKTOP_SHORTCUT);
    w.status_line = GetDlgItem(w.main_window, IDC_STATUS);
    w.install_button = GetDlgItem(w.main_window, IDC_INSTALL);
    w.progress_bar = GetDlgItem(w.main_window, IDC_PROGRESS);
    SendMessageW(w.desktop_shortcut_box, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(w.progress_bar, PBM_SETRANGE32, 0, 100);
    ShowWindow(w.progress_bar, SW_HIDE);
}

void lay_out_controls()
{
    for (size_t i = 0; i < std::size(control_table); ++i) {
        const ControlPlace& place = control_table[i];
        SetWindowPos(placed_controls[i], nullptr, scaled(place.x), scaled(place.y),
                     scaled(place.width), scaled(place.height), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(placed_controls[i], WM_SETFONT,
                     reinterpret_cast<WPARAM>(setup_window.ui_font), TRUE);
    }
}

void change_dpi(HWND window, int dpi, const RECT& suggested)
{
    HFONT old_font = setup_window.ui_font;
    choose_font_and_scale(dpi);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromRect(&suggested, MONITOR_DEFAULTTONEAREST), &monitor)) {
        fit_scale_to(monitor.rcWork);
    }
    lay_out_controls();
    DeleteObject(old_font);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}
