// Which entries of the APK the game data import takes, and which names it
// refuses.
#pragma once

#include <string>
#include <vector>

#include "apk/apk_archive.h"

// The library candidates in the order they are tried.
extern const char* const kLibraryCandidates[3];

// More than 20 bytes with an ELF header of class 1 (32-bit) and machine 40
// (ARM); the rest of the header is not examined.
bool is_arm32_elf(const std::vector<unsigned char>& bytes);

// True for a file under "assets/" that the import takes. Directory entries,
// the guest library folder and names with two dots in a row (a parent step)
// are skipped.
bool is_asset_name(const std::string& name);

// Why Windows cannot store an asset of this name as the game asks for it
// ("a device name"...), or empty when it can. Windows would write such a name
// to a device, onto another asset (it drops a trailing dot or blank), into a
// stream (":"), or outside the folder meant ("\"), or not at all: bytes that
// are not UTF-8, characters below 32 or <>:"|?*, an empty or "." part,
// reserved device names (CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$)
// with or without an extension, a part over 255 characters.
std::string unstorable_name_reason(const std::string& name);

// The first reason, in directory order, why the assets of these entries
// cannot all be written as the game asks for them: a name Windows cannot
// store, or one name (compared as Windows does, without regard to ASCII case)
// used as a file and as a folder. The text names the entries; empty when
// every asset can be written.
std::string refused_asset_names(const std::vector<ApkEntry>& entries);
