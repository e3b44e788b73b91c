// The program's log: last error and the optional run log file.
#include "app/log.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>

std::string last_error;

namespace {

// The install worker and the main thread both log.
std::mutex run_log_mutex;
std::ofstream run_log;

std::string local_timestamp()
{
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    // localtime's result is shared; the caller holds run_log_mutex.
    std::tm* local = std::localtime(&seconds);
    char text[32] = "";
    if (local != nullptr) {
        size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
        std::snprintf(text + length, sizeof text - length, ".%03d",
                      static_cast<int>(milliseconds));
    }
    return text;
}

void write_line(const char* text)
{
    std::string line = local_timestamp() + " ";
    for (const char* c = text; *c != '\0'; ++c) {
        bool line_break = *c == '\n' || *c == '\r';
        // A run of line breaks becomes one blank: one message, one line.
        if (!line_break) {
            line += *c;
        } else if (line.back() != ' ') {
            line += ' ';
        }
    }
    run_log << line << std::endl;
}

} // namespace

void log_message(char level, const char* format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (written < 0) {
        buffer[0] = '\0';
    }
    if (level == 'E') {
        last_error = buffer;
    }
    std::lock_guard<std::mutex> lock(run_log_mutex);
    if (run_log.is_open()) {
        write_line(buffer);
    }
}

bool open_run_log(const std::string& path)
{
    std::lock_guard<std::mutex> lock(run_log_mutex);
    run_log.close();
    run_log.clear();
    // Text mode: lines end as text files do on the platform.
    run_log.open(std::filesystem::u8path(path), std::ios_base::out | std::ios_base::trunc);
    return run_log.is_open();
}

void close_run_log()
{
    std::lock_guard<std::mutex> lock(run_log_mutex);
    run_log.close();
}
