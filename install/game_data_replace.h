// Re-importing the game data without putting the installed data at risk.
#pragma once

#include <functional>
#include <string>

#include "apk/game_data_import.h"
#include "install/layout.h"

// Imports the APK into a staging folder beside gamedata and puts it in place of
// gamedata only once the import is complete. On failure the staging folder is
// removed, gamedata is left as it was, the reason is in last_error and the
// outcome says whose fault it was: a staging folder that cannot be cleared or
// data that cannot be put in place is the install folder's, with the OS error;
// an import error that the APK's entry names cause (a name clash) is the APK's.
// Exceptions of the import pass through, also after the staging folder has
// been removed. A gamedata that is a link is replaced as a link: its target is
// never touched. Renames and deletions wait out a short lock.
// may_replace, when given, is asked once the import is complete, right before
// gamedata is touched: false stops there. An import stopped there or through
// options.cancel returns ImportFault::cancelled and leaves the staging folder
// for the caller to remove.
ImportOutcome replace_game_data(const std::wstring& apk_path, const InstallPaths& paths,
                                const ImportOptions& options,
                                const std::function<bool()>& may_replace = {});

// An install stopped between the two renames of its swap leaves no gamedata
// and the last complete data in a set-aside folder (gamedata.old, or a
// numbered one): moves that folder back. Does nothing while gamedata exists.
void restore_interrupted_swap(const InstallPaths& paths);

// Removes a game data folder as remove_tree does, but its game library first:
// a folder that could be deleted only in part never holds the library, so it
// is never taken for complete game data (has_game_data, the restore above).
bool remove_game_data(const std::wstring& folder);
