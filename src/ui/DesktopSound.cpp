#include "ui/DesktopSound.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFileInfo>

#ifdef POLLUX_HAVE_CANBERRA
#include <canberra.h>
#endif

namespace {

#ifdef POLLUX_HAVE_CANBERRA
// Every sound uses the same id, so a new one cancels the one still playing.
constexpr uint32_t kEventSoundId = 1;
// After a sound that could not be played at all (no sound device or server)
// the player rests, so that the sound system is not asked, and does not
// complain on standard error, at every event.
constexpr qint64 kRestAfterFailureMs = 5 * 60 * 1000;

class CanberraPlayer final : public SoundPlayer {
public:
    ~CanberraPlayer() override
    {
        if (context_)
            ca_context_destroy(context_);
    }

    void Play(const QString& path) override
    {
        if (!open())
            return;
        ca_context_cancel(context_, kEventSoundId);
        const QFileInfo file(path);
        if (file.isFile() && file.isReadable()) {
            const QByteArray name = QFile::encodeName(file.absoluteFilePath());
            if (ca_context_play(context_, kEventSoundId, CA_PROP_MEDIA_FILENAME, name.constData(),
                                CA_PROP_MEDIA_ROLE, "event", CA_PROP_CANBERRA_CACHE_CONTROL, "never",
                                nullptr) == CA_SUCCESS)
                return;
        }
        // What cannot be played still gives an audible signal.
        if (ca_context_play(context_, kEventSoundId, CA_PROP_EVENT_ID, "bell", CA_PROP_MEDIA_ROLE, "event",
                            nullptr) == CA_SUCCESS
            || ca_context_play(context_, kEventSoundId, CA_PROP_EVENT_ID, "dialog-warning",
                               CA_PROP_MEDIA_ROLE, "event", nullptr) == CA_SUCCESS)
            return;
        rest();
    }

private:
    // Opened at the first sound, not at start-up.
    bool open()
    {
        if (context_)
            return true;
        if (!resting_.hasExpired())
            return false;
        if (ca_context_create(&context_) != CA_SUCCESS) {
            context_ = nullptr;
            rest();
            return false;
        }
        ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Pollux", CA_PROP_APPLICATION_ID,
                                "pollux", nullptr);
        if (ca_context_open(context_) != CA_SUCCESS) {
            rest();
            return false;
        }
        return true;
    }

    void rest()
    {
        if (context_)
            ca_context_destroy(context_);
        context_ = nullptr;
        resting_ = QDeadlineTimer(kRestAfterFailureMs);
    }

    ca_context* context_ = nullptr;
    QDeadlineTimer resting_{0};
};
#endif

class BellPlayer final : public SoundPlayer {
public:
    void Play(const QString&) override { QApplication::beep(); }
};

} // namespace

std::unique_ptr<SoundPlayer> MakeDesktopSoundPlayer()
{
#ifdef POLLUX_HAVE_CANBERRA
    return std::make_unique<CanberraPlayer>();
#else
    return std::make_unique<BellPlayer>();
#endif
}

void InstallDesktopSoundPlayer()
{
    SetSoundPlayer(MakeDesktopSoundPlayer());
}
