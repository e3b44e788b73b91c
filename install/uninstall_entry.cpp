// Writing the uninstall entry's values.
#include "install/uninstall_entry.h"

#include <cwchar>
#include <string>

#include "app/log.h"
#include "app/system_message.h"
#include "app/text.h"
#include "app/version.h"

namespace {

class EntryWriter {
public:
    explicit EntryWriter(HKEY key) : key(key) {}

    // Stored with its terminating null, as REG_SZ readers expect.
    void text(const wchar_t* name, const std::wstring& value)
    {
        set(name, REG_SZ, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
    }
    void number(const wchar_t* name, DWORD value) { set(name, REG_DWORD, &value, sizeof value); }

    DWORD error = ERROR_SUCCESS;

private:
    // After a failure nothing more is written: the caller fails the install.
    void set(const wchar_t* name, DWORD type, const void* data, size_t size)
    {
        if (error != ERROR_SUCCESS) {
            return;
        }
        error = static_cast<DWORD>(RegSetValueExW(key, name, 0, type,
                                                  static_cast<const BYTE*>(data),
                                                  static_cast<DWORD>(size)));
        if (error != ERROR_SUCCESS) {
            log_message('I', "cannot write the uninstall entry's value %s (%s)",
                        wide_to_utf8(name).c_str(), describe_os_error(error).c_str());
        }
    }

    HKEY key;
};

uint64_t file_bytes(const WIN32_FIND_DATAW& entry)
{
    return (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

uint64_t tree_bytes(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileExW(join_path(folder, L"*").c_str(), FindExInfoBasic, &entry,
                                     FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    uint64_t bytes = 0;
    do {
        std::wstring name = entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            continue;
        }
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            bytes += file_bytes(entry);
        } else if (name != L"." && name != L"..") {
            bytes += tree_bytes(join_path(folder, name));
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return bytes;
}

uint64_t single_file_bytes(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Settings reads EstimatedSize as a REG_DWORD of KiB; a 4 TiB install is not one.
DWORD size_in_kib(uint64_t bytes)
{
    uint64_t kib = (bytes + 1023) / 1024;
    return kib > MAXDWORD ? MAXDWORD : static_cast<DWORD>(kib);
}

// Today in local time as YYYYMMDD, the form Settings shows as the install date.
std::wstring install_date()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[16];
    swprintf(text, sizeof text / sizeof text[0], L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return text;
}

} // namespace

uint64_t installed_bytes(const InstallPaths& paths)
{
    return single_file_bytes(paths.program) + single_file_bytes(paths.uninstaller) +
           tree_bytes(paths.game_data);
}

DWORD register_uninstall_entry(const InstallPaths& paths)
{
    HKEY key = nullptr;
    auto created = static_cast<DWORD>(RegCreateKeyExW(HKEY_CURRENT_USER, uninstall_key_path, 0,
                                                      nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                                      nullptr, &key, nullptr));
    if (created != ERROR_SUCCESS) {
        log_message('I', "cannot create the uninstall entry (%s)",
                    describe_os_error(created).c_str());
        return created;
    }
    std::wstring uninstaller = uninstaller_path(paths.folder);
    EntryWriter entry(key);
    entry.text(L"DisplayName", product_name);
    entry.text(L"DisplayVersion", program_version_wide);
    entry.text(L"Publisher", L"Gloam Reef Voduze PC Viru (fan project)");
    entry.text(L"InstallLocation", paths.folder);
    entry.text(L"DisplayIcon", program_path(paths.folder));
    // Quoted even without blanks, so the command never splits at a blank.
    entry.text(L"UninstallString", L"\"" + uninstaller + L"\" /uninstall");
    entry.number(L"NoModify", 1);
    entry.number(L"NoRepair", 1);
    // Windows stopped measuring installations itself: without these two,
    // Settings shows neither a size nor a date.
    entry.number(L"EstimatedSize", size_in_kib(installed_bytes(paths)));
    entry.text(L"InstallDate", install_date());
    // What scripts and package managers run to remove the game unattended.
    entry.text(L"QuietUninstallString", L"\"" + uninstaller + L"\" /uninstall /quiet");
    entry.number(L"VersionMajor", program_version_major);
    entry.number(L"VersionMinor", program_version_minor);
    RegCloseKey(key);
    return entry.error;
}
