// Installations made by hand for the uninstall tests: what an install writes
// and what the game adds while it is played, the uninstall entry and both
// shortcuts. Independent of the install pipeline on purpose.
#pragma once

#include <string>
#include <vector>

// The program files, game data (with the staged and set-aside folders an
// interrupted install leaves), the texture read-me, saves and settings, logs
// and a crash dump.
void make_installation(const std::wstring& folder);

// The uninstall entry and both shortcut files, as an install with a desktop
// shortcut leaves them.
void register_installation(const std::wstring& folder);
bool uninstall_entry_exists();
bool start_menu_shortcut_exists();
bool desktop_shortcut_exists();

// Every entry below the folder, relative to it, sorted; links are listed but
// not entered. Empty when the folder is gone.
std::vector<std::wstring> entries_below(const std::wstring& folder);

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
constexpr wchar_t caption_text[] = L"Gloam Reef Voduze PC Viru";
