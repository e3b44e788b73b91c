// The window as it first appears: frame, controls, initial state, Tab order.
#include <vector>

#include "test_paths.h"

#include "install/layout.h"
#include "support/test_support.h"
#include "window/setup_session.h"

namespace {

struct ExpectedControl {
    const wchar_t* class_name;
    const wchar_t* text;
    DWORD style;  // without WS_CHILD | WS_VISIBLE
    int x, y, width, height;
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
    };
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

TEST_F(SetupWindowTest, MainWindowIsFixedSizeAndCentred)
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
    EXPECT_EQ(frame.right - frame.left, 620);
    EXPECT_EQ(frame.bottom - frame.top, 400);
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - 620) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - 400) / 2);

    // No sizing border: a resize request through the frame does nothing.
    EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(frame.right - 1, frame.bottom - 1)),
              HTBORDER);

    close_window(window);
    EXPECT_TRUE(wait_for_window_gone(window));
    EXPECT_EQ(finish(), 0u);
}

TEST_F(SetupWindowTest, ElevenControlsInCreationOrder)
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
        EXPECT_EQ(actual.rect.left, wanted.x);
        EXPECT_EQ(actual.rect.top, wanted.y);
        EXPECT_EQ(actual.rect.right - actual.rect.left, wanted.width);
        EXPECT_EQ(actual.rect.bottom - actual.rect.top, wanted.height);
        // The hint's visibility follows the folder; every other control is visible.
        DWORD visible = wanted.id == IDC_DATA_HINT ? (actual.style & WS_VISIBLE) : WS_VISIBLE;
        EXPECT_EQ(actual.style, wanted.style | WS_CHILD | visible);
        bool is_edit = _wcsicmp(wanted.class_name, L"Edit") == 0;
        EXPECT_EQ(actual.extended_style & WS_EX_CLIENTEDGE, is_edit ? WS_EX_CLIENTEDGE : 0u);
    }
    EXPECT_TRUE(is_checked(control(IDC_DESKTOP_SHORTCUT)));
    EXPECT_TRUE(input_controls_enabled(true));
}

TEST_F(SetupWindowTest, TabVisitsTheInputControlsInOrder)
{
    std::vector<int> expected = {IDC_FOLDER,           IDC_FOLDER_BROWSE, IDC_APK, IDC_APK_BROWSE,
                                 IDC_DESKTOP_SHORTCUT, IDC_INSTALL,       IDC_FOLDER};
    std::vector<int> visited;
    for (size_t i = 0; i < expected.size(); ++i) {
        HWND before = focused_window(window);
        press_key(window, VK_TAB);
        wait_until([&] { return focused_window(window) != before; }, 3000);
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
