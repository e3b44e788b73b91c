// Which entries of the APK the game data import takes, and which it refuses.
#include "apk/import_rules.h"

#include <cctype>
#include <cstdint>
#include <unordered_map>

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

// Characters no Windows file name holds: control characters and <>:"|?*, and
// the backslash, a separator there.
bool has_reserved_character(const std::string& name)
{
    static const std::string kForbidden = "<>:\"|?*\\";
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || kForbidden.find(c) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// UTF-16 code units of well-formed UTF-8: what Windows counts in a name.
size_t utf16_length(const std::string& utf8)
{
    size_t units = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) != 0x80) {
            units += c >= 0xF0 ? 2 : 1;
        }
    }
    return units;
}

constexpr size_t kLongestNamePart = 255;

// The reason for one "/"-separated part of a name, or nullptr.
const char* unstorable_part_reason(const std::string& part)
{
    if (part.empty() || part == ".") {
        return "an empty or \".\" part";
    }
    if (ends_in_dot_or_blank(part)) {
        return "a part that ends in a dot or a blank";
    }
    if (is_device_name(part)) {
        return "a device name";
    }
    if (utf16_length(part) > kLongestNamePart) {
        return "a part longer than 255 characters";
    }
    return nullptr;
}

// The name as a log line can show it: control characters, and bytes of a
// name that is not UTF-8, as \xNN.
std::string printable(const std::string& name)
{
    static const char kHex[] = "0123456789ABCDEF";
    bool utf8 = is_utf8(name);
    std::string shown;
    for (char c : name) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || (byte >= 0x80 && !utf8)) {
            shown += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
        } else {
            shown += c;
        }
    }
    return shown;
}

// ASCII letters in one case, as Windows compares names.
std::string folded(const std::string& name)
{
    std::string result = name;
    for (char& c : result) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return result;
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
           name.find("..") == std::string::npos && !starts_with(name, "assets/guest_libs/");
}

std::string unstorable_name_reason(const std::string& name)
{
    if (!is_utf8(name)) {
        return "bytes that are not UTF-8 text";
    }
    if (has_reserved_character(name)) {
        return "a character that Windows does not allow in a name";
    }
    size_t start = 0;
    for (;;) {
        size_t end = name.find('/', start);
        const char* reason =
            unstorable_part_reason(name.substr(start, end == std::string::npos ? end : end - start));
        if (reason != nullptr) {
            return reason;
        }
        if (end == std::string::npos) {
            return {};
        }
        start = end + 1;
    }
}

std::string refused_asset_names(const std::vector<ApkEntry>& entries)
{
    // Folded name -> the entry that uses it as a file, or as a folder.
    std::unordered_map<std::string, const std::string*> files, folders;
    for (const ApkEntry& entry : entries) {
        if (!is_asset_name(entry.name)) {
            continue;
        }
        std::string reason = unstorable_name_reason(entry.name);
        if (!reason.empty()) {
            return "the entry " + printable(entry.name) +
                   " has a name that Windows cannot store (" + reason + ")";
        }
        std::string name = folded(entry.name);
        const std::string* other = nullptr;
        auto folder = folders.find(name);
        if (folder != folders.end()) {
            other = folder->second;
        }
        files.emplace(name, &entry.name);
        for (size_t slash = name.find('/', 7); other == nullptr && slash != std::string::npos;
             slash = name.find('/', slash + 1)) {
            std::string parent = name.substr(0, slash);
            auto file = files.find(parent);
            if (file != files.end()) {
                other = file->second;
            }
            folders.emplace(parent, &entry.name);
        }
        if (other != nullptr) {
            return "the entries " + *other + " and " + entry.name +
                   " use one name as a file and as a folder";
        }
    }
    return {};
}
