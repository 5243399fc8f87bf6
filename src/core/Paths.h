#pragma once

#include <QString>

// Where the settings store lives: $POLLUX_CONFIG_DIR when set, else
// $XDG_CONFIG_HOME/pollux (default ~/.config/pollux). Created on demand.
QString ConfigDir();
// The same folder, without creating it.
QString ConfigDirPath();

// Where files Pollux writes for itself go (the debug log):
// $POLLUX_STATE_DIR, else $POLLUX_CONFIG_DIR when set (so that a test's
// folder holds everything), else $XDG_STATE_HOME/pollux (default
// ~/.local/state/pollux). Created on demand.
QString StateDir();

// Shipped read-only data (colour schemes, help pages): $POLLUX_DATA_DIR
// when set, else the install's share folder beside the program, else the
// source tree's data folder.
QString DataDir();

// Data the user makes and keeps (saved colour schemes): $POLLUX_USER_DATA_DIR,
// else $POLLUX_CONFIG_DIR when set (so that a test's folder holds
// everything), else $XDG_DATA_HOME/pollux (default ~/.local/share/pollux).
// Not created here: only a write needs it.
QString UserDataDir();
