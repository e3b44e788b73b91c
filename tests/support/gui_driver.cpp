// Window and message box driver for the GUI tests.
#include "support/gui_driver.h"

#include <vector>

#include "support/test_support.h"

namespace {

// The setup program is DPI aware: the driver must see the same physical
// pixels, or Windows would scale every rectangle it reads.
const bool sees_physical_pixels = SetProcessDPIAware() != FALSE;

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
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
        HWND button = GetDlgItem(view.window, id);
        if (button != nullptr && IsWindowVisible(button)) {
            view.buttons.push_back(id);
            if (GetWindowLongW(button, GWL_STYLE) & BS_DEFPUSHBUTTON) {
                view.default_button = id;
            }
        }
    }
    for (const ControlView& control : read_controls(view.window)) {
        if ((control.style & SS_TYPEMASK) == SS_ICON && (control.style & WS_VISIBLE) &&
            _wcsicmp(control.class_name.c_str(), L"Static") == 0) {
            view.icon = control.window;
        }
    }
    return view;
}

namespace {

BOOL CALLBACK find_edit(HWND child, LPARAM data)
{
    wchar_t class_name[16] = {};
    GetClassNameW(child, class_name, 16);
    if (_wcsicmp(class_name, L"Edit") != 0) {
        return TRUE;
    }
    *reinterpret_cast<HWND*>(data) = child;
    return FALSE;
}

} // namespace

bool wait_until_posted_handled(HWND window, DWORD timeout_ms)
{
    HWND edit = nullptr;
    EnumChildWindows(window, find_edit, reinterpret_cast<LPARAM>(&edit));
    if (edit == nullptr) {
        return false;
    }
    // Posted messages of one thread are handled in the order they were posted.
    bool modified = SendMessageW(edit, EM_GETMODIFY, 0, 0) != 0;
    PostMessageW(edit, EM_SETMODIFY, !modified, 0);
    bool handled =
        wait_until([&] { return (SendMessageW(edit, EM_GETMODIFY, 0, 0) != 0) != modified; },
                   timeout_ms);
    SendMessageW(edit, EM_SETMODIFY, modified, 0);
    return handled;
}

bool press_button(HWND window, int id)
{
    HWND button = GetDlgItem(window, id);
    if (button == nullptr) {
        return false;
    }
    return PostMessageW(button, BM_CLICK, 0, 0) != 0;
}

void set_control_text(HWND control, const std::wstring& text)
{
    // Wine and Windows carry WM_SETTEXT's string across processes.
    SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool type_text(HWND edit, const std::wstring& text, DWORD timeout_ms)
{
    std::wstring expected = window_text(edit) + text;
    LRESULT end = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
    PostMessageW(edit, EM_SETSEL, end, end);
    for (wchar_t character : text) {
        PostMessageW(edit, WM_CHAR, character, 1);
    }
    return wait_until([&] { return window_text(edit) == expected; }, timeout_ms);
}

void press_key(HWND window, UINT virtual_key)
{
    HWND target = focused_window(window);
    if (target == nullptr) {
        target = window;
    }
    UINT scan_code = MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, virtual_key, 1 | (scan_code << 16));
    PostMessageW(target, WM_KEYUP, virtual_key, 1 | (scan_code << 16) | 0xC0000000u);
}

bool focus_control(HWND control)
{
    // A click is what gives a control the focus in its own thread.
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    return wait_until([&] { return focused_window(control) == control; }, 5000);
}

HWND focused_window(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

bool is_checked(HWND check_box)
{
    return SendMessageW(check_box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void close_window(HWND window)
{
    PostMessageW(window, WM_CLOSE, 0, 0);
}

std::vector<ControlView> read_controls(HWND parent)
{
    std::vector<ControlView> controls;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        ControlView view;
        view.window = child;
        wchar_t class_name[256] = {};
        GetClassNameW(child, class_name, 256);
        view.class_name = class_name;
        view.text = window_text(child);
        view.id = GetDlgCtrlID(child);
        GetWindowRect(child, &view.rect);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&view.rect), 2);
        view.style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
        view.extended_style = static_cast<DWORD>(GetWindowLongW(child, GWL_EXSTYLE));
        controls.push_back(view);
    }
    return controls;
}

namespace {

// The pixels of a screen area, as 32-bit BGRX values, row by row.
std::vector<DWORD> read_pixels(HDC source, int x, int y, int width, int height)
{
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<const DWORD*>(bits),
                              static_cast<const DWORD*>(bits) + width * height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    for (DWORD& pixel : pixels) {
        pixel &= 0xFFFFFF;
    }
    return pixels;
}

bool icon_matches(const MessageBoxView& box, const wchar_t* system_icon)
{
    RECT area;
    GetWindowRect(box.icon, &area);
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) {
        return false;
    }
    HDC screen = GetDC(nullptr);
    std::vector<DWORD> shown = read_pixels(screen, area.left, area.top, width, height);

    // The same icon drawn here on the same background.
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, canvas);
    DWORD background = shown.front();
    HBRUSH brush = CreateSolidBrush(RGB(background >> 16 & 0xFF, background >> 8 & 0xFF,
                                        background & 0xFF));
    RECT whole{0, 0, width, height};
    FillRect(memory, &whole, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, LoadIconW(nullptr, system_icon), 0, 0, 0, nullptr, DI_NORMAL);
    std::vector<DWORD> expected = read_pixels(memory, 0, 0, width, height);
    SelectObject(memory, old);
    DeleteObject(canvas);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shown == expected;
}

} // namespace

bool shows_system_icon(const MessageBoxView& box, const wchar_t* system_icon)
{
    if (box.icon == nullptr) {
        return false;
    }
    // The box may be on screen before it has been painted.
    return wait_until([&] { return icon_matches(box, system_icon); }, 2000);
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

DWORD window_process(HWND window)
{
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    return process_id;
}

bool send_rect_message(HWND window, UINT message, WPARAM wparam, const RECT& rect)
{
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE,
                                 window_process(window));
    if (process == nullptr) {
        return false;
    }
    bool sent = false;
    // An address that is free in this process is nearly always free in the other.
    for (int attempt = 0; attempt < 8 && !sent; ++attempt) {
        void* local = VirtualAlloc(nullptr, sizeof rect, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        void* remote = local == nullptr ? nullptr
                                        : VirtualAllocEx(process, local, sizeof rect,
                                                         MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (remote == local && remote != nullptr &&
            WriteProcessMemory(process, remote, &rect, sizeof rect, nullptr)) {
            *static_cast<RECT*>(local) = rect;
            SendMessageW(window, message, wparam, reinterpret_cast<LPARAM>(local));
            sent = true;
        }
        if (remote != nullptr) {
            VirtualFreeEx(process, remote, 0, MEM_RELEASE);
        }
        // Kept on failure, so that the next attempt gets another address.
        if (sent && local != nullptr) {
            VirtualFree(local, 0, MEM_RELEASE);
        }
    }
    CloseHandle(process);
    return sent;
}
