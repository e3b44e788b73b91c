// Writing the game program and the uninstaller into the install folder.
#include "install/program_files.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "install/layout.h"

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

void write_game_program(HMODULE module, const std::wstring& program_file)
{
    EmbeddedProgram program = find_game_program(module);
    if (program.data == nullptr) {
        throw std::wstring(L"This installer is damaged (no game program inside it).");
    }
    const std::wstring cannot_write =
        L"Cannot write gloamreef.exe. Is the game running, or the folder read-only?";
    std::ofstream file(std::filesystem::path(program_file),
                       std::ios::binary | std::ios::out | std::ios::trunc);
    if (!file) {
        throw cannot_write;
    }
    file.write(static_cast<const char*>(program.data), program.size);
    // Closing flushes: a full disk may only show here.
    file.close();
    if (!file) {
        throw cannot_write;
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
    return !source.empty() && CopyFileW(source.c_str(), target.c_str(), FALSE);
}
