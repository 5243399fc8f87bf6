// A second process for the store tests.
//   crash RUN   writes rounds of values under Configuration\Crash\RunRUN until
//               killed, printing "round N" after each complete round
//   share WHO   writes 200 values named WHO0..WHO199 into Configuration\Servers
//   serve -     keeps its store open and answers lines on stdin:
//               "write NAME VALUE" stores the integer under Configuration,
//               "read NAME" prints its value (-1 when missing); each answer
//               is one line
#include "core/Errors.h"
#include "settings/RegUtils.h"

#include <QString>
#include <QStringList>

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

int serve()
{
    char line[512];
    while (std::fgets(line, sizeof line, stdin)) {
        const QStringList words = QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.size() == 3 && words[0] == QLatin1String("write")) {
            WriteSettingInteger(kConfigurationKey, words[1], words[2].trimmed().toInt());
            std::printf("ok\n");
        } else if (words.size() == 2 && words[0] == QLatin1String("read")) {
            const QString name = words[1].trimmed();
            std::printf("%d\n", SettingsValueExists(kConfigurationKey, name)
                                    ? ReadSettingInteger(kConfigurationKey, name) : -1);
        } else {
            std::printf("?\n");
        }
        std::fflush(stdout);
    }
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
        if (std::strcmp(argv[1], "serve") == 0)
            return serve();
    } catch (const EPollux& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 2;
}
