#pragma once
// Event sounds. A firing site reads its event's file from
// Configuration\Sounds and hands it to PlayEventSound, which plays it only
// while SoundsEnabled is true.

#include <QString>
#include <memory>

inline const QString kSoundCloseQuery = QStringLiteral("Close Query");
inline const QString kSoundExitPollux = QStringLiteral("Exit Pollux");
inline const QString kSoundNewQuery = QStringLiteral("New Query");
inline const QString kSoundSaveQuery = QStringLiteral("Save Query");
inline const QString kSoundStartPollux = QStringLiteral("Start Pollux");
inline const QString kSoundSwitchQueries = QStringLiteral("Switch Queries");

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Starts playing asynchronously, cutting short a sound still playing; a
    // path that cannot be played gives the desktop's default alert.
    virtual void Play(const QString& path) = 0;
};

// The player in use; a silent one until a real one is installed.
SoundPlayer& CurrentSoundPlayer();
void SetSoundPlayer(std::unique_ptr<SoundPlayer> player);

void PlayEventSound(const QString& path);
// Reads the event's value under Configuration\Sounds and plays it.
void FireSoundEvent(const QString& eventName);
