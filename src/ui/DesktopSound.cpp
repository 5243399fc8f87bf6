#include "ui/DesktopSound.h"

#include <QApplication>
#include <QFileInfo>

#ifdef POLLUX_HAVE_CANBERRA
#include <canberra.h>
#endif

namespace {

#ifdef POLLUX_HAVE_CANBERRA
// Every sound uses the same id, so a new one cancels the one still playing.
constexpr uint32_t kEventSoundId = 1;

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
                            nullptr) != CA_SUCCESS)
            ca_context_play(context_, kEventSoundId, CA_PROP_EVENT_ID, "dialog-warning",
                            CA_PROP_MEDIA_ROLE, "event", nullptr);
    }

private:
    // Opened at the first sound; a desktop without a sound server makes it
    // fail once and stay quiet after that.
    bool open()
    {
        if (context_)
            return true;
        if (failed_)
            return false;
        if (ca_context_create(&context_) != CA_SUCCESS) {
            context_ = nullptr;
            failed_ = true;
            return false;
        }
        ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Pollux", CA_PROP_APPLICATION_ID,
                                "pollux", nullptr);
        if (ca_context_open(context_) != CA_SUCCESS) {
            ca_context_destroy(context_);
            context_ = nullptr;
            failed_ = true;
            return false;
        }
        return true;
    }

    ca_context* context_ = nullptr;
    bool failed_ = false;
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
