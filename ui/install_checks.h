// The checks of the user's input before the window starts an install.
#pragma once

#include <string>

// Removes trailing backslashes and spaces, and nothing else: "C:\\" becomes
// "C:", a text of only those characters becomes empty.
std::wstring trim_install_folder(std::wstring folder);

// What is wrong with the input, or nothing. folder is already trimmed.
// An empty APK is fine when the folder already holds game data (a program
// update); otherwise the APK must name an existing regular file.
enum class InputProblem { none, no_folder, no_apk, apk_not_a_file };
InputProblem check_install_input(const std::wstring& folder, const std::wstring& apk_path);

// The warning text for a problem; empty for InputProblem::none.
const wchar_t* input_problem_text(InputProblem problem);
