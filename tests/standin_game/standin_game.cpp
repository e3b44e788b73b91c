// Stand-in for the port's game program, embedded when no real one is given.
// It records where it was started, so tests can see that the installer ran
// the game in the install folder, and exits at once; with /stay it keeps
// running (for at most two minutes) as a game being played.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    wchar_t folder[32768];
    DWORD length = GetCurrentDirectoryW(32768, folder);
    if (length == 0 || length >= 32768) {
        return 1;
    }
    bool has_library =
        GetFileAttributesW(L"gamedata\\libGloamReef.so") != INVALID_FILE_ATTRIBUTES;

    std::wstring line = L"started in ";
    line += folder;
    line += has_library ? L"; gamedata\\libGloamReef.so present\r\n"
                        : L"; gamedata\\libGloamReef.so missing\r\n";
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()),
                                    nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(),
                        bytes, nullptr, nullptr);

    HANDLE file = CreateFileW(L"gloamreef.log", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
    if (wcsstr(GetCommandLineW(), L" /stay") != nullptr) {
        Sleep(120000);
    }
    return ok ? 0 : 1;
}
