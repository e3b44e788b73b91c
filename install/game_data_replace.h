// Re-importing the game data without putting the installed data at risk.
#pragma once

#include <string>

#include "apk/game_data_import.h"

// Imports the APK into a staging folder beside gamedata and puts it in place of
// gamedata only once the import is complete. On failure the staging folder is
// removed, gamedata is left as it was and the reason is in last_error
// (result false). Exceptions of the import pass through, also after the
// staging folder has been removed. A gamedata that is a link is replaced as a
// link: its target is never touched.
bool replace_game_data(const std::wstring& apk_path, const std::wstring& install_folder,
                       const ImportOptions& options = {});
