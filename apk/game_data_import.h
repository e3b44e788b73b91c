// Imports the game's native library and assets from the user's APK.
#pragma once

#include <string>

// Both arguments are UTF-8. Returns false after logging one 'E' message (the
// reason is then in last_error).
bool import_game_data(const std::string& apk_path, const std::string& target_folder);
