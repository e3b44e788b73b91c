// One install or uninstall at a time in the user's session.
#include "app/single_instance.h"

#include <windows.h>

#include "app/product.h"

namespace {

// In the session's namespace: another user's setup on the same machine
// installs into another profile and does not get in the way.
constexpr wchar_t lock_name[] = L"Local\\GloamReefMobilePC.Setup";

constexpr wchar_t another_setup_running[] =
    L"Another Gloam Reef Voduze PC Viru setup or uninstall is running. "
    L"Wait until it has finished.";

} // namespace

bool take_setup_lock()
{
    // Ownership, not the name's existence, tells whether someone runs: a
    // process that only looked at the lock keeps the name alive for a moment.
    HANDLE lock = CreateMutexW(nullptr, FALSE, lock_name);
    if (lock == nullptr) {
        // A setup started as administrator made the lock at a higher integrity
        // level, which this one may not open: it exists, so someone holds it.
        if (GetLastError() == ERROR_ACCESS_DENIED) {
            return false;
        }
        // No lock can be had at all (an object of that name and another type):
        // going on is better than refusing every install.
        return true;
    }
    DWORD waited = WaitForSingleObject(lock, 0);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        // The handle stays open, and the lock owned, until the process ends.
        return true;
    }
    CloseHandle(lock);
    return false;
}

void show_another_setup_running()
{
    MessageBoxW(nullptr, another_setup_running, product_name, MB_OK | MB_ICONINFORMATION);
}
