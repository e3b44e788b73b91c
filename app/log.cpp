// The import's error log.
#include "app/log.h"

#include <cstdarg>
#include <cstdio>

std::string last_error;

void log_message(char level, const char* format, ...)
{
    if (level != 'E') {
        return;
    }
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (written < 0) {
        buffer[0] = '\0';
    }
    last_error = buffer;
}
