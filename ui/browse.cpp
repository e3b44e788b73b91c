// The folder browser and the file dialog behind the two Browse buttons.
#include "ui/browse.h"

#include <commdlg.h>
#include <shlobj.h>

#include <string>

#include "ui/setup_window.h"

namespace {

constexpr wchar_t folder_browser_title[] = L"Folder to install the game into";
constexpr wchar_t apk_dialog_title[] = L"Your Gloam Reef APK";
// Two entries, each a display text and a pattern; the list ends with an empty one.
constexpr wchar_t apk_filter[] = L"Android packages (*.apk)\0*.apk\0All files\0*.*\0";
constexpr DWORD path_buffer_length = 520;

static_assert(sizeof(OPENFILENAMEW) == 152, "OPENFILENAMEW must be the full structure");

} // namespace

int CALLBACK browse_folder_callback(HWND dialog, UINT message, LPARAM, LPARAM data)
{
    if (message == BFFM_INITIALIZED) {
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
    }
    return 0;
}

void browse_for_folder(HWND window)
{
    // Lives until the dialog has closed: the callback hands it to the dialog.
    std::wstring current = read_install_folder();

    BROWSEINFOW info{};
    info.hwndOwner = window;
    info.lpszTitle = folder_browser_title;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = browse_folder_callback;
    info.lParam = reinterpret_cast<LPARAM>(current.c_str());

    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
    if (item != nullptr) {
        wchar_t path[path_buffer_length] = {};
        if (SHGetPathFromIDListW(item, path)) {
            SetWindowTextW(setup_window.folder_field, path);
        }
        CoTaskMemFree(item);
    }
    refresh_data_hint();
}

void browse_for_apk(HWND window)
{
    // The dialog starts without a file name, whatever the field holds.
    wchar_t file_name[path_buffer_length] = {};

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window;
    dialog.lpstrFilter = apk_filter;
    dialog.lpstrFile = file_name;
    dialog.nMaxFile = path_buffer_length;
    dialog.lpstrTitle = apk_dialog_title;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;

    if (GetOpenFileNameW(&dialog)) {
        SetWindowTextW(setup_window.apk_field, file_name);
    }
}
