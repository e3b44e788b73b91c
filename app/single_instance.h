// One install or uninstall at a time in the user's session: the setup window,
// the silent install and the uninstall run each hold one lock while they live.
#pragma once

// Takes the lock for the rest of the process; false when another process
// holds it. A holder that ended without letting go (killed) does not count.
bool take_setup_lock();

// Tells the user that another setup or uninstall runs (information box, no owner).
void show_another_setup_running();
