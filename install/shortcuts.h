// Shell links to the game program in the Start menu and on the desktop.
#pragma once

#include <string>

// Writes a .lnk at link_path (replacing one that is there) pointing at target,
// with the product name as description. Needs COM on the calling thread.
// Every failure is silent: the link is then simply not made.
void create_shortcut(const std::wstring& link_path, const std::wstring& target,
                     const std::wstring& working_folder, const std::wstring& arguments);

// The Start-menu link always, the desktop link when asked for; a link whose
// known folder cannot be looked up is skipped. Enters and leaves its own
// single-threaded COM apartment.
void make_shortcuts(const std::wstring& folder, const std::wstring& program,
                    bool desktop_shortcut);
