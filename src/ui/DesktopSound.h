#pragma once
// The desktop's event-sound player behind SoundPlayer: libcanberra where it
// is built in, else the window system's bell.

#include "settings/SoundEvents.h"

#include <memory>

std::unique_ptr<SoundPlayer> MakeDesktopSoundPlayer();
// Makes the desktop player the one PlayEventSound uses. Cheap: the sound
// system is only opened by the first sound.
void InstallDesktopSoundPlayer();
