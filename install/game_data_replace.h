// Re-importing the game data without putting the installed data at risk.
#pragma once

#include <functional>
#include <string>

#include "apk/game_data_import.h"
#include "install/layout.h"

// Imports the APK into a staging folder beside gamedata and puts it in place of
// gamedata only once the import is complete. On failure the staging folder is
// removed, gamedata is left as it was, the reason is in last_error and the
// outcome says whose fault it was, as the import decided it: the APK's (its
// names were refused before anything was written), or the install folder's
// for every OS failure while writing, with the OS error; so is a staging
// folder that cannot be cleared and data that cannot be put in place.
// Exceptions of the import pass through, also after the staging folder has
// been removed. A gamedata that is a link is replaced as a link: its target is
// never touched. Deletions wait out a short lock, renames a longer one
// (move_game_data_folder).
// may_replace, when given, is asked once the import is complete, right before
// gamedata is touched: false stops there. An import stopped there or through
// options.cancel returns ImportFault::cancelled and leaves the staging folder
// for the caller to remove.
ImportOutcome replace_game_data(const std::wstring& apk_path, const InstallPaths& paths,
                                const ImportOptions& options,
                                const std::function<bool()>& may_replace = {});

// Renames a game-data folder, waiting up to held_folder_wait_ms for other
// programs to close their files in it (install/locked_retry.h). False with
// the last error set.
bool move_game_data_folder(const std::wstring& from, const std::wstring& to);

// Removes a game data folder as remove_tree does, but its game library first:
// a folder that could be deleted only in part never holds the library, so it
// is never taken for complete game data (has_game_data, the restore above).
bool remove_game_data(const std::wstring& folder);
