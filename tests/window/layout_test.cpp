// The window as it first appears at the prefix's display scale: frame,
// controls, initial state, Tab order.
#include <vector>

#include "test_paths.h"

#include "app/text.h"
#include "install/layout.h"
#include "support/test_support.h"
#include "window/setup_session.h"

namespace {

struct ExpectedControl {
    const wchar_t* class_name;
    const wchar_t* text;
    DWORD style;  // without WS_CHILD | WS_VISIBLE
    int x, y, width, height;  // at 96 DPI
    int id;
};

const wchar_t intro[] =
    L"This installs the PC port of Gloam Reef (the 2011 mobile game by Ostrane / Quillmoor).\r\n"
    L"\r\nThe game itself is not included. You need your own copy of the Android game as an "
    L"APK file; its data is copied from that file into the folder below during installation.";
const wchar_t hint[] =
    L"Game data is already installed in this folder: leave the APK empty to keep it (update "
    L"the program only).";

std::vector<ExpectedControl> expected_controls(const std::wstring& folder)
{
    static std::wstring folder_text;
    folder_text = folder;
    return {
        {L"Static", intro, 0, 20, 16, 570, 74, 0},
        {L"Static", L"Install to:", 0, 20, 100, 570, 18, 0},
        {L"Edit", folder_text.c_str(), WS_TABSTOP | ES_AUTOHSCROLL, 20, 120, 470, 24, 100},
        {L"Button", L"Browse...", WS_TABSTOP, 500, 119, 90, 26, 101},
        {L"Static", L"Your Gloam Reef APK file:", 0, 20, 160, 570, 18, 0},
        {L"Edit", L"", WS_TABSTOP | ES_AUTOHSCROLL, 20, 180, 470, 24, 102},
        {L"Button", L"Browse...", WS_TABSTOP, 500, 179, 90, 26, 103},
        {L"Static", hint, 0, 20, 210, 570, 34, 107},
        {L"Button", L"Create a desktop shortcut", WS_TABSTOP | BS_AUTOCHECKBOX, 20, 250, 300, 22,
         104},
        {L"Static", L"Needs about 400 MB of free space. No administrator rights are required.", 0,
         20, 290, 570, 20, 106},
        {L"Button", L"Install", WS_TABSTOP | BS_DEFPUSHBUTTON, 470, 318, 120, 32, 105},
        {L"msctls_progress32", L"", 0, 20, 324, 440, 20, 108},
    };
}

// Declared from Windows 10 1607 on; the build targets Windows 7.
extern "C" __declspec(dllimport) BOOL WINAPI SystemParametersInfoForDpi(UINT, UINT, void*, UINT,
                                                                         UINT);

int screen_dpi()
{
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The system's message font at a DPI, which the window gives every control.
LOGFONTW message_font(int dpi)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
    return metrics.lfMessageFont;
}

// What the text needs in the font: wrapped at width as a static control
// wraps it.
SIZE text_extent(const LOGFONTW& font, const std::wstring& text, int width,
                 UINT format = DT_WORDBREAK)
{
    HFONT handle = CreateFontIndirectW(&font);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, handle);
    RECT rect{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), -1, &rect, DT_CALCRECT | DT_EXPANDTABS | format);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(handle);
    return {rect.right, rect.bottom};
}

// Pixels at 96 DPI as the window lays them out at a DPI: scaled by the DPI
// and by how much taller than the default 9-point one the message font is.
int scaled(int pixels, int dpi = screen_dpi())
{
    LOGFONTW font = message_font(dpi);
    LOGFONTW normal = font;
    normal.lfHeight = -MulDiv(9, dpi, 72);
    int height = text_extent(font, L"Ag", 0, 0).cy;
    int normal_height = text_extent(normal, L"Ag", 0, 0).cy;
    return height > normal_height ? MulDiv(pixels, dpi * height, 96 * normal_height)
                                  : MulDiv(pixels, dpi, 96);
}

// Every control where the table puts it at that DPI, with its class, text,
// id and style.
void expect_controls_at(HWND window, int dpi)
{
    std::vector<ControlView> controls = read_controls(window);
    std::vector<ExpectedControl> expected = expected_controls(default_install_folder());
    ASSERT_EQ(controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(i + 1));
        const ControlView& actual = controls[i];
        const ExpectedControl& wanted = expected[i];
        EXPECT_EQ(_wcsicmp(actual.class_name.c_str(), wanted.class_name), 0) << actual.class_name.c_str();
        EXPECT_EQ(actual.text, wanted.text);
        EXPECT_EQ(actual.id, wanted.id);
        EXPECT_EQ(actual.rect.left, scaled(wanted.x, dpi));
        EXPECT_EQ(actual.rect.top, scaled(wanted.y, dpi));
        EXPECT_EQ(actual.rect.right - actual.rect.left, scaled(wanted.width, dpi));
        EXPECT_EQ(actual.rect.bottom - actual.rect.top, scaled(wanted.height, dpi));
        // The hint follows the folder, the bar waits for an install.
        DWORD visible = wanted.id == IDC_DATA_HINT ? (actual.style & WS_VISIBLE)
                        : wanted.id == IDC_PROGRESS ? 0
                                                    : WS_VISIBLE;
        EXPECT_EQ(actual.style, wanted.style | WS_CHILD | visible);
        bool is_edit = _wcsicmp(wanted.class_name, L"Edit") == 0;
        EXPECT_EQ(actual.extended_style & WS_EX_CLIENTEDGE, is_edit ? WS_EX_CLIENTEDGE : 0u);
    }
}

