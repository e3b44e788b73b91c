// System messages of OS error codes.
#include "app/system_message.h"

#include "app/text.h"

std::wstring system_message(DWORD code)
{
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0,
                                  nullptr);
    std::wstring text = length > 0 && buffer != nullptr ? std::wstring(buffer, length) : L"";
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                             text.back() == L'\t')) {
        text.pop_back();
    }
    if (text.empty()) {
        return L"Windows error " + std::to_wstring(code) + L".";
    }
    return text;
}

std::string describe_os_error(DWORD code)
{
    return "error " + std::to_string(code) + ": " + wide_to_utf8(system_message(code));
}
