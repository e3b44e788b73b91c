// One run of the real setup program's window for a test: started with no
// arguments, found by its class and title, always ended again.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/gui_driver.h"
#include "ui/control_ids.h"

constexpr wchar_t setup_class[] = L"GloamReefPortSetup";
constexpr wchar_t setup_title[] = L"Gloam Reef Voduze PC Viru - Setup";
constexpr wchar_t box_caption[] = L"Gloam Reef Voduze PC Viru";

class SetupWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    // Answers any box still open, closes the window and ends the program.
    void TearDown() override;

    HWND control(int id) const { return GetDlgItem(window, id); }
    std::wstring status_text() const { return window_text(control(IDC_STATUS)); }
    bool hint_visible() const { return IsWindowVisible(control(IDC_DATA_HINT)) != FALSE; }

    // Presses Install, or Enter in the field with that id, and reads the
    // message box that it must bring up.
    MessageBoxView install_expecting_box(int enter_in = 0);
    void press_enter_in(int field_id);

    // Checks a box of the window's: the product caption, owned by the window,
    // with this text, these buttons and this system icon.
    void expect_window_box(const MessageBoxView& box, const std::wstring& text,
                           const std::vector<int>& buttons, const wchar_t* icon) const;

    // True when every one of the six input controls is enabled (or, with
    // false, every one disabled).
    bool input_controls_enabled(bool enabled) const;

    // Ends the program and returns its exit code.
    DWORD finish();

    RunningProgram program;
    HWND window = nullptr;
    std::wstring start_folder;  // the program's working folder; empty: the test's
};

// The default install folder the window proposes in this Wine prefix.
std::wstring default_install_folder();

// Makes folder\gamedata\libGloamReef.so (and any missing folder on the way).
bool plant_game_data(const std::wstring& folder);
