// The checks of the user's input before the window starts an install.
#include "ui/install_checks.h"

#include <filesystem>
#include <system_error>

#include "install/layout.h"

std::wstring trim_install_folder(std::wstring folder)
{
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L' ')) {
        folder.pop_back();
    }
    return folder;
}

InputProblem check_install_input(const std::wstring& folder, const std::wstring& apk_path)
{
    if (folder.empty()) {
        return InputProblem::no_folder;
    }
    if (apk_path.empty()) {
        return has_game_data(folder) ? InputProblem::none : InputProblem::no_apk;
    }
    // Follows links; a folder, a device or a failed query is no APK.
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::filesystem::path(apk_path), error)) {
        return InputProblem::apk_not_a_file;
    }
    return InputProblem::none;
}

const wchar_t* input_problem_text(InputProblem problem)
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
    case InputProblem::none:
        break;
    }
    return L"";
}