// The controls in the message font of that DPI, and every text whole in its
// control: the statics' (also the status line's texts of an install), the
// buttons' (also Cancel) and a line of the edit fields.
void expect_texts_fit(HWND window, int dpi)
{
    LOGFONTW font = message_font(dpi);
    // Font handles cannot be read from another process; an edit field shows
    // where a character starts in the font the window gives its controls.
    HWND folder = GetDlgItem(window, IDC_FOLDER);
    LRESULT first = SendMessageW(folder, EM_POSFROMCHAR, 0, 0);
    LRESULT last = SendMessageW(folder, EM_POSFROMCHAR, 12, 0);
    EXPECT_EQ(LOWORD(last) - LOWORD(first),
              text_extent(font, window_text(folder).substr(0, 12), 0, 0).cx);
    for (const ControlView& view : read_controls(window)) {
        SCOPED_TRACE("control " + std::to_string(view.id));
        int width = view.rect.right - view.rect.left;
        int height = view.rect.bottom - view.rect.top;
        if (_wcsicmp(view.class_name.c_str(), L"Edit") == 0) {
            RECT client;
            GetClientRect(view.window, &client);
            EXPECT_GE(client.bottom, text_extent(font, L"Ag", 0, 0).cy);
            continue;
        }
        std::vector<std::wstring> texts = {view.text};
        UINT format = DT_WORDBREAK;
        if (_wcsicmp(view.class_name.c_str(), L"Button") == 0) {
            // Room for the frame of a push button or the box of a check box.
            bool check_box = (view.style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
            width -= MulDiv(check_box ? 16 : 6, dpi, 96);
            format = DT_SINGLELINE;
        }
        if (view.id == IDC_STATUS) {
            texts.insert(texts.end(), {L"Importing the game data from your APK (this takes a "
                                       L"moment)...", L"Copying the game program...",
                                       L"Creating shortcuts...", L"Not installed.",
                                       L"Stopping the installation...",
                                       L"Installation cancelled. Nothing was changed.",
                                       L"Waiting for another program to close its files in "
                                       L"gamedata.new..."});
        }
        if (view.id == IDC_INSTALL) {
            texts.push_back(L"Cancel");
        }
        for (const std::wstring& text : texts) {
            SIZE needed = text_extent(font, text, width, format);
            EXPECT_LE(needed.cy, height) << wide_to_utf8(text);
            EXPECT_LE(needed.cx, width) << wide_to_utf8(text);
        }
    }
}

// Game data in a folder that did not exist; removes every folder it had to
// make, and nothing that was there before.
struct PlantedGameData {
    std::wstring first_made;
    bool planted = false;
    explicit PlantedGameData(const std::wstring& install_folder)
    {
        first_made = install_folder;
        for (std::wstring parent = install_folder.substr(0, install_folder.rfind(L'\\'));
             !path_exists(parent); parent = parent.substr(0, parent.rfind(L'\\'))) {
            first_made = parent;
        }
        if (!path_exists(install_folder)) {
            planted = plant_game_data(install_folder);
        }
    }
    ~PlantedGameData()
    {
        if (planted) {
            remove_test_folder(first_made);
        }
    }
};

} // namespace

// The layout tests, which also run at 120 and 192 DPI.
class SetupWindowLayout : public SetupWindowTest {};

