// Deleting what an installation consists of, without ever following a link.
// Users move saves and game data to other drives with junctions and symbolic
// links; deleting through one would destroy the target's files.
#pragma once

#include <windows.h>

#include <string>

// True for an entry that names another place: a symbolic link or a junction
// (a name-surrogate reparse point). Other reparse points, such as cloud
// placeholders and deduplicated files, are the files and folders they look
// like. tag is the entry's reparse tag, 0 when unknown.
bool is_link_entry(DWORD attributes, DWORD tag);

// The same for a path; false when nothing is there.
bool is_link(const std::wstring& path);

// Clears the read-only attribute of a file or folder (not a link's target),
// which makes Windows refuse its deletion or replacement.
void clear_read_only(const std::wstring& path);

// The three below wait out a file that another program holds for a moment
// (install/locked_retry.h) and clear the read-only attribute of what they
// delete; after a failure the thread's last error is the failed deletion's.

// A folder itself, not a link to one (a junction or a symbolic link).
bool is_real_folder(const std::wstring& path);

// A file, a link (removed as the link) or an empty folder. A missing entry
// counts as deleted.
bool delete_entry(const std::wstring& path);

// The folder and everything below it, contents first. A link anywhere in the
// tree, or as the folder itself, is removed as a link: its target is left as it
// is. A missing folder counts as deleted. The first entry that cannot be
// deleted ends the removal and leaves the rest in place; the result is false
// then.
bool remove_tree(const std::wstring& folder);
