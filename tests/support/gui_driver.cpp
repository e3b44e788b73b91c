// Window and message box driver for the GUI tests.
#include "support/gui_driver.h"

#include <vector>

#include "support/test_support.h"

RunningProgram start_program(const std::wstring& program, const std::wstring& arguments,
                             const std::wstring& working_folder)
{
    std::wstring command_line = quote(program);
    if (!arguments.empty()) {
        command_line += L" " + arguments;
    }
    std::vector<wchar_t> buffer(command_line.begin(), command_line.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    RunningProgram running;
    if (CreateProcessW(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       working_folder.empty() ? nullptr : working_folder.c_str(), &startup,
                       &process)) {
        CloseHandle(process.hThread);
        running.process = process.hProcess;
        running.id = process.dwProcessId;
    }
    return running;
}

DWORD finish_program(RunningProgram& program, DWORD timeout_ms)
{
    if (program.process == nullptr) {
        return static_cast<DWORD>(-1);
    }
    DWORD exit_code = STILL_ACTIVE;
    if (WaitForSingleObject(program.process, timeout_ms) == WAIT_OBJECT_0) {
        GetExitCodeProcess(program.process, &exit_code);
    } else {
        TerminateProcess(program.process, 99);
        WaitForSingleObject(program.process, 5000);
    }
    CloseHandle(program.process);
    program.process = nullptr;
    return exit_code;
}

bool program_ended(const RunningProgram& program, DWORD timeout_ms)
{
    return program.process == nullptr ||
           WaitForSingleObject(program.process, timeout_ms) == WAIT_OBJECT_0;
}

namespace {

struct WindowSearch {
    DWORD process_id;
    const wchar_t* class_name;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner_process = 0;
    GetWindowThreadProcessId(window, &owner_process);
    if (search->process_id != 0 && owner_process != search->process_id) {
        return TRUE;
    }
    if (!IsWindowVisible(window)) {
        return TRUE;
    }
    wchar_t class_name[256] = {};
    GetClassNameW(window, class_name, 256);
    if (search->class_name != nullptr && wcscmp(class_name, search->class_name) != 0) {
        return TRUE;
    }
    if (search->title != nullptr && window_text(window) != search->title) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

} // namespace

HWND wait_for_window(DWORD process_id, const wchar_t* class_name, const wchar_t* title,
                     DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        WindowSearch search{process_id, class_name, title, nullptr};
        EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        if (GetTickCount() - start > timeout_ms) {
            return nullptr;
        }
        Sleep(20);
    }
}

bool wait_for_window_gone(HWND window, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount() - start > timeout_ms) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

std::wstring window_text(HWND window)
{
    // WM_GETTEXT works across processes for any window.
    LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied));
    return text;
}

MessageBoxView wait_for_message_box(DWORD process_id, DWORD timeout_ms)
{
    MessageBoxView view;
    view.window = wait_for_window(process_id, L"#32770", nullptr, timeout_ms);
    if (view.window == nullptr) {
        return view;
    }
    view.caption = window_text(view.window);
    // The message text is the static control with id 0xFFFF, on Windows and Wine.
    HWND text = GetDlgItem(view.window, 0xFFFF);
    if (text != nullptr) {
        view.text = window_text(text);
    }
    view.owner = GetWindow(view.window, GW_OWNER);
    for (HWND child = GetWindow(view.window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            view.icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        }
    }
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
        HWND button = GetDlgItem(view.window, id);
        if (button != nullptr && IsWindowVisible(button)) {
            view.buttons.push_back(id);
            if (GetWindowLongW(button, GWL_STYLE) & BS_DEFPUSHBUTTON) {
                view.default_button = id;
            }
        }
    }
    return view;
}

bool press_button(HWND window, int id)
{
    HWND button = GetDlgItem(window, id);
    if (button == nullptr) {
        return false;
    }
    return PostMessageW(button, BM_CLICK, 0, 0) != 0;
}

namespace {

// The documented start of the x64 process environment block and the unicode
// string layout, enough to reach the process parameters.
struct UnicodeText {
    USHORT length;
    USHORT maximum_length;
    PWSTR buffer;
};

struct BasicProcessInformation {
    LONG_PTR exit_status;
    PVOID peb_base_address;
    ULONG_PTR affinity_mask;
    LONG_PTR base_priority;
    ULONG_PTR unique_process_id;
    ULONG_PTR inherited_from_unique_process_id;
};

constexpr size_t peb_process_parameters_offset = 0x20;
constexpr size_t parameters_current_folder_offset = 0x38;
constexpr size_t parameters_image_path_offset = 0x60;
constexpr size_t parameters_command_line_offset = 0x70;

using QueryInformationProcess = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);

template <typename T>
bool read_remote(HANDLE process, const char* address, T& value)
{
    SIZE_T done = 0;
    return ReadProcessMemory(process, address, &value, sizeof value, &done) && done == sizeof value;
}

std::wstring read_remote_text(HANDLE process, const char* address)
{
    UnicodeText text{};
    if (!read_remote(process, address, text) || text.buffer == nullptr) {
        return {};
    }
    std::wstring result(text.length / sizeof(wchar_t), L'\0');
    SIZE_T done = 0;
    if (!ReadProcessMemory(process, text.buffer, result.data(), text.length, &done)) {
        return {};
    }
    result.resize(done / sizeof(wchar_t));
    return result;
}

} // namespace

ProcessStart read_process_start(DWORD process_id)
{
    ProcessStart start;
    HANDLE process =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id);
    if (process == nullptr) {
        return start;
    }
    auto query = reinterpret_cast<QueryInformationProcess>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    BasicProcessInformation basic{};
    const char* parameters = nullptr;
    if (query != nullptr && query(process, 0, &basic, sizeof basic, nullptr) == 0 &&
        read_remote(process,
                    static_cast<const char*>(basic.peb_base_address) +
                        peb_process_parameters_offset,
                    parameters)) {
        start.image_path = read_remote_text(process, parameters + parameters_image_path_offset);
        start.command_line =
            read_remote_text(process, parameters + parameters_command_line_offset);
        start.current_folder =
            read_remote_text(process, parameters + parameters_current_folder_offset);
    }
    CloseHandle(process);
    return start;
}

RunningProgram attach_program(DWORD process_id)
{
    RunningProgram program;
    program.process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION |
                                      PROCESS_TERMINATE,
                                  FALSE, process_id);
    if (program.process != nullptr) {
        program.id = process_id;
    }
    return program;
}

DWORD window_process(HWND window)
{
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    return process_id;
}
