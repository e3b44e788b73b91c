// Converting between the normal and the extended-length form of a path.
#include "app/long_path.h"

#include <algorithm>
#include <cwctype>

namespace {

constexpr wchar_t extended_prefix[] = L"\\\\?\\";        // \\?\   (4 characters)
constexpr wchar_t extended_unc_prefix[] = L"\\\\?\\UNC\\"; // \\?\UNC\ (8 characters)
constexpr size_t extended_prefix_length = 4;
constexpr size_t extended_unc_prefix_length = 8;

bool starts_with(const std::wstring& text, const wchar_t* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

bool is_separator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

bool is_drive_absolute(const std::wstring& path)
{
    return path.size() >= 3 && std::iswalpha(path[0]) && path[1] == L':' && is_separator(path[2]);
}

bool is_unc(const std::wstring& path)
{
    return path.size() > 2 && is_separator(path[0]) && is_separator(path[1]) &&
           path[2] != L'?' && path[2] != L'.' && !is_separator(path[2]);
}

// Where the root of an extended path ends: after "\\?\C:\", or after the share
// name of "\\?\UNC\server\share". 0 when the path is not extended.
size_t root_length(const std::wstring& path)
{
    if (starts_with(path, extended_unc_prefix)) {
        size_t server_end = path.find(L'\\', extended_unc_prefix_length);
        if (server_end == std::wstring::npos) {
            return path.size();
        }
        size_t share_end = path.find(L'\\', server_end + 1);
        return share_end == std::wstring::npos ? path.size() : share_end;
    }
    if (starts_with(path, extended_prefix)) {
        size_t drive_end = extended_prefix_length + 2;  // "C:"
        return path.size() > drive_end && path[drive_end] == L'\\' ? drive_end + 1
                                                                    : std::min(path.size(), drive_end);
    }
    return 0;
}

std::wstring without_trailing_separators(std::wstring path)
{
    size_t root = root_length(path);
    while (path.size() > root && path.back() == L'\\') {
        path.pop_back();
    }
    return path;
}

std::wstring with_backslashes(std::wstring path)
{
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return path;
}

}  // namespace

std::wstring extended_path(const std::wstring& full_path)
{
    if (starts_with(full_path, extended_prefix)) {
        return without_trailing_separators(full_path);
    }
    if (is_drive_absolute(full_path)) {
        return without_trailing_separators(extended_prefix + with_backslashes(full_path));
    }
    if (is_unc(full_path)) {
        return without_trailing_separators(extended_unc_prefix +
                                           with_backslashes(full_path.substr(2)));
    }
    return full_path;
}

std::wstring normal_path(const std::wstring& path)
{
    if (starts_with(path, extended_unc_prefix)) {
        return L"\\\\" + path.substr(extended_unc_prefix_length);
    }
    if (starts_with(path, extended_prefix)) {
        return path.substr(extended_prefix_length);
    }
    return path;
}

std::string normal_path(const std::string& path)
{
    if (path.rfind("\\\\?\\UNC\\", 0) == 0) {
        return "\\\\" + path.substr(extended_unc_prefix_length);
    }
    if (path.rfind("\\\\?\\", 0) == 0) {
        return path.substr(extended_prefix_length);
    }
    return path;
}

std::wstring extended_parent(const std::wstring& extended)
{
    size_t root = root_length(extended);
    std::wstring path = without_trailing_separators(extended);
    if (root == 0 || path.size() <= root) {
        return {};
    }
    size_t separator = path.rfind(L'\\');
    // "\\?\C:\a" goes to the drive's root, which keeps its backslash.
    return separator < root ? path.substr(0, root) : path.substr(0, separator);
}
