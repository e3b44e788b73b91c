// Shell links to the game program in the Start menu and on the desktop.
#pragma once

#include <windows.h>

#include <string>

// Writes a .lnk at link_path (replacing one that is there) pointing at target,
// with the product name as description. Needs COM on the calling thread.
// Returns the result of the first step that failed, S_OK when the link is saved.
HRESULT create_shortcut(const std::wstring& link_path, const std::wstring& target,
                        const std::wstring& working_folder, const std::wstring& arguments);

// The Start-menu link always, the desktop link when asked for. Enters and
// leaves its own single-threaded COM apartment. A link that cannot be made
// (or whose known folder cannot be looked up) costs no install: the game is
// there and runs. Each one is logged with its HRESULT and named in the result,
// one line each ("The desktop shortcut could not be created: Access was
// denied."); the result is empty when every link asked for was saved.
std::wstring make_shortcuts(const std::wstring& folder, const std::wstring& program,
                            bool desktop_shortcut);

// The user's words for a failed link's HRESULT: a Windows error as the
// import's write failures name it, anything else in the system's words.
std::wstring shortcut_failure_cause(HRESULT result);
