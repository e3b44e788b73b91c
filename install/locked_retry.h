// Waiting out a file that another program holds for a moment.
#pragma once

#include <functional>

// Runs operation (a file-system call that sets the thread's last error when
// it returns false) until it succeeds or fails for another reason than a
// sharing violation, a lock violation or access denied. Virus scanners, the
// search indexer and backup tools open a file that was just written for a
// moment, and Windows refuses to rename or delete it, or a folder above it,
// with one of these errors meanwhile. Gives up after ten tries over about two
// seconds, with the operation's last error still set.
bool retry_while_locked(const std::function<bool()>& operation);
