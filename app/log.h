// The import's error log: the text of the last error is kept for the message
// the user sees; every other level leaves no trace.
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
// last_error with the text; any other level has no effect.
void log_message(char level, const char* format, ...) GLOAMREEF_PRINTF(2, 3);
