// Both ends of the hand-over between the uninstaller launcher and its
// temporary copy.
#include "uninstall/launcher_handshake.h"

#include <windows.h>

#include <cstdint>
#include <cwchar>

#include "app/log.h"
#include "app/text.h"

namespace {

constexpr wchar_t launcher_switch[] = L"/launcher=";

// The launcher ends right after it has read the result; this only bounds the
// wait should it hang, so that the copy still finishes.
constexpr DWORD launcher_end_wait_ms = 30000;

// The copy's side of the channel; null when no launcher waits.
HANDLE launcher_process = nullptr;
HANDLE result_pipe = nullptr;

// Closes the handle when the scope ends, whatever path it takes.
struct OwnedHandle {
    HANDLE handle = nullptr;
    ~OwnedHandle()
    {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
};

std::wstring handle_text(HANDLE handle)
{
    return std::to_wstring(reinterpret_cast<uintptr_t>(handle));
}

// Opens the copy so that it is deleted when the last process holding the
// handle ends: the launcher, and the copy, which inherits it. Sharing read
// and delete lets Windows (and Wine) load the program from it; a file that is
// already running could not be opened so, which is why this comes before the
// start. Null when it cannot be opened: the copy then stays for the next
// launch to replace.
HANDLE open_for_deletion_on_close(const std::wstring& copy_path)
{
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE file = CreateFileW(copy_path.c_str(), GENERIC_READ | DELETE,
                              FILE_SHARE_READ | FILE_SHARE_DELETE, &inherited, OPEN_EXISTING,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

// The exit code the copy handed over; when it ended without one (it stopped
// before its removal, or was killed), its process's exit code.
int read_result(HANDLE pipe, HANDLE copy_process)
{
    int32_t code = 0;
    DWORD read = 0;
    if (ReadFile(pipe, &code, sizeof code, &read, nullptr) && read == sizeof code) {
        return code;
    }
    WaitForSingleObject(copy_process, INFINITE);
    DWORD process_code = 1;
    GetExitCodeProcess(copy_process, &process_code);
    return static_cast<int>(process_code);
}

// The handle value in the text, or null.
HANDLE parse_handle(const wchar_t*& text)
{
    wchar_t* end = nullptr;
    unsigned long long value = std::wcstoull(text, &end, 10);
    if (end == text || value == 0) {
        return nullptr;
    }
    text = end;
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
}

} // namespace

DWORD start_copy(const std::wstring& copy_path, const std::wstring& arguments,
                 const std::wstring& working_folder, bool wait_for_result, int* exit_code)
{
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    OwnedHandle read_end, write_end, self, copy_file;
    if (!CreatePipe(&read_end.handle, &write_end.handle, &inherited, 0) ||
        !SetHandleInformation(read_end.handle, HANDLE_FLAG_INHERIT, 0) ||
        !DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(),
                         &self.handle, SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE,
                         0)) {
        return GetLastError();
    }
    copy_file.handle = open_for_deletion_on_close(copy_path);

    std::wstring command_line = L"\"" + copy_path + L"\" " + arguments + L" " + launcher_switch +
                                std::to_wstring(GetCurrentProcessId()) + L":" +
                                handle_text(self.handle) + L":" + handle_text(write_end.handle);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION copy{};
    if (!CreateProcessW(copy_path.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        working_folder.c_str(), &startup, &copy)) {
        return GetLastError();
    }
    CloseHandle(copy.hThread);
    OwnedHandle copy_process{copy.hProcess};
    // The copy holds its own ends now. Only its write end keeps the pipe
    // open: should it end without a word, the read below sees that at once.
    CloseHandle(write_end.handle);
    write_end.handle = nullptr;
    if (wait_for_result) {
        *exit_code = read_result(read_end.handle, copy_process.handle);
    }
    return ERROR_SUCCESS;
}

void connect_to_launcher(const std::wstring& channel)
{
    if (channel.empty()) {
        return;
    }
    // A hand-typed or stale value must not make the run write into, or wait
    // for, some other object of this process: the handles must be a process
    // with the launcher's id and a pipe.
    const wchar_t* text = channel.c_str();
    wchar_t* end = nullptr;
    unsigned long id = std::wcstoul(text, &end, 10);
    text = end;
    HANDLE process = *text == L':' ? parse_handle(++text) : nullptr;
    HANDLE pipe = process != nullptr && *text == L':' ? parse_handle(++text) : nullptr;
    if (pipe == nullptr || *text != L'\0' || GetProcessId(process) != id || id == 0 ||
        GetFileType(pipe) != FILE_TYPE_PIPE) {
        log_message('I', "no launcher waits: \"%s\" names none", wide_to_utf8(channel).c_str());
        return;
    }
    launcher_process = process;
    result_pipe = pipe;
}

void hand_result_to_launcher(int exit_code)
{
    if (launcher_process == nullptr) {
        return;
    }
    // A launcher that does not wait (an interactive uninstall) has ended and
    // closed its end: the write fails, and nothing is lost.
    int32_t code = exit_code;
    DWORD written = 0;
    WriteFile(result_pipe, &code, sizeof code, &written, nullptr);
    CloseHandle(result_pipe);
    if (WaitForSingleObject(launcher_process, launcher_end_wait_ms) != WAIT_OBJECT_0) {
        log_message('I', "the launcher has not ended; uninstall.exe may stay");
    }
    CloseHandle(launcher_process);
    launcher_process = nullptr;
    result_pipe = nullptr;
}
