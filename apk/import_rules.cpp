// Which entries of the APK the game data import takes.
#include "apk/import_rules.h"

#include <cctype>

const char* const kLibraryCandidates[3] = {
    "assets/guest_libs/libGloamReef.so",
    "lib/armeabi/libGloamReef.so",
    "lib/armeabi-v7a/libGloamReef.so",
};

namespace {

constexpr unsigned char kElfClass32 = 1;
constexpr unsigned kElfMachineArm = 40;

bool starts_with(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Windows opens these names as devices in any folder and with any extension:
// "assets/NUL.png" would swallow an asset, "assets/COM1" could block.
bool is_device_name(const std::string& segment)
{
    std::string base = segment.substr(0, segment.find('.'));
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    for (char& c : base) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") {
        return true;
    }
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

// Entry names become paths under the target folder. Besides the ".." rule,
// names that Windows would read as leaving it are refused: "\" is a separator
// there, "C:" a drive, and empty or "." segments hide a different path than
// the one checked.
bool stays_inside_target(const std::string& name)
{
    if (name.find_first_of(std::string("\\:\0", 3)) != std::string::npos) {
        return false;
    }
    size_t start = 0;
    for (;;) {
        size_t end = name.find('/', start);
        std::string segment = name.substr(start, end == std::string::npos ? end : end - start);
        if (segment.empty() || segment == "." || segment == ".." || is_device_name(segment)) {
            return false;
        }
        if (end == std::string::npos) {
            return true;
        }
        start = end + 1;
    }
}

}  // namespace

bool is_arm32_elf(const std::vector<unsigned char>& bytes)
{
    return bytes.size() > 20 && bytes[0] == 0x7F && bytes[1] == 'E' && bytes[2] == 'L' &&
           bytes[3] == 'F' && bytes[4] == kElfClass32 &&
           (bytes[18] | (bytes[19] << 8)) == kElfMachineArm;
}

bool is_asset_name(const std::string& name)
{
    return name.size() >= 7 && starts_with(name, "assets/") && name.back() != '/' &&
           name.find("..") == std::string::npos && !starts_with(name, "assets/guest_libs/") &&
           stays_inside_target(name);
}
