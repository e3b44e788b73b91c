// Writing the game program and the uninstaller into the install folder.
#include "install/program_files.h"

#include <vector>

#include "app/log.h"
#include "app/long_path.h"
#include "app/system_message.h"
#include "app/text.h"
#include "install/install_folder.h"
#include "install/layout.h"
#include "install/locked_retry.h"
#include "install/remove_tree.h"

namespace {

void log_write_failure(const std::wstring& file, DWORD error)
{
    log_message('I', "cannot write %s (%s)", wide_to_utf8(file).c_str(),
                describe_os_error(error).c_str());
}

// Flushes the file to the disk and closes it; false with the last error set.
bool flush_and_close(HANDLE file)
{
    bool ok = FlushFileBuffers(file) != 0;
    DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    // Closing may report what the flush did not (a full network share).
    if (!CloseHandle(file) && ok) {
        return false;
    }
    SetLastError(error);
    return ok;
}

// Writes all bytes, flushes them and closes the file; false with the last
// error set.
bool write_and_close(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    bool wrote = WriteFile(file, data, size, &written, nullptr) != 0;
    if (!wrote || written != size) {
        // A write that takes fewer bytes without an error has run out of room.
        DWORD error = wrote ? ERROR_DISK_FULL : GetLastError();
        CloseHandle(file);
        SetLastError(error);
        return false;
    }
    return flush_and_close(file);
}

bool flush_file(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE && flush_and_close(file);
}

// Moves the complete temporary file over the program file: one rename, so
// the program is the old one or the new one whatever stops the run. A
// read-only program would refuse it with access denied, which no wait mends.
bool replace_program_file(const std::wstring& temporary, const std::wstring& target)
{
    clear_read_only(target);
    return retry_while_locked([&] {
        return MoveFileExW(temporary.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    });
}

// After a failure: the temporary file goes, the error stays the failure's.
void discard_temporary(const std::wstring& temporary)
{
    DWORD error = GetLastError();
    DeleteFileW(temporary.c_str());
    SetLastError(error);
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

void write_game_program(HMODULE module, const InstallPaths& paths)
{
    EmbeddedProgram program = find_game_program(module);
    if (program.data == nullptr) {
        throw std::wstring(L"This installer is damaged (no game program inside it).");
    }
    const std::wstring& temporary = paths.program_temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    bool created = retry_while_locked([&] {
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        return file != INVALID_HANDLE_VALUE;
    });
    if (!created || !write_and_close(file, program.data, program.size) ||
        !replace_program_file(temporary, paths.program)) {
        discard_temporary(temporary);
        log_write_failure(normal_path(paths.program), GetLastError());
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

bool is_running_program_file(const std::wstring& path)
{
    std::wstring own = extended_path(full_path(running_program_file()));
    return !own.empty() &&
           CompareStringOrdinal(path.c_str(), -1, own.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool copy_setup_program(const InstallPaths& paths)
{
    std::wstring source = extended_path(full_path(running_program_file()));
    if (source.empty()) {
        return false;
    }
    // The setup started as the installed uninstall.exe (without arguments)
    // is that file already, and a running program cannot be replaced.
    if (is_running_program_file(paths.uninstaller)) {
        return true;
    }
    const std::wstring& temporary = paths.uninstaller_temporary;
    // The copy takes the source's attributes, read-only too (a setup run
    // from a CD); the flush opens it for writing.
    bool copied = retry_while_locked([&] {
        return CopyFileW(source.c_str(), temporary.c_str(), FALSE) != 0;
    });
    if (copied) {
        clear_read_only(temporary);
    }
    if (copied && flush_file(temporary) && replace_program_file(temporary, paths.uninstaller)) {
        return true;
    }
    discard_temporary(temporary);
    log_write_failure(normal_path(paths.uninstaller), GetLastError());
    return false;
}
