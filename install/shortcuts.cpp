// Start-menu and desktop shortcuts through the shell link object.
#include "install/shortcuts.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "app/text.h"
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

} // namespace

void create_shortcut(const std::wstring& link_path, const std::wstring& target,
                     const std::wstring& working_folder, const std::wstring& arguments)
{
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link)))) {
        return;
    }
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(working_folder.c_str());
    link->SetArguments(arguments.c_str());
    link->SetDescription(product_name);

    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        file->Save(link_path.c_str(), TRUE);
        file->Release();
    }
    link->Release();
}

void make_shortcuts(const std::wstring& folder, const std::wstring& program,
                    bool desktop_shortcut)
{
    ComApartment apartment;
    // An empty link path means the known folder could not be looked up; the
    // bare file name would land in the root of the current drive.
    std::wstring start_menu_link = shortcut_path(known_folder_path(FOLDERID_Programs));
    if (!start_menu_link.empty()) {
        create_shortcut(start_menu_link, program, folder, L"");
    }
    if (desktop_shortcut) {
        std::wstring desktop_link = shortcut_path(known_folder_path(FOLDERID_Desktop));
        if (!desktop_link.empty()) {
            create_shortcut(desktop_link, program, folder, L"");
        }
    }
}
