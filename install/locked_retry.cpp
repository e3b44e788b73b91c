// Retrying file operations that another program blocks for a while.
#include "install/locked_retry.h"

#include <algorithm>
#include <array>

#include "app/log.h"
#include "app/long_path.h"
#include "app/progress.h"
#include "app/system_message.h"
#include "app/text.h"

DWORD held_folder_wait_ms = 30000;

namespace {

// Growing pauses between the ten tries, about two seconds in all: a scanner
// usually lets go within a few hundred milliseconds.
constexpr std::array<DWORD, 9> pauses_ms = {30, 50, 80, 120, 170, 230, 300, 400, 600};
// Past the short wait, a folder's rename is tried once a second.
constexpr DWORD longest_pause_ms = 1000;

bool is_held_by_another_program(DWORD error, DWORD also_waited_for)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED || (also_waited_for != ERROR_SUCCESS && error == also_waited_for);
}

} // namespace

bool retry_while_locked(const std::function<bool()>& operation, DWORD also_waited_for)
{
    for (DWORD pause : pauses_ms) {
        if (operation()) {
            return true;
        }
        if (!is_held_by_another_program(GetLastError(), also_waited_for)) {
            return false;
        }
        Sleep(pause);
    }
    return operation();
}

bool retry_while_folder_held(const std::function<bool()>& operation, const std::wstring& folder)
{
    ULONGLONG start = GetTickCount64();
    bool announced = false;
    bool done = false;
    for (size_t tries = 0;; ++tries) {
        done = operation();
        DWORD error = GetLastError();
        ULONGLONG waited = GetTickCount64() - start;
        if (done || !is_held_by_another_program(error, ERROR_SUCCESS) ||
            waited >= held_folder_wait_ms) {
            if (announced) {
                log_message('I', "%s after %llu ms of waiting for %s",
                            done ? "done" : "gave up", waited, wide_to_utf8(normal_path(folder)).c_str());
                end_wait_report();
            }
            SetLastError(error);
            return done;
        }
        // The first tries are the short wait's, unannounced: most holders let
        // go within them.
        if (tries == pauses_ms.size() && !announced) {
            std::wstring shown = normal_path(folder);
            log_message('I', "waiting for another program to close its files in %s (%s)",
                        wide_to_utf8(shown).c_str(), describe_os_error(error).c_str());
            report_wait(L"Waiting for another program to close its files in " +
                        shown.substr(shown.find_last_of(L'\\') + 1) + L"...");
            announced = true;
        }
        DWORD pause = tries < pauses_ms.size() ? pauses_ms[tries] : longest_pause_ms;
        Sleep(static_cast<DWORD>(std::min<ULONGLONG>(pause, held_folder_wait_ms - waited)));
    }
}
