// Which entries of the APK the game data import takes.
#include "apk/import_rules.h"

#include <cctype>
#include <cstdint>

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
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
        base == "CONOUT$") {
        return true;
    }
    if (base.size() < 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0)) {
        return false;
    }
    // The port number: a digit, or a superscript one, two or three (UTF-8),
    // which Windows also takes as a port.
    std::string number = base.substr(3);
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

// Well-formed UTF-8 (RFC 3629): no stray continuation bytes, no overlong
// forms, no surrogates, nothing above U+10FFFF. Other bytes have no wide form
// on Windows, so such a name cannot be written there at all.
bool is_utf8(const std::string& text)
{
    size_t i = 0;
    while (i < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3
                                        : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || text.size() - i < length) {
            return false;
        }
        uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        static const uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

// Windows strips trailing dots and blanks from a segment ("keep.txt." opens
// keep.txt), so such a name would overwrite another asset or a folder.
bool ends_in_dot_or_blank(const std::string& segment)
{
    return !segment.empty() && (segment.back() == '.' || segment.back() == ' ');
}

// Characters no Windows file name holds: control characters and <>"|?*.
// "\" and ":" are refused separately because they change the path's meaning.
bool has_reserved_character(const std::string& name)
{
    static const std::string kForbidden = "<>\"|?*";
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || kForbidden.find(c) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Entry names become paths under the target folder. Besides the ".." rule,
// names that Windows would read as leaving it are refused: "\" is a separator
// there, "C:" a drive or a stream, and empty or "." segments hide a different
// path than the one checked.
bool stays_inside_target(const std::string& name)
{
    if (name.find_first_of(std::string("\\:\0", 3)) != std::string::npos ||
        has_reserved_character(name) || !is_utf8(name)) {
        return false;
    }
    size_t start = 0;
    for (;;) {
        size_t end = name.find('/', start);
        std::string segment = name.substr(start, end == std::string::npos ? end : end - start);
        if (segment.empty() || segment == "." || segment == ".." || is_device_name(segment) ||
            ends_in_dot_or_blank(segment)) {
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
