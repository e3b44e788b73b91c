// Writing the uninstall entry's values.
#include "install/uninstall_entry.h"

#include <windows.h>

#include "app/version.h"
#include "install/layout.h"

namespace {

// Stored with its terminating null, as REG_SZ readers expect.
void set_text(HKEY key, const wchar_t* name, const std::wstring& text)
{
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void set_number(HKEY key, const wchar_t* name, DWORD number)
{
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
}

} // namespace

void register_uninstall_entry(const std::wstring& folder, const std::wstring& program,
                              const std::wstring& uninstaller)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, uninstall_key_path, 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    set_text(key, L"DisplayName", product_name);
    set_text(key, L"DisplayVersion", program_version_wide);
    set_text(key, L"Publisher", L"Gloam Reef Voduze PC Viru (fan project)");
    set_text(key, L"InstallLocation", folder);
    set_text(key, L"DisplayIcon", program);
    // Quoted even without blanks, so the command never splits at a blank.
    set_text(key, L"UninstallString", L"\"" + uninstaller + L"\" /uninstall");
    set_number(key, L"NoModify", 1);
    set_number(key, L"NoRepair", 1);
    RegCloseKey(key);
}
