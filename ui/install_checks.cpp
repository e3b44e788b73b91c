// The checks of the user's input before the window starts an install.
#include "ui/install_checks.h"

#include "install/install_folder.h"
#include "install/layout.h"

std::wstring trim_install_folder(std::wstring folder)
{
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L' ')) {
        folder.pop_back();
    }
    return folder;
}

std::wstring install_folder_from_field(const std::wstring& text)
{
    // A pasted "C:\Games\Reef\" keeps its backslash inside the quotes.
    std::wstring folder = trim_install_folder(unquote_path(trim_install_folder(text)));
    if (folder.empty()) {
        return {};
    }
    // Relative folders would be registered and linked relative to whatever
    // folder the setup happened to start in.
    folder = full_path(folder);
    return is_drive_root(folder) ? folder : trim_install_folder(folder);
}

std::wstring apk_path_from_field(const std::wstring& text)
{
    return unquote_path(text);
}

InputProblem check_install_input(const std::wstring& folder, const std::wstring& apk_path)
{
    if (folder.empty()) {
        return InputProblem::no_folder;
    }
    if (apk_path.empty()) {
        if (!has_game_data(folder)) {
            return InputProblem::no_apk;
        }
    } else {
        if (!is_disk_file(apk_path)) {
            return InputProblem::apk_not_a_file;
        }
    }
    return is_drive_root(folder) ? InputProblem::drive_root : InputProblem::none;
}

std::wstring input_problem_text(InputProblem problem, const std::wstring& folder)
{
    switch (problem) {
    case InputProblem::no_folder:
        return L"Choose a folder to install the game into.";
    case InputProblem::no_apk:
        return L"Choose your Gloam Reef APK file.\n\n"
               L"The game's data is not included with this port: it is taken from your own "
               L"copy of the Android game (Gloam Reef, 2011, Ostrane / Quillmoor).";
    case InputProblem::apk_not_a_file:
        return L"That APK file does not exist.";
    case InputProblem::drive_root:
        return drive_root_refusal + folder;
    case InputProblem::none:
        break;
    }
    return {};
}

std::wstring other_files_question(const std::wstring& folder)
{
    return L"The folder\n" + folder +
           L"\nalready exists and holds other files. Install the game there anyway?";
}
