#include "settings/SoundEvents.h"

#include "settings/DebugLog.h"
#include "settings/RegUtils.h"

namespace {

class SilentPlayer final : public SoundPlayer {
public:
    void Play(const QString&) override {}
};

std::unique_ptr<SoundPlayer>& playerSlot()
{
    static std::unique_ptr<SoundPlayer> player = std::make_unique<SilentPlayer>();
    return player;
}

const QString& soundsKey()
{
    static const QString key = kConfigurationKey + QStringLiteral("\\Sounds");
    return key;
}

} // namespace

SoundPlayer& CurrentSoundPlayer()
{
    return *playerSlot();
}

void SetSoundPlayer(std::unique_ptr<SoundPlayer> player)
{
    playerSlot() = player ? std::move(player) : std::make_unique<SilentPlayer>();
}

void PlayEventSound(const QString& path)
{
    // Read at every event, so switching sounds off takes effect at once.
    if (!ReadSettingBool(soundsKey(), QStringLiteral("SoundsEnabled")))
        return;
    try {
        CurrentSoundPlayer().Play(path);
    } catch (...) {
        // A sound that cannot be played is no failure of the operation that
        // fired it; the player's answer is not looked at.
    }
    LogDebug(QStringLiteral(" - Playing Sound Event->") + path);
}

void FireSoundEvent(const QString& eventName)
{
    PlayEventSound(ReadSettingString(soundsKey(), eventName));
}
