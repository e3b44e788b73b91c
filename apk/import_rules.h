// Which entries of the APK the game data import takes.
#pragma once

#include <string>
#include <vector>

// The library candidates in the order they are tried.
extern const char* const kLibraryCandidates[3];

// More than 20 bytes with an ELF header of class 1 (32-bit) and machine 40
// (ARM); the rest of the header is not examined.
bool is_arm32_elf(const std::vector<unsigned char>& bytes);

// True for a file under "assets/" that the import writes. Directory entries,
// the guest library folder and every name that could leave the target folder
// (parent steps, empty or "." segments, backslashes, drive colons, NULs,
// Windows device names) are not assets, and neither are names that Windows
// cannot hold or would change: bytes that are not UTF-8, control and reserved
// characters, segments ending in a dot or a blank.
bool is_asset_name(const std::string& name);
