// Event sounds: the switch read at every event, the player, the debug line.

#include "TestMain.h"

#include "settings/DebugLog.h"
#include "settings/RegUtils.h"
#include "settings/SoundEvents.h"

namespace {

const QString kSoundsKey = kConfigurationKey + QStringLiteral("\\Sounds");

struct Recording {
    QStringList played;
    bool fail = false;
};

class RecordingPlayer : public SoundPlayer {
public:
    explicit RecordingPlayer(Recording& r) : r_(r) {}
    void Play(const QString& path) override
    {
        r_.played.append(path);
        if (r_.fail)
            throw std::runtime_error("no sound device");
    }

private:
    Recording& r_;
};

QStringList soundLogLines()
{
    QFile f(DebugLogPath());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.contains(" - Playing Sound Event->"))
            lines.append(QString::fromUtf8(line.mid(line.indexOf(" - Playing Sound Event->"))).remove('\r'));
    return lines;
}

} // namespace

class TestSoundEvents : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void silentWhileSwitchedOff();
    void playsAndLogs();
    void switchReadAtEveryEvent();
    void playerFailureIsQuiet();

private:
    Recording rec;
};

void TestSoundEvents::init()
{
    rec = Recording{};
    DeleteSettingsKey(kConfigurationKey);
    DeleteDebugLog();
    WriteSettingBool(kRootKey, "Debug", true);
    SetSoundPlayer(std::make_unique<RecordingPlayer>(rec));
}

void TestSoundEvents::cleanup()
{
    SetSoundPlayer(nullptr);
}

void TestSoundEvents::silentWhileSwitchedOff()
{
    WriteSettingString(kSoundsKey, kSoundNewQuery, "/sounds/new.wav");
    FireSoundEvent(kSoundNewQuery);
    PlayEventSound("/sounds/direct.wav");
    QVERIFY(rec.played.isEmpty());
    QVERIFY(soundLogLines().isEmpty());
    WriteSettingBool(kSoundsKey, "SoundsEnabled", false);
    FireSoundEvent(kSoundNewQuery);
    QVERIFY(rec.played.isEmpty());
}

void TestSoundEvents::playsAndLogs()
{
    WriteSettingBool(kSoundsKey, "SoundsEnabled", true);
    WriteSettingString(kSoundsKey, kSoundCloseQuery, "/sounds/close.wav");
    FireSoundEvent(kSoundCloseQuery);
    FireSoundEvent(kSoundCloseQuery);
    FireSoundEvent(kSoundNewQuery); // unset: a single space, the default sound
    QCOMPARE(rec.played, (QStringList{"/sounds/close.wav", "/sounds/close.wav", " "}));
    QCOMPARE(soundLogLines(), (QStringList{" - Playing Sound Event->/sounds/close.wav",
                                           " - Playing Sound Event->/sounds/close.wav",
                                           " - Playing Sound Event-> "}));
}

void TestSoundEvents::switchReadAtEveryEvent()
{
    WriteSettingBool(kSoundsKey, "SoundsEnabled", true);
    FireSoundEvent(kSoundSaveQuery);
    WriteSettingBool(kSoundsKey, "SoundsEnabled", false);
    FireSoundEvent(kSoundSaveQuery);
    QCOMPARE(rec.played.size(), 1);
    QCOMPARE(soundLogLines().size(), 1);
}

void TestSoundEvents::playerFailureIsQuiet()
{
    WriteSettingBool(kSoundsKey, "SoundsEnabled", true);
    rec.fail = true;
    const QString longPath = "/" + QString(400, QLatin1Char('s')) + ".wav";
    PlayEventSound(longPath);
    QCOMPARE(rec.played, QStringList{longPath});
    QCOMPARE(soundLogLines(), QStringList{" - Playing Sound Event->" + longPath});
}

POLLUX_TEST_MAIN(TestSoundEvents)
#include "test_sound_events.moc"
