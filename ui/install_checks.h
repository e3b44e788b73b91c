// The checks of the user's input before the window starts an install.
#pragma once

#include <string>

// Removes trailing backslashes and spaces, and nothing else: "C:\\" becomes
// "C:", a text of only those characters becomes empty.
std::wstring trim_install_folder(std::wstring folder);

// The folder field's text as the install gets it: trimmed, without the quotes
// of a pasted path, made absolute (a bare drive is its root) and trimmed
// again unless it is a root. Empty when nothing is left of it.
std::wstring install_folder_from_field(const std::wstring& text);

// The APK field's text as the install gets it: without the quotes of a pasted path.
std::wstring apk_path_from_field(const std::wstring& text);

// What is wrong with the input, or nothing. folder comes from
// install_folder_from_field. An empty APK is fine when the folder already
// holds game data (a program update); otherwise the APK must name an existing
// regular file. A drive's root is refused last.
enum class InputProblem { none, no_folder, no_apk, apk_not_a_file, drive_root };
InputProblem check_install_input(const std::wstring& folder, const std::wstring& apk_path);

// The warning text for a problem with this folder; empty for InputProblem::none.
std::wstring input_problem_text(InputProblem problem, const std::wstring& folder);

// The question for a folder that holds someone else's files.
std::wstring other_files_question(const std::wstring& folder);
