// Start-menu and desktop shortcuts through the shell link object.
#include "install/shortcuts.h"

#include <objbase.h>
#include <shlobj.h>

#include "app/log.h"
#include "app/system_message.h"
#include "app/text.h"
#include "install/import_failure.h"
#include "install/layout.h"

namespace {

// The apartment is entered for the shortcut step only and left on every path.
class ComApartment {
public:
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

// One link in a known folder; returns its failure line, empty when it is saved.
std::wstring make_link(const KNOWNFOLDERID& known_folder, const wchar_t* which,
                       const std::wstring& folder, const std::wstring& program)
{
    HRESULT result = S_OK;
    // An empty path means the lookup failed; the bare file name would land in
    // the root of the current drive, so nothing is tried there.
    std::wstring link = shortcut_path(known_folder_path(known_folder, &result));
    if (!link.empty()) {
        result = create_shortcut(link, program, folder, L"");
    }
    if (SUCCEEDED(result)) {
        return {};
    }
    std::wstring cause = shortcut_failure_cause(result);
    log_message('I', "%s not created: %s (HRESULT 0x%08lX: %s)", wide_to_utf8(which).c_str(),
                link.empty() ? "(no folder)" : wide_to_utf8(link).c_str(),
                static_cast<unsigned long>(result), wide_to_utf8(cause).c_str());
    return std::wstring(L"The ") + which + L" could not be created: " + cause;
}

} // namespace

HRESULT create_shortcut(const std::wstring& link_path, const std::wstring& target,
                        const std::wstring& working_folder, const std::wstring& arguments)
{
    IShellLinkW* link = nullptr;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkW, reinterpret_cast<void**>(&link));
    if (FAILED(result)) {
        return result;
    }
    // The setters only fill the object in memory; Save is where a link fails.
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(working_folder.c_str());
    link->SetArguments(arguments.c_str());
    link->SetDescription(product_name);

    IPersistFile* file = nullptr;
    result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result)) {
        result = file->Save(link_path.c_str(), TRUE);
        file->Release();
    }
    link->Release();
    return result;
}

std::wstring make_shortcuts(const std::wstring& folder, const std::wstring& program,
                            bool desktop_shortcut)
{
    ComApartment apartment;
    std::wstring failures = make_link(FOLDERID_Programs, L"Start menu shortcut", folder, program);
    if (desktop_shortcut) {
        std::wstring desktop = make_link(FOLDERID_Desktop, L"desktop shortcut", folder, program);
        if (!desktop.empty()) {
            failures += (failures.empty() ? L"" : L"\n") + desktop;
        }
    }
    return failures;
}

std::wstring shortcut_failure_cause(HRESULT result)
{
    if (HRESULT_FACILITY(result) == FACILITY_WIN32) {
        return write_failure_cause(HRESULT_CODE(result));
    }
    return system_message(static_cast<DWORD>(result));
}