TEST_F(SetupWindowLayout, MainWindowIsFixedSizeCentredAndOnScreen)
{
    EXPECT_EQ(window_text(window), setup_title);
    wchar_t class_name[64] = {};
    GetClassNameW(window, class_name, 64);
    EXPECT_STREQ(class_name, setup_class);

    DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    DWORD frame_bits = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME |
                       WS_POPUP | WS_CHILD;
    EXPECT_EQ(style & frame_bits, static_cast<DWORD>(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);

    RECT frame;
    GetWindowRect(window, &frame);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    if (scaled(96) == 96) {
        EXPECT_TRUE(width == 620 && height == 400) << width << " x " << height;
    }
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    RECT work_area, client;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work_area, 0);
    EXPECT_TRUE(frame.left >= work_area.left && frame.top >= work_area.top &&
                frame.right <= work_area.right && frame.bottom <= work_area.bottom);
    // Every control lies inside the client area with a margin to spare,
    // whatever the caption and border cost (19 px of caption in Wine 8, 26 in
    // Wine 10, more with Windows 10's padded borders).
    GetClientRect(window, &client);
    for (const ControlView& view : read_controls(window)) {
        SCOPED_TRACE("control " + std::to_string(view.id));
        EXPECT_GE(view.rect.left, scaled(8));
        EXPECT_GE(view.rect.top, scaled(8));
        EXPECT_LE(view.rect.right, client.right - scaled(8));
        EXPECT_LE(view.rect.bottom, client.bottom - scaled(8));
    }

    // No sizing border: a resize request through the frame does nothing.
    EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(frame.right - 1, frame.bottom - 1)),
              HTBORDER);

    close_window(window);
    EXPECT_TRUE(wait_for_window_gone(window));
    EXPECT_EQ(finish(), 0u);
}

// The table's controls at the prefix's DPI and font, every text whole; then
// moved to a monitor of another scale and back, as WM_DPICHANGED tells a
// per-monitor aware window: that DPI's layout and font in the rectangle
// Windows suggests, and back at the start the first layout exactly.
TEST_F(SetupWindowLayout, EveryTextFitsItsControlAtTheDpiAndAfterAMoveAndBack)
{
    EXPECT_TRUE(is_checked(control(IDC_DESKTOP_SHORTCUT)));
    EXPECT_TRUE(input_controls_enabled(true));
    int start = screen_dpi();
    expect_controls_at(window, start);
    expect_texts_fit(window, start);

    RECT original;
    GetWindowRect(window, &original);
    for (int dpi : {start == 144 ? 96 : 144, start}) {
        SCOPED_TRACE("at " + std::to_string(dpi) + " DPI");
        // The window takes the rectangle Windows suggests as it is: here the
        // frame scaled about its top left corner.
        RECT suggested{original.left, original.top,
                       original.left + MulDiv(original.right - original.left, dpi, start),
                       original.top + MulDiv(original.bottom - original.top, dpi, start)};
        ASSERT_TRUE(send_rect_message(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), suggested));
        RECT now;
        GetWindowRect(window, &now);
        EXPECT_TRUE(EqualRect(&now, &suggested));
        expect_controls_at(window, dpi);
        expect_texts_fit(window, dpi);
    }
}

TEST_F(SetupWindowTest, TabVisitsTheInputControlsInOrder)
{
    std::vector<int> expected = {IDC_FOLDER,           IDC_FOLDER_BROWSE, IDC_APK, IDC_APK_BROWSE,
                                 IDC_DESKTOP_SHORTCUT, IDC_INSTALL,       IDC_FOLDER};
    std::vector<int> visited;
    for (size_t i = 0; i < expected.size(); ++i) {
        HWND before = focused_window(window);
        press_key(window, VK_TAB);
        wait_until([&] { return focused_window(window) != before; });
        visited.push_back(GetDlgCtrlID(focused_window(window)));
    }
    EXPECT_EQ(visited, expected);

    // Backwards, as Shift+Tab goes: the same six in reverse.
    std::vector<int> backwards;
    HWND item = control(IDC_FOLDER);
    for (int i = 0; i < 6; ++i) {
        item = GetNextDlgTabItem(window, item, TRUE);
        backwards.push_back(GetDlgCtrlID(item));
    }
    EXPECT_EQ(backwards, (std::vector<int>{IDC_INSTALL, IDC_DESKTOP_SHORTCUT, IDC_APK_BROWSE,
                                           IDC_APK, IDC_FOLDER_BROWSE, IDC_FOLDER}));
}

namespace {

// Starts the program, reads whether the hint shows, and closes it again.
bool hint_shown_at_start()
{
    RunningProgram program = start_program(GLOAMREEF_SETUP_EXE, L"");
    HWND window = wait_for_window(program.id, setup_class, setup_title);
    bool shown = window != nullptr && IsWindowVisible(GetDlgItem(window, IDC_DATA_HINT));
    if (window != nullptr) {
        close_window(window);
    }
    EXPECT_EQ(finish_program(program), 0u);
    return shown;
}

} // namespace

TEST(SetupWindowStart, HintMatchesTheDefaultFolder)
{
    std::wstring folder = default_install_folder();
    if (!path_exists(folder)) {
        EXPECT_FALSE(hint_shown_at_start());
        PlantedGameData planted(folder);
        ASSERT_TRUE(planted.planted);
        EXPECT_TRUE(hint_shown_at_start());
    } else {
        // Something else made the folder: only its present state can be checked.
        EXPECT_EQ(hint_shown_at_start(), has_game_data(folder));
    }
}
