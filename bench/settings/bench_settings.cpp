// Times the settings store the way the program uses it, one call at a time,
// beside a floor: SQLite itself on a connection kept open (WAL,
// synchronous=NORMAL), one SELECT of a value by key and one UPSERT in a
// transaction, on a table of the same shape. Runs in a scratch settings
// folder of its own.
//   bench_settings [history-size]
#include "settings/RegUtils.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

void check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

// The floor: SQLite alone, connection and statements kept, WAL.
void rawSqlite(const QString& path, double& readMs, double& writeMs)
{
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                          SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), db);
    check(sqlite3_exec(db,
                       "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;"
                       "CREATE TABLE vals(id INTEGER PRIMARY KEY, key INTEGER NOT NULL, fold TEXT NOT NULL,"
                       " kind INTEGER NOT NULL, data, UNIQUE(key, fold));"
                       "INSERT INTO vals(key, fold, kind, data) VALUES (2, 'fontname', 1, 'Courier New (Size: 10)');",
                       nullptr, nullptr, nullptr), db);
    sqlite3_stmt* select = nullptr;
    sqlite3_stmt* upsert = nullptr;
    sqlite3_stmt* begin = nullptr;
    sqlite3_stmt* commit = nullptr;
    check(sqlite3_prepare_v3(db, "SELECT kind, data FROM vals WHERE key = ?1 AND fold = ?2", -1,
                             SQLITE_PREPARE_PERSISTENT, &select, nullptr), db);
    check(sqlite3_prepare_v3(db, "INSERT INTO vals(key, fold, kind, data) VALUES (?1, ?2, 4, ?3) "
                                 "ON CONFLICT(key, fold) DO UPDATE SET kind = excluded.kind, data = excluded.data",
                             -1, SQLITE_PREPARE_PERSISTENT, &upsert, nullptr), db);
    check(sqlite3_prepare_v3(db, "BEGIN IMMEDIATE", -1, SQLITE_PREPARE_PERSISTENT, &begin, nullptr), db);
    check(sqlite3_prepare_v3(db, "COMMIT", -1, SQLITE_PREPARE_PERSISTENT, &commit, nullptr), db);
    std::vector<double> reads, writes;
    for (int i = 0; i < 2000; ++i) {
        reads.push_back(timeMs([&] {
            sqlite3_bind_int64(select, 1, 2);
            sqlite3_bind_text(select, 2, "fontname", -1, SQLITE_STATIC);
            check(sqlite3_step(select), db);
            const QString text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(select, 1)));
            sqlite3_reset(select);
        }));
    }
    for (int i = 0; i < 200; ++i) {
        writes.push_back(timeMs([&] {
            check(sqlite3_step(begin), db);
            sqlite3_reset(begin);
            sqlite3_bind_int64(upsert, 1, 2);
            sqlite3_bind_text(upsert, 2, "left", -1, SQLITE_STATIC);
            sqlite3_bind_int64(upsert, 3, i);
            check(sqlite3_step(upsert), db);
            sqlite3_reset(upsert);
            check(sqlite3_step(commit), db);
            sqlite3_reset(commit);
        }));
    }
    for (sqlite3_stmt* stmt : {select, upsert, begin, commit})
        sqlite3_finalize(stmt);
    sqlite3_close_v2(db);
    readMs = median(reads);
    writeMs = median(writes);
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

    double floorRead = 0, floorWrite = 0;
    rawSqlite(dir.filePath(QStringLiteral("floor.db")), floorRead, floorWrite);

    std::printf("read string (median of 2000)        %.4f ms   (target < 0.01 ms)\n", median(reads));
    std::printf("read bool (median of 2000)          %.4f ms\n", median(bools));
    std::printf("test missing value (median of 2000) %.4f ms\n", median(missing));
    std::printf("write integer (median of 200)       %.4f ms   (target < 0.1 ms)\n", median(writes));
    std::printf("write %d history names           %.1f ms in all, %.3f ms each\n", historySize, fill,
                fill / historySize);
    std::printf("list %d names (median of 20)     %.2f ms   (target < 20 ms), got %lld\n", historySize,
                median(lists), static_cast<long long>(names.size()));
    std::printf("read among %d (median of 2000)   %.3f ms\n", historySize, median(readsBig));
    std::printf("floor: SQLite kept open, SELECT     %.4f ms\n", floorRead);
    std::printf("floor: SQLite kept open, UPSERT     %.4f ms\n", floorWrite);
    // For scripts/bench's table.
    std::printf("figure store_read_ms %.4f\n", median(reads));
    std::printf("figure store_write_ms %.4f\n", median(writes));
    std::printf("figure sqlite_read_ms %.4f\n", floorRead);
    std::printf("figure sqlite_write_ms %.4f\n", floorWrite);
    std::printf("figure store_list_ms %.2f\n", median(lists));
    std::printf("figure store_list_names %d\n", historySize);
    return 0;
}
