// Installs started from the window: the stages and progress it shows, the
// end-of-install question, a failed install and its retry, stopping an
// install, closing and log-off.
#include <shlobj.h>

#include <commctrl.h>

#include <algorithm>
#include <map>

#include "app/text.h"
#include "install/layout.h"
#include "support/fixture_files.h"
#include "support/install_inspection.h"
#include "support/test_support.h"
#include "test_paths.h"
#include "window/setup_session.h"

namespace {

const wchar_t importing_text[] = L"Importing the game data from your APK (this takes a moment)...";
const wchar_t copying_text[] = L"Copying the game program...";
const wchar_t shortcuts_text[] = L"Creating shortcuts...";
const wchar_t installed_text[] = L"Installed.";
const wchar_t not_installed_text[] = L"Not installed.";
const wchar_t question_text[] = L"Gloam Reef Voduze PC Viru is installed.\n\nStart the game now?";
const wchar_t stop_text[] = L"Stop the installation? Nothing that is installed now is changed.";
const wchar_t stopping_text[] = L"Stopping the installation...";
const wchar_t cancelled_text[] = L"Installation cancelled. Nothing was changed.";

std::wstring desktop_link()
{
    return known_folder_path(FOLDERID_Desktop) + L"\\Gloam Reef Voduze PC Viru.lnk";
}

// True when every text of seen appears in allowed, in the same order.
bool in_order(const std::vector<std::wstring>& seen, const std::vector<std::wstring>& allowed)
{
    auto next = allowed.begin();
    for (const std::wstring& text : seen) {
        next = std::find(next, allowed.end(), text);
        if (next == allowed.end()) {
            return false;
        }
        ++next;
    }
    return true;
}

// What an installation consists of outside its folder: the uninstall entry's
// values and both links, by name, with their bytes.
std::map<std::wstring, std::string> registration()
{
    std::map<std::wstring, std::string> found;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, uninstall_key_path, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        wchar_t name[256];
        for (DWORD i = 0, length = 256; RegEnumValueW(key, i, name, &length, nullptr, nullptr,
                                                      nullptr, nullptr) == ERROR_SUCCESS;
             ++i, length = 256) {
            found[name] = read_registry_value(HKEY_CURRENT_USER, uninstall_key_path, name).bytes;
        }
        RegCloseKey(key);
    }
    for (std::wstring link : {shortcut_path(known_folder_path(FOLDERID_Programs)), desktop_link()}) {
        found[link] = path_exists(link) ? read_file(link) : "(none)";
    }
    return found;
}

} // namespace

class InstallFlowTest : public SetupWindowTest {
protected:
    void SetUp() override
    {
        temp = make_temp_folder(L"flow");
        ASSERT_FALSE(temp.empty());
        folder = temp + L"\\Reef";
        start_folder = temp;  // what a relative folder is taken against
        SetupWindowTest::SetUp();
    }

    void TearDown() override
    {
        SetupWindowTest::TearDown();
        remove_install_registration();
        remove_test_folder(temp);
    }

    void fill_in(const std::wstring& install_folder, const std::wstring& apk)
    {
        set_control_text(control(IDC_FOLDER), install_folder);
        set_control_text(control(IDC_APK), apk);
    }

    // Follows the status line and the progress bar until the window shows a
    // message box; records every distinct text and bar position on the way.
    MessageBoxView watch_until_box()
    {
        std::wstring last = status_text();
        DWORD start = GetTickCount();
        for (unsigned polls = 1; GetTickCount() - start < 60000; ++polls) {
            std::wstring now = status_text();
            if (now != last) {
                status_texts.push_back(now);
                last = now;
            }
            if (now == copying_text || now == shortcuts_text) {
                cancel_after_import |= IsWindowEnabled(control(IDC_INSTALL)) != FALSE;
            }
            if (progress_visible() &&
                (progress_seen.empty() || progress_seen.back() != progress_position())) {
                progress_seen.push_back(progress_position());
            }
            // Looking for the box costs more than reading a text: not every time.
            if (polls % 8 == 0) {
                MessageBoxView box = wait_for_message_box(program.id, 0);
                if (box.window != nullptr) {
                    return box;
                }
            }
        }
        return {};
    }

