// Helpers shared by the Windows tests.
#include "support/test_support.h"

#include <atomic>
#include <cstdio>
#include <cwctype>
#include <vector>

namespace {

// Under Wine a start has failed once, with no code recorded, for a program
// that starts every other time. Each failure is logged with its code and the
// start tried again; a program that cannot start fails every try.
constexpr int start_tries = 3;

// With no application name the program is the command line's first word.
RunningProgram start_process(const wchar_t* application, const std::wstring& command_line,
                             const std::wstring& working_folder)
{
    std::vector<wchar_t> buffer(command_line.begin(), command_line.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // Suspended until it is in the job, so that nothing it starts escapes it.
    for (int attempt = 1;
         !CreateProcessW(application, buffer.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                         nullptr, working_folder.empty() ? nullptr : working_folder.c_str(),
                         &startup, &process);
         ++attempt) {
        std::fprintf(stderr, "CreateProcessW failed with error %lu (try %d of %d): %ls\n",
                     GetLastError(), attempt, start_tries, command_line.c_str());
        if (attempt == start_tries) {
            return {};
        }
        Sleep(200 * attempt);
    }
    RunningProgram running{process.hProcess, process.dwProcessId,
                           CreateJobObjectW(nullptr, nullptr)};
    if (running.job != nullptr && !AssignProcessToJobObject(running.job, process.hProcess)) {
        CloseHandle(running.job);
        running.job = nullptr;
    }
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    return running;
}

} // namespace

RunningProgram start_program(const std::wstring& program, const std::wstring& arguments,
                             const std::wstring& working_folder)
{
    // Named as the application too, so that no search or added ".exe" applies
    // (Unix programs such as Z:\bin\ln have no extension).
    std::wstring command_line = quote(program);
    if (!arguments.empty()) {
        command_line += L" " + arguments;
    }
    return start_process(program.c_str(), command_line, working_folder);
}

RunningProgram start_command(const std::wstring& command_line, const std::wstring& working_folder)
{
    return start_process(nullptr, command_line, working_folder);
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
    if (program.job != nullptr) {
        CloseHandle(program.job);
        program.job = nullptr;
    }
    return exit_code;
}

RunningProgram start_game(const std::wstring& install_folder)
{
    RunningProgram game = start_program(install_folder + L"\\gloamreef.exe", L"/stay", install_folder);
    // Its log, written once it runs, says so.
    std::wstring log = install_folder + L"\\gloamreef.log";
    if (game.process != nullptr &&
        !wait_until([&] { return read_file(log).compare(0, 11, "started in ") == 0; }, 30000)) {
        finish_program(game, 0);
    }
    return game;
}

bool program_ended(const RunningProgram& program, DWORD timeout_ms)
{
    return program.process == nullptr ||
           WaitForSingleObject(program.process, timeout_ms) == WAIT_OBJECT_0;
}

bool all_processes_ended(const RunningProgram& program, DWORD timeout_ms)
{
    auto none_active = [&] {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
        return QueryInformationJobObject(program.job, JobObjectBasicAccountingInformation, &info,
                                         sizeof info, nullptr) &&
               info.ActiveProcesses == 0;
    };
    return program.job != nullptr && wait_until(none_active, timeout_ms);
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

DWORD run_program(const std::wstring& program, const std::wstring& arguments,
                  const std::wstring& working_folder, DWORD timeout_ms)
{
    RunningProgram running = start_program(program, arguments, working_folder);
    return finish_program(running, timeout_ms);
}

std::wstring quote(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

std::wstring temp_folder_path()
{
    wchar_t temp[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    return std::wstring(temp, length);
}

std::wstring make_temp_folder(const std::wstring& prefix)
{
    static std::atomic<unsigned> counter{0};
    std::wstring base = temp_folder_path();
    for (;;) {
        std::wstring folder = base + prefix + L"-" + std::to_wstring(GetCurrentProcessId()) +
                              L"-" + std::to_wstring(counter++);
        if (CreateDirectoryW(folder.c_str(), nullptr)) {
            return folder;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return {};
        }
    }
}

void remove_test_folder(const std::wstring& folder)
{
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = entry.cFileName;
                if (name != L"." && name != L"..") {
                    remove_test_folder(folder + L"\\" + name);
                }
            } while (FindNextFileW(search, &entry));
            FindClose(search);
        }
    }
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryW(folder.c_str());
    } else {
        DeleteFileW(folder.c_str());
    }
}

std::string read_file(const std::wstring& path)
{
    // Sharing delete too: the uninstaller's temporary copy is held open to be
    // deleted when it closes.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD done = 0;
    size_t offset = 0;
    while (offset < bytes.size() &&
           ReadFile(file, bytes.data() + offset, static_cast<DWORD>(bytes.size() - offset), &done,
                    nullptr) &&
           done > 0) {
        offset += done;
    }
    CloseHandle(file);
    bytes.resize(offset);
    return bytes;
}

bool write_file(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool path_exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool is_folder(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string wine_unix_path(const std::wstring& path)
{
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    auto convert = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr) {
        return {};
    }
    char* name = convert(path.c_str());
    if (name == nullptr) {
        return {};
    }
    std::string result(name);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

namespace {

// Paths of the prefix are plain ASCII here; quoted for the Unix program.
std::wstring unix_path(const std::wstring& path)
{
    std::string narrow = wine_unix_path(path);
    return std::wstring(narrow.begin(), narrow.end());
}

} // namespace

void remove_unix_link(const std::wstring& link)
{
    std::wstring unix_link = unix_path(link);
    if (!unix_link.empty()) {
        run_program(L"Z:\\bin\\rm", L"-f " + quote(unix_link), L"", 10000);
        wait_until([&] { return !path_exists(link); }, 5000);
    }
}

namespace {

// Wine's drive letters are links in the prefix's dosdevices folder.
std::wstring drive_link(wchar_t letter)
{
    std::wstring c_drive = unix_path(L"C:\\");
    size_t at = c_drive.rfind(L"/c:");
    if (at == std::wstring::npos) {
        return {};
    }
    return c_drive.substr(0, at + 1) + static_cast<wchar_t>(towlower(letter)) + L":";
}

} // namespace

bool map_drive(wchar_t letter, const std::wstring& folder)
{
    std::wstring root = std::wstring(1, letter) + L":\\";
    std::wstring link = drive_link(letter);
    std::wstring target = unix_path(folder);
    if (link.empty() || target.empty() || path_exists(root)) {
        return false;
    }
    run_program(L"Z:\\bin\\ln", L"-s " + quote(target) + L" " + quote(link), L"", 10000);
    return wait_until([&] { return path_exists(root); }, 5000);
}

void unmap_drive(wchar_t letter)
{
    std::wstring link = drive_link(letter);
    if (!link.empty()) {
        run_program(L"Z:\\bin\\rm", L"-f " + quote(link), L"", 10000);
        std::wstring root = std::wstring(1, letter) + L":\\";
        wait_until([&] { return !path_exists(root); }, 5000);
    }
}
