// Installations made by hand for the uninstall tests: what an install writes
// and what the game adds while it is played, the uninstall entry and both
// shortcuts. Independent of the install pipeline on purpose.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/install_inspection.h"
#include "support/test_support.h"

// The program files, game data (with the staged and set-aside folders and
// half-written program files an interrupted install leaves, and a read-only
// asset), the texture read-me, saves and settings, logs and a crash dump.
void make_installation(const std::wstring& folder);

// Deletes the game program and the uninstaller: game data and saves alone are
// no installation.
void remove_program_files(const std::wstring& folder);

// The uninstall entry and both shortcut files, as an install with a desktop
// shortcut leaves them.
void register_installation(const std::wstring& folder);
bool uninstall_entry_exists();
bool start_menu_shortcut_exists();
bool desktop_shortcut_exists();

// Expects the uninstall entry and both shortcuts to be there, or all gone.
void expect_registration(bool present);

// Every entry below the folder, relative to it, sorted; links are listed but
// not entered. Empty when the folder is gone.
std::vector<std::wstring> entries_below(const std::wstring& folder);

// What entries_below gives for a hand-made installation whose saves were kept.
const std::vector<std::wstring> kept_user_data = {
    L"userdata", L"userdata\\saves", L"userdata\\saves\\slot1.sav", L"userdata\\settings.ini"};

// gloamreef-port-uninstall.exe in the temp folder.
std::wstring temporary_copy_path();

// The confirmation question the run asks for this folder.
std::wstring confirmation_text(const std::wstring& folder);

constexpr wchar_t user_data_question_text[] =
    L"Also delete your saved games and settings?\n\n(Choose No to keep the \"userdata\" folder.)";
constexpr wchar_t not_found_text[] = L"The game was not found in that folder; nothing was removed.";
constexpr wchar_t removed_text[] = L"The game has been removed.";
constexpr wchar_t removed_kept_text[] =
    L"The game has been removed. Your saves and settings were kept.";
constexpr wchar_t running_text[] = L"Gloam Reef is still running. Close the game, then press Retry.";
constexpr wchar_t caption_text[] = L"Gloam Reef Voduze PC Viru";

// A temporary folder for a hand-made installation, removed again with the
// registration after the test.
class HandMadeInstallTest : public ::testing::Test {
protected:
    explicit HandMadeInstallTest(const wchar_t* folder_prefix) : folder_prefix(folder_prefix) {}

    void SetUp() override
    {
        folder = make_temp_folder(folder_prefix);
        ASSERT_FALSE(folder.empty());
    }
    void TearDown() override
    {
        remove_test_folder(folder);
        remove_install_registration();
    }

    // make_installation and register_installation in the test's folder.
    void install_by_hand()
    {
        make_installation(folder);
        register_installation(folder);
    }

    const wchar_t* folder_prefix;
    std::wstring folder;
};
