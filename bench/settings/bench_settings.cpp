// Times the settings store the way the program uses it: every call opens,
// acts and closes. Runs in a scratch settings folder of its own.
//   bench_settings [history-size]
#include "settings/RegUtils.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

template <class F>
double timeMs(F&& body)
{
    QElapsedTimer timer;
    timer.start();
    body();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    const int historySize = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    QTemporaryDir dir;
    qputenv("POLLUX_CONFIG_DIR", dir.path().toLocal8Bit());
    const QString query = kConfigurationKey + QStringLiteral("\\Query");

    WriteSettingString(kConfigurationKey, QStringLiteral("FontName"), QStringLiteral("Courier New (Size: 10)"));
    WriteSettingBool(kConfigurationKey, QStringLiteral("OpenLastSite"), true);

    std::vector<double> reads, bools, writes, missing;
    for (int i = 0; i < 2000; ++i) {
        reads.push_back(timeMs([&] { ReadSettingString(kConfigurationKey, QStringLiteral("FontName")); }));
        bools.push_back(timeMs([&] { ReadSettingBool(kConfigurationKey, QStringLiteral("OpenLastSite")); }));
        missing.push_back(timeMs([&] { SettingsValueExists(kConfigurationKey, QStringLiteral("Nothing")); }));
    }
    for (int i = 0; i < 200; ++i)
        writes.push_back(timeMs([&] { WriteSettingInteger(kConfigurationKey, QStringLiteral("Left"), i); }));

    const double fill = timeMs([&] {
        for (int i = 0; i < historySize; ++i)
            WriteSettingString(query, QStringLiteral("user%1@host%2.example.org").arg(i).arg(i % 97), QString());
    });
    std::vector<double> lists;
    QStringList names;
    for (int i = 0; i < 20; ++i)
        lists.push_back(timeMs([&] { ListSettingValues(query, names); }));
    std::vector<double> readsBig;
    for (int i = 0; i < 2000; ++i)
        readsBig.push_back(timeMs([&] { ReadSettingString(query, QStringLiteral("user5000@host53.example.org")); }));

    std::printf("read string (median of 2000)        %.3f ms   (target < 0.2 ms)\n", median(reads));
    std::printf("read bool (median of 2000)          %.3f ms\n", median(bools));
    std::printf("test missing value (median of 2000) %.3f ms\n", median(missing));
    std::printf("write integer (median of 200)       %.3f ms\n", median(writes));
    std::printf("write %d history names           %.1f ms in all, %.3f ms each\n", historySize, fill,
                fill / historySize);
    std::printf("list %d names (median of 20)     %.2f ms   (target < 20 ms), got %lld\n", historySize,
                median(lists), static_cast<long long>(names.size()));
    std::printf("read among %d (median of 2000)   %.3f ms\n", historySize, median(readsBig));
    // For scripts/bench's table.
    std::printf("figure store_read_ms %.3f\n", median(reads));
    std::printf("figure store_list_ms %.2f\n", median(lists));
    std::printf("figure store_list_names %d\n", historySize);
    return 0;
}
