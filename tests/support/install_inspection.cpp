// Reading back install results for the tests.
#include "support/install_inspection.h"

#include <objbase.h>
#include <shlobj.h>

#include "app/text.h"
#include "install/layout.h"
#include "support/test_support.h"

namespace {

using EntryVisitor = std::function<void(const std::wstring&, const std::wstring&, DWORD)>;

void visit_below(const std::wstring& folder, const std::wstring& prefix, const EntryVisitor& visit)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        std::wstring path = folder + L"\\" + name;
        visit(prefix + name, path, entry.dwFileAttributes);
        bool is_link = entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !is_link) {
            visit_below(path, prefix + name + L"\\", visit);
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

} // namespace

void for_each_entry(const std::wstring& folder, const EntryVisitor& visit)
{
    visit_below(folder, L"", visit);
}

std::map<std::wstring, std::string> read_tree(const std::wstring& folder)
{
    std::map<std::wstring, std::string> files;
    for_each_entry(folder, [&](const std::wstring& relative, const std::wstring& path,
                               DWORD attributes) {
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            files[relative] = "<link>";
        } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            files[relative] = read_file(path);
        }
    });
    return files;
}

std::string tree_difference(const std::map<std::wstring, std::string>& actual,
                            const std::map<std::wstring, std::string>& expected)
{
    std::string report;
    for (const auto& [path, bytes] : expected) {
        auto found = actual.find(path);
        if (found == actual.end()) {
            report += "missing " + wide_to_utf8(path) + "\n";
        } else if (found->second != bytes) {
            report += "differs " + wide_to_utf8(path) + " (" + std::to_string(found->second.size()) +
                      " bytes, expected " + std::to_string(bytes.size()) + ")\n";
        }
    }
    for (const auto& entry : actual) {
        if (expected.count(entry.first) == 0) {
            report += "extra " + wide_to_utf8(entry.first) + "\n";
        }
    }
    return report;
}

std::map<std::wstring, std::string> read_fixture_tree(const std::string& folder)
{
    std::wstring wide = utf8_to_wide(folder);
    for (wchar_t& c : wide) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return read_tree(wide);
}

ShortcutView read_shortcut(const std::wstring& link_path)
{
    ShortcutView view;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IShellLinkW, reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Load(link_path.c_str(), STGM_READ))) {
                wchar_t text[2048];
                view.loaded = true;
                if (SUCCEEDED(link->GetPath(text, 2048, nullptr, SLGP_RAWPATH))) {
                    view.target = text;
                }
                if (SUCCEEDED(link->GetWorkingDirectory(text, 2048))) {
                    view.working_folder = text;
                }
                if (SUCCEEDED(link->GetArguments(text, 2048))) {
                    view.arguments = text;
                }
                if (SUCCEEDED(link->GetDescription(text, 2048))) {
                    view.description = text;
                }
            }
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return view;
}

RegistryValue read_registry_value(HKEY root, const std::wstring& key, const std::wstring& name)
{
    RegistryValue value;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return value;
    }
    DWORD size = 0;
    if (RegQueryValueExW(opened, name.c_str(), nullptr, &value.type, nullptr, &size) ==
        ERROR_SUCCESS) {
        value.bytes.resize(size);
        if (RegQueryValueExW(opened, name.c_str(), nullptr, &value.type,
                             reinterpret_cast<BYTE*>(value.bytes.data()), &size) ==
            ERROR_SUCCESS) {
            value.present = true;
            value.bytes.resize(size);
        }
    }
    RegCloseKey(opened);
    return value;
}

DWORD count_registry_values(HKEY root, const std::wstring& key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return 0;
    }
    DWORD values = 0;
    RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                     nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(opened);
    return values;
}

std::wstring read_registry_text(HKEY root, const std::wstring& key, const std::wstring& name)
{
    RegistryValue value = read_registry_value(root, key, name);
    if (!value.present || value.type != REG_SZ) {
        return {};
    }
    std::wstring text(reinterpret_cast<const wchar_t*>(value.bytes.data()),
                      value.bytes.size() / sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

std::string registry_text(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.c_str()),
                       (text.size() + 1) * sizeof(wchar_t));
}

namespace {

bool is_link(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

} // namespace

bool make_folder_link(const std::wstring& link, const std::wstring& target)
{
    std::string unix_target = wine_unix_path(target);
    std::string unix_link = wine_unix_path(link);
    if (!unix_target.empty() && !unix_link.empty()) {
        // Wine starts Unix programs too; its CreateSymbolicLinkW makes nothing.
        run_program(L"Z:\\bin\\ln",
                    L"-s " + quote(utf8_to_wide(unix_target)) + L" " + quote(utf8_to_wide(unix_link)));
        // The Unix process may still be running when Wine reports it ended.
        for (int wait = 0; wait < 100 && !is_link(link); ++wait) {
            Sleep(20);
        }
    } else {
        CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    }
    return is_link(link);
}

void remove_install_registration()
{
    RegDeleteKeyW(HKEY_CURRENT_USER, uninstall_key_path);
    for (const KNOWNFOLDERID* folder : {&FOLDERID_Programs, &FOLDERID_Desktop}) {
        std::wstring link = shortcut_path(known_folder_path(*folder));
        if (!link.empty()) {
            DeleteFileW(link.c_str());
        }
    }
}
