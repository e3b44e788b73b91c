// Paths in the extended-length form ("\\?\C:\...", "\\?\UNC\server\share\..."),
// which the file APIs take past 260 characters whatever the system's
// LongPathsEnabled says. Only file APIs get that form: the user, the registry,
// links and the shell get the normal one. Windows takes an extended path
// literally, so it must be absolute, with backslashes and without "." or ".."
// steps, as GetFullPathNameW makes a path.
#pragma once

#include <cstddef>
#include <string>

// "C:\x" -> "\\?\C:\x", "\\server\share\x" -> "\\?\UNC\server\share\x"; forward
// slashes become backslashes, and trailing separators go except a root's. A
// path that is extended already only loses its trailing separators. Anything
// else (a relative path, a device path "\\.\...", an empty text) comes back
// unchanged.
std::wstring extended_path(const std::wstring& full_path);

// The reverse: "\\?\C:\x" -> "C:\x", "\\?\UNC\server\share\x" ->
// "\\server\share\x"; any other text comes back unchanged.
std::wstring normal_path(const std::wstring& path);
// The same for a path in UTF-8, as the import's messages hold it.
std::string normal_path(const std::string& path);

// The parent folder of an extended path; empty for a root ("\\?\C:\",
// "\\?\UNC\server\share") or a path that is not extended.
std::wstring extended_parent(const std::wstring& extended);
