// Retrying file operations that another program blocks for a moment.
#include "install/locked_retry.h"

#include <windows.h>

#include <array>

namespace {

// Growing pauses between the ten tries, about two seconds in all: a scanner
// usually lets go within a few hundred milliseconds.
constexpr std::array<DWORD, 9> pauses_ms = {30, 50, 80, 120, 170, 230, 300, 400, 600};

bool is_held_by_another_program(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED;
}

} // namespace

bool retry_while_locked(const std::function<bool()>& operation)
{
    for (DWORD pause : pauses_ms) {
        if (operation()) {
            return true;
        }
        DWORD error = GetLastError();
        if (!is_held_by_another_program(error)) {
            return false;
        }
        Sleep(pause);
    }
    return operation();
}