    MessageBoxView install_and_watch(int enter_in = 0)
    {
        status_texts.clear();
        progress_seen.clear();
        cancel_after_import = false;
        enter_in != 0 ? press_enter_in(enter_in) : void(press_button(window, IDC_INSTALL));
        return watch_until_box();
    }

    bool progress_visible() const { return IsWindowVisible(control(IDC_PROGRESS)) != FALSE; }
    int progress_position() const
    {
        return static_cast<int>(SendMessageW(control(IDC_PROGRESS), PBM_GETPOS, 0, 0));
    }

    void expect_question(const MessageBoxView& box, const std::wstring& text = question_text)
    {
        ASSERT_NE(box.window, nullptr) << "no question after the install";
        EXPECT_FALSE(cancel_after_import) << "Cancel was offered past the point of no return";
        expect_window_box(box, text, {IDYES, IDNO}, IDI_INFORMATION);
        EXPECT_EQ(status_text(), installed_text);
        // They stay disabled until the window is gone.
        EXPECT_TRUE(input_controls_enabled(false));
        // The bar went to its end and was hidden again with the install.
        EXPECT_FALSE(progress_visible());
        EXPECT_EQ(progress_position(), 100);
    }

    void expect_failure_box(const MessageBoxView& box, const std::wstring& failure_text)
    {
        ASSERT_NE(box.window, nullptr) << "no error box after the install";
        expect_window_box(box, failure_text, {IDOK}, IDI_ERROR);
        EXPECT_EQ(status_text(), not_installed_text);
        EXPECT_TRUE(input_controls_enabled(false));
        EXPECT_FALSE(progress_visible());
        EXPECT_EQ(window_text(control(IDC_INSTALL)), L"Install");
    }

    // Starts an install of the slow APK into the folder and waits until it imports.
    void start_slow_import(const std::wstring& install_folder)
    {
        fill_in(install_folder, fixture_path("window_slow_game.apk"));
        press_button(window, IDC_INSTALL);
        ASSERT_TRUE(wait_until([&] { return status_text() == importing_text; }, 10000));
    }

