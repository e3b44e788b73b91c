// Writing the game program and the uninstaller into the install folder.
#include "install/program_files.h"

#include <vector>

#include "app/log.h"
#include "app/system_message.h"
#include "app/text.h"
#include "install/layout.h"
#include "install/locked_retry.h"

namespace {

void log_write_failure(const std::wstring& file, DWORD error)
{
    log_message('I', "cannot write %s (%s)", wide_to_utf8(file).c_str(),
                describe_os_error(error).c_str());
}

// Writes all bytes and closes the file; false with the last error set.
bool write_and_close(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    bool ok = WriteFile(file, data, size, &written, nullptr) && written == size;
    DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    // Closing may report what the write did not (a full network share).
    if (!CloseHandle(file) && ok) {
        return false;
    }
    SetLastError(error);
    return ok;
}

} // namespace

EmbeddedProgram find_game_program(HMODULE module)
{
    HRSRC found = FindResourceW(module, payload_resource_name, RT_RCDATA);
    if (found == nullptr) {
        return {};
    }
    HGLOBAL loaded = LoadResource(module, found);
    if (loaded == nullptr) {
        return {};
    }
    EmbeddedProgram program;
    program.data = LockResource(loaded);
    program.size = SizeofResource(module, found);
    if (program.data == nullptr || program.size == 0) {
        return {};
    }
    return program;
}

bool game_is_running(const InstallPaths& paths)
{
    HANDLE file = CreateFileW(paths.program.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

void write_game_program(HMODULE module, const std::wstring& program_file)
{
    EmbeddedProgram program = find_game_program(module);
    if (program.data == nullptr) {
        throw std::wstring(L"This installer is damaged (no game program inside it).");
    }
    HANDLE file = INVALID_HANDLE_VALUE;
    bool written = retry_while_locked([&] {
        file = CreateFileW(program_file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        return file != INVALID_HANDLE_VALUE;
    });
    // A file that was truncated or partly written stays: the next install
    // replaces it.
    if (!written || !write_and_close(file, program.data, program.size)) {
        log_write_failure(program_file, GetLastError());
        throw std::wstring(
            L"Cannot write gloamreef.exe. Is the game running, or the folder read-only?");
    }
}

std::wstring running_program_file()
{
    // A path longer than the buffer comes back cut off, with the result equal
    // to the buffer's size: try again with twice the room.
    std::vector<wchar_t> buffer(1040);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            return std::wstring(buffer.data(), length);
        }
        if (buffer.size() >= 32768) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool copy_setup_program(const std::wstring& target)
{
    std::wstring source = running_program_file();
    if (source.empty()) {
        return false;
    }
    if (retry_while_locked(
            [&] { return CopyFileW(source.c_str(), target.c_str(), FALSE) != 0; })) {
        return true;
    }
    log_write_failure(target, GetLastError());
    return false;
}
