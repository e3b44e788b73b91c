// Times the setup program from its start to its window being visible: starts
// it, polls for a visible window of its class, then closes it again.
// Usage: startup-probe <setup exe> <runs>; prints one time in milliseconds
// per run; exit 1 when the program ends without showing its window or the
// window does not appear within 20 seconds.
// startup-probe --hold-desktop keeps Wine's desktop process running until it
// is killed: Windows' desktop always runs, while Wine starts its own for the
// first program that needs it and ends it a second after the last has gone.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr wchar_t setup_window_class[] = L"GloamReefPortSetup";

double milliseconds_since(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

HWND visible_setup_window(DWORD process_id)
{
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, setup_window_class, nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process_id && IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

// Milliseconds until the window is visible, or a negative value.
double time_one_start(const std::wstring& exe)
{
    std::wstring command_line = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        std::fprintf(stderr, "startup-probe: cannot start the setup program (%lu)\n", GetLastError());
        return -1;
    }
    double elapsed = -1;
    HWND window = nullptr;
    while (true) {
        if (milliseconds_since(start) > 20000) {
            std::fprintf(stderr, "startup-probe: no visible setup window within 20 s\n");
            break;
        }
        window = visible_setup_window(process.dwProcessId);
        if (window) {
            elapsed = milliseconds_since(start);
            break;
        }
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) {
            DWORD exit_code = 0;
            GetExitCodeProcess(process.hProcess, &exit_code);
            std::fprintf(stderr, "startup-probe: the setup program ended with exit code %lu "
                         "without showing its window\n", exit_code);
            break;
        }
    }
    if (window) {
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 2 && std::wcscmp(argv[1], L"--hold-desktop") == 0) {
        GetDesktopWindow();
        std::printf("desktop\n");
        std::fflush(stdout);
        Sleep(INFINITE);
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: startup-probe <setup exe> <runs>\n");
        return 2;
    }
    int runs = _wtoi(argv[2]);
    for (int run = 0; run < runs; ++run) {
        double elapsed = time_one_start(argv[1]);
        if (elapsed < 0) {
            return 1;
        }
        std::printf("%.1f\n", elapsed);
        std::fflush(stdout);
    }
    return 0;
}