    // Asks to stop the running import through the button, Escape or the close
    // box and answers the question. After Yes: the import stops at once (its
    // staged files take a while to delete under Wine), then the window is
    // ready for another install, with no box.
    void ask_to_stop(int through, int answer)
    {
        SCOPED_TRACE("asked through " + std::to_string(through));
        if (through == IDCANCEL) {
            press_key(window, VK_ESCAPE);
        } else if (through == IDCLOSE) {
            PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else {
            press_button(window, IDC_INSTALL);
        }
        MessageBoxView box = wait_for_message_box(program.id);
        ASSERT_NE(box.window, nullptr) << "no question";
        expect_window_box(box, stop_text, {IDYES, IDNO}, IDI_QUESTION);
        EXPECT_EQ(box.default_button, IDNO);
        DWORD answered_at = GetTickCount();
        dismiss(box, answer);
        if (answer != IDYES) {
            return;
        }
        EXPECT_TRUE(wait_until([&] { return status_text() != importing_text; }, 10000));
        EXPECT_LE(GetTickCount() - answered_at, 500u) << "the import did not stop in half a second";
        EXPECT_TRUE(in_order({status_text()}, {stopping_text, cancelled_text}));
        EXPECT_TRUE(wait_until([&] { return status_text() == cancelled_text; }, 20000));
        EXPECT_TRUE(wait_until([&] { return input_controls_enabled(true); }, 3000));
        EXPECT_EQ(window_text(control(IDC_INSTALL)), L"Install");
        EXPECT_FALSE(progress_visible());
        // A failure box would be up once the window has handled a message posted now.
        ASSERT_TRUE(wait_until_posted_handled(window));
        EXPECT_EQ(wait_for_message_box(program.id, 0).window, nullptr);
    }

    void dismiss(const MessageBoxView& box, int button)
    {
        press_button(box.window, button);
        EXPECT_TRUE(wait_for_window_gone(box.window));
    }

    std::wstring temp;
    std::wstring folder;
    std::vector<std::wstring> status_texts;
    std::vector<int> progress_seen;
    bool cancel_after_import = false;  // the button enabled after the point of no return
};

TEST_F(InstallFlowTest, YesStartsTheGameInTheInstallFolderAndEndsTheWindow)
{
    // Pasted with quotes, relative, with trailing backslashes and blanks: the
    // install gets the full folder. Enter in the APK field installs.
    fill_in(L"\"Reef\\ \\\" ", quote(fixture_path("install_game.apk")));
    MessageBoxView box = install_and_watch(IDC_APK);
    expect_question(box);
    EXPECT_EQ(read_registry_value(HKEY_CURRENT_USER, uninstall_key_path, L"InstallLocation").bytes,
              registry_text(folder));
    EXPECT_EQ(read_shortcut(shortcut_path(known_folder_path(FOLDERID_Programs))).target,
              folder + L"\\gloamreef.exe");
    EXPECT_TRUE(in_order(status_texts, {importing_text, copying_text, shortcuts_text,
                                        installed_text}));
    EXPECT_TRUE(path_exists(folder + L"\\gloamreef.exe"));
    EXPECT_TRUE(path_exists(folder + L"\\gamedata\\libGloamReef.so"));
    // The box was checked, as it is at start.
    EXPECT_TRUE(path_exists(desktop_link()));

    dismiss(box, IDYES);
    EXPECT_TRUE(wait_for_window_gone(window));
    EXPECT_EQ(finish(), 0u);
    // The stand-in game writes its log where it was started.
    std::wstring log = folder + L"\\gloamreef.log";
    ASSERT_TRUE(wait_until([&] { return path_exists(log) && !read_file(log).empty(); }, 15000));
    EXPECT_EQ(read_file(log),
              "started in " + wide_to_utf8(folder) + "; gamedata\\libGloamReef.so present\r\n");
}

TEST_F(InstallFlowTest, ProgramOnlyUpdateWithoutShortcutAndNoGame)
{
    ASSERT_TRUE(plant_game_data(folder));
    std::string planted = read_file(folder + L"\\gamedata\\libGloamReef.so");
    // The game data set aside by an install killed inside its swap counts,
    // and this install puts it back first.
    ASSERT_TRUE(MoveFileW((folder + L"\\gamedata").c_str(), (folder + L"\\gamedata.old").c_str()));
    press_button(window, IDC_DESKTOP_SHORTCUT);
    ASSERT_TRUE(wait_until([&] { return !is_checked(control(IDC_DESKTOP_SHORTCUT)); }));

    // An empty APK with game data in the folder installs without a word.
    fill_in(folder, L"");
    EXPECT_TRUE(wait_until([&] { return hint_visible(); }));
    EXPECT_FALSE(path_exists(folder + L"\\gamedata")) << "the hint changed the folder";
    MessageBoxView box = install_and_watch();
    expect_question(box);
    // No import stage when there is no APK.
    EXPECT_TRUE(in_order(status_texts, {copying_text, shortcuts_text, installed_text}));
    EXPECT_EQ(read_file(folder + L"\\gamedata\\libGloamReef.so"), planted);
    EXPECT_FALSE(path_exists(folder + L"\\gamedata.old"));
    EXPECT_TRUE(path_exists(folder + L"\\uninstall.exe"));
    EXPECT_FALSE(path_exists(desktop_link()));

    dismiss(box, IDNO);
    EXPECT_TRUE(wait_for_window_gone(window));
    // A game would have been started before the window went, and have written
    // its log before it ended.
    EXPECT_TRUE(all_processes_ended(program));
    EXPECT_FALSE(path_exists(folder + L"\\gloamreef.log")) << "No started the game";
    EXPECT_EQ(finish(), 0u);
}

TEST_F(InstallFlowTest, WhatTheInstallWaitsForAndAFailedDesktopLinkAreNamed)
{
    ASSERT_TRUE(plant_game_data(folder));
    // A scanner or a sync client holds the old game data: Windows renames no
    // folder meanwhile.
    HANDLE held = CreateFileW((folder + L"\\gamedata").c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    // A folder where the link must go, as a guarded desktop refuses the file.
    ASSERT_TRUE(CreateDirectoryW(desktop_link().c_str(), nullptr));
    fill_in(folder, fixture_path("install_game.apk"));
    press_button(window, IDC_INSTALL);
    EXPECT_TRUE(wait_until(
        [&] { return status_text() == L"Waiting for another program to close its files in gamedata..."; },
        20000));
    CloseHandle(held);
    MessageBoxView box = watch_until_box();
    RemoveDirectoryW(desktop_link().c_str());
    expect_question(box, L"Gloam Reef Voduze PC Viru is installed.\n\n"
                         L"The desktop shortcut could not be created: Access was denied.\n\n"
                         L"Start the game now?");
    EXPECT_EQ(game_data_difference(folder, "install_game"), "");
    EXPECT_TRUE(path_exists(shortcut_path(known_folder_path(FOLDERID_Programs))));
    dismiss(box, IDNO);
    EXPECT_EQ(finish(), 0u);
}

TEST_F(InstallFlowTest, FailedInstallShowsTheReasonAndCanBeRetried)
{
    std::wstring rejected = fixture_path("install_no_library.apk");
    fill_in(folder, rejected);
    MessageBoxView box = install_and_watch();
    expect_failure_box(box, L"The game data could not be imported from that file.\n\n"
                            L"no 32-bit ARM libGloamReef.so found in " + rejected +
                                L" - is this the Gloam Reef APK?\n\n"
                                L"It has to be the Android APK of Gloam Reef (2011, Ostrane / "
                                L"Quillmoor).");
    dismiss(box, IDOK);
    EXPECT_TRUE(wait_until([&] { return input_controls_enabled(true); }));
    EXPECT_EQ(window_text(control(IDC_FOLDER)), folder);
    EXPECT_EQ(window_text(control(IDC_APK)), rejected);
    EXPECT_TRUE(is_checked(control(IDC_DESKTOP_SHORTCUT)));
    EXPECT_EQ(status_text(), not_installed_text);

    // A second attempt from the same window.
    set_control_text(control(IDC_APK), fixture_path("install_game.apk"));
    box = install_and_watch();
    expect_question(box);
    dismiss(box, IDNO);
    EXPECT_EQ(finish(), 0u);
}

TEST_F(InstallFlowTest, ClosingAfterAFailureEndsTheProgram)
{
    // A file where the install folder should be: the install fails at once.
    ASSERT_TRUE(write_file(folder, "in the way"));
    fill_in(folder, fixture_path("install_game.apk"));
    MessageBoxView box = install_and_watch();
    expect_failure_box(box, L"Cannot create the folder:\n" + folder);
    dismiss(box, IDOK);
    EXPECT_TRUE(wait_until([&] { return input_controls_enabled(true); }));

    close_window(window);
    EXPECT_TRUE(wait_for_window_gone(window));
    EXPECT_EQ(finish(), 0u);
}

TEST_F(InstallFlowTest, DuringTheImportCancelAsksAndNoGoesOn)
{
    start_slow_import(folder);
    EXPECT_EQ(window_text(control(IDC_INSTALL)), L"Cancel");
    EXPECT_TRUE(IsWindowEnabled(control(IDC_INSTALL)));
    for (int id : {IDC_FOLDER, IDC_APK, IDC_DESKTOP_SHORTCUT, IDC_FOLDER_BROWSE, IDC_APK_BROWSE}) {
        EXPECT_FALSE(IsWindowEnabled(control(id))) << id;
    }
    EXPECT_TRUE(progress_visible());
    EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), FALSE);

