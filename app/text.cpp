// Text conversions and known-folder lookup.
#include "app/text.h"

std::string wide_to_utf8(const std::wstring& text)
{
    if (text.empty()) {
        return {};
    }
    int length = static_cast<int>(text.size());
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return {};
    }
    std::string result(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, result.data(), bytes, nullptr, nullptr);
    return result;
}

std::wstring utf8_to_wide(const std::string& text)
{
    if (text.empty()) {
        return {};
    }
    int length = static_cast<int>(text.size());
    int chars = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    if (chars <= 0) {
        return {};
    }
    std::wstring result(static_cast<size_t>(chars), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, result.data(), chars);
    return result;
}

std::wstring known_folder_path(const KNOWNFOLDERID& id, HRESULT* result)
{
    PWSTR path = nullptr;
    HRESULT lookup = SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path);
    std::wstring folder;
    if (SUCCEEDED(lookup) && path != nullptr) {
        folder = path;
    } else if (SUCCEEDED(lookup)) {
        lookup = E_FAIL;
    }
    CoTaskMemFree(path);
    if (result != nullptr) {
        *result = lookup;
    }
    return folder;
}
