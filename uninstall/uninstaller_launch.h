// What the registered uninstall command starts.
#pragma once

// Relaunches a temporary copy of the running uninstaller and returns at once.
int launch_uninstaller();
