// Placeholder until the uninstall run exists: the mode ends with code 2.
#include "uninstall/uninstall_run.h"

int run_uninstall(const std::wstring&, bool)
{
    return 2;
}