    // The button, which no longer installs: a second install would create
    // this folder first thing.
    std::wstring second = temp + L"\\Second";
    set_control_text(control(IDC_FOLDER), second);
    // While the question is open the install holds before its point of no return.
    ask_to_stop(IDC_INSTALL, IDNO);

    status_texts.clear();
    MessageBoxView box = watch_until_box();
    expect_question(box);
    EXPECT_TRUE(in_order(status_texts, {copying_text, shortcuts_text, installed_text}));
    // The bar moved on while the import wrote (not only at its stages), and never back.
    EXPECT_TRUE(std::any_of(progress_seen.begin(), progress_seen.end(),
                            [](int position) { return position > 0 && position < 90; }));
    EXPECT_TRUE(std::is_sorted(progress_seen.begin(), progress_seen.end()));
    EXPECT_NE(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), FALSE);
    dismiss(box, IDNO);
    EXPECT_EQ(finish(), 0u);
    EXPECT_FALSE(path_exists(second));
    EXPECT_TRUE(path_exists(folder + L"\\gamedata\\libGloamReef.so"));
}

TEST_F(InstallFlowTest, StoppingTheImportChangesNothingAndTheWindowInstallsAgain)
{
    // An earlier installation, made while no window holds the setup's lock.
    close_window(window);
    ASSERT_EQ(finish(), 0u);
    ASSERT_EQ(run_program(GLOAMREEF_SETUP_EXE, L"/silent " + quote(folder) + L" " +
                                                   quote(fixture_path("install_game.apk"))),
              0u);
    std::map<std::wstring, std::string> files = read_tree(folder);
    std::map<std::wstring, std::string> registered = registration();
    SetupWindowTest::SetUp();

    start_slow_import(folder);
    ask_to_stop(IDCANCEL, IDYES);
    EXPECT_FALSE(path_exists(folder + L"\\gamedata.new"));
    EXPECT_EQ(tree_difference(read_tree(folder), files), "");
    // A fresh install takes away the folders it made, and registers nothing.
    start_slow_import(temp + L"\\New\\Reef");
    ask_to_stop(IDCLOSE, IDYES);
    EXPECT_FALSE(path_exists(temp + L"\\New"));
    EXPECT_EQ(registration(), registered);

    fill_in(folder, fixture_path("install_game.apk"));
    MessageBoxView box = install_and_watch();
    expect_question(box);
    dismiss(box, IDNO);
    EXPECT_EQ(finish(), 0u);
}

TEST_F(InstallFlowTest, FolderWithOtherFilesIsInstalledIntoOnlyOnYes)
{
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(write_file(folder + L"\\letter.txt", "mine"));
    fill_in(folder + L"\\", fixture_path("install_game.apk"));
    MessageBoxView box = install_expecting_box(IDC_FOLDER);
    expect_window_box(box, L"The folder\n" + folder + L"\nalready exists and holds other files. "
                           L"Install the game there anyway?", {IDYES, IDNO}, IDI_WARNING);
    EXPECT_EQ(box.default_button, IDNO);
    dismiss(box, IDNO);
    EXPECT_TRUE(wait_until([&] { return input_controls_enabled(true); }));
    EXPECT_EQ(read_tree(folder).size(), 1u) << "No changed the folder";

    dismiss(install_expecting_box(), IDYES);
    expect_question(watch_until_box());
    EXPECT_EQ(read_file(folder + L"\\letter.txt"), "mine");
}
