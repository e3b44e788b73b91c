// Placeholder until the uninstaller launch exists: the mode ends with code 2.
#include "uninstall/uninstaller_launch.h"

int launch_uninstaller()
{
    return 2;
}
