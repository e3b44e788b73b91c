// Reading back what an install leaves: folder trees, shell links, registry values.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

// Calls visit with the relative path ("assets\\config.txt"), full path and
// attributes of every entry below folder, a folder before what it holds.
// Links are visited but never entered.
void for_each_entry(const std::wstring& folder,
                    const std::function<void(const std::wstring& relative,
                                             const std::wstring& path, DWORD attributes)>& visit);

// Every file below folder by its relative path ("assets\\config.txt") with its
// bytes. Links are listed as "<link>" and never followed.
std::map<std::wstring, std::string> read_tree(const std::wstring& folder);

// Empty when both trees hold the same files with the same bytes; otherwise one
// line per difference (path and sizes), short enough for a test's message.
std::string tree_difference(const std::map<std::wstring, std::string>& actual,
                            const std::map<std::wstring, std::string>& expected);

// The same, for a tree on the Unix side under Wine or written by a fixture
// generator, with "/" turned into "\\" so both compare equal.
std::map<std::wstring, std::string> read_fixture_tree(const std::string& folder);

struct ShortcutView {
    bool loaded = false;
    std::wstring target;
    std::wstring working_folder;
    std::wstring arguments;
    std::wstring description;
};

// Loads a .lnk through IShellLinkW; enters COM on the calling thread.
ShortcutView read_shortcut(const std::wstring& link_path);

struct RegistryValue {
    bool present = false;
    DWORD type = REG_NONE;
    std::string bytes; // raw data, exactly as many bytes as stored
};

RegistryValue read_registry_value(HKEY root, const std::wstring& key, const std::wstring& name);

// A REG_SZ value's text without its terminating null; empty when the value
// is missing or of another type.
std::wstring read_registry_text(HKEY root, const std::wstring& key, const std::wstring& name);

// Number of values under the key (0 when the key is missing).
DWORD count_registry_values(HKEY root, const std::wstring& key);

// The wide text as REG_SZ stores it: UTF-16 with the terminating null.
std::string registry_text(const std::wstring& text);

// Makes link a symbolic link to the folder target. Under Wine that is a Unix
// symbolic link made with ln (Wine shows it as a folder with
// FILE_ATTRIBUTE_REPARSE_POINT); elsewhere CreateSymbolicLinkW. True when the
// link is there afterwards.
bool make_folder_link(const std::wstring& link, const std::wstring& target);

// Deletes the product's uninstall key and both its links, so that tests sharing
// the prefix start clean.
void remove_install_registration();
