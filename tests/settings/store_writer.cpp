// A second process for the store tests.
//   crash RUN   writes rounds of values under Configuration\Crash\RunRUN until
//               killed, printing "round N" after each complete round
//   share WHO   writes 200 values named WHO0..WHO199 into Configuration\Servers
#include "core/Errors.h"
#include "settings/RegUtils.h"

#include <QString>

#include <cstdio>
#include <cstring>

namespace {

int crash(const QString& run)
{
    const QString key = kConfigurationKey + QStringLiteral("\\Crash\\Run") + run;
    for (int round = 0;; ++round) {
        for (int i = 0; i < 50; ++i) {
            WriteSettingInteger(key, QStringLiteral("Single %1").arg(i), round);
            // An integer and its text, written in one step.
            QList<SettingEntry> pair(2);
            pair[0].name = QStringLiteral("Value %1").arg(i);
            pair[0].isInteger = true;
            pair[0].integer = round;
            pair[1].name = QStringLiteral("Text %1").arg(i);
            pair[1].text = QStringLiteral("round %1").arg(round);
            WriteSettingEntries(key, pair);
        }
        QList<SettingEntry> batch(20);
        for (int i = 0; i < 20; ++i) {
            batch[i].name = QStringLiteral("Batch %1").arg(i);
            batch[i].isInteger = true;
            batch[i].integer = round;
        }
        WriteSettingEntries(key + QStringLiteral("\\Batch"), batch);
        std::printf("round %d\n", round);
        std::fflush(stdout);
    }
}

int share(const QString& who)
{
    for (int i = 0; i < 200; ++i)
        WriteSettingInteger(kConfigurationKey + QStringLiteral("\\Servers"), who + QString::number(i), i);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    try {
        if (std::strcmp(argv[1], "crash") == 0)
            return crash(QString::fromLocal8Bit(argv[2]));
        if (std::strcmp(argv[1], "share") == 0)
            return share(QString::fromLocal8Bit(argv[2]));
    } catch (const EPollux& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 2;
}
