// The program's log: the text of the last error is kept for the message the
// user sees, and while a run log is open (/log= on the command line) every
// message also goes there, one timestamped line each.
#pragma once

#include <string>

#if defined(__GNUC__)
#if defined(__MINGW32__)
#define GLOAMREEF_PRINTF(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#else
#define GLOAMREEF_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#endif
#else
#define GLOAMREEF_PRINTF(fmt, args)
#endif

// UTF-8 text of the most recent message logged at level 'E'; empty at start.
// Only the install worker touches it, so it needs no lock.
extern std::string last_error;

// Formats like printf into at most 1023 characters. Level 'E' replaces
// last_error with the text. Every level goes to the run log when one is open.
// Safe to call from several threads at once.
void log_message(char level, const char* format, ...) GLOAMREEF_PRINTF(2, 3);

// Creates (or replaces) the run log at a UTF-8 path; false when it cannot be
// created, and the program then runs without one. Lines are
// "YYYY-MM-DD HH:MM:SS.mmm text" in local time, line breaks inside a text
// become blanks, and each line is on disk before log_message returns.
bool open_run_log(const std::string& path);
void close_run_log();
