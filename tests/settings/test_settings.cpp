#include "TestMain.h"

#include "core/Errors.h"
#include "core/Version.h"
#include "settings/ColourText.h"
#include "settings/DebugLog.h"
#include "settings/RegUtils.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>

#include <sqlite3.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>
#include <unistd.h>

namespace {

const QString kKey = kConfigurationKey;

// Runs body and returns the message of the EPollux it throws (empty when it
// throws nothing), checking the failure's kind on the way.
template <class Failure>
QString failureOf(const std::function<void()>& body)
{
    try {
        body();
    } catch (const Failure& e) {
        return e.Message();
    }
    return {};
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The damaged stores moved aside (without the logs moved with them).
QStringList asideFiles()
{
    QStringList stores;
    for (const QString& name : QDir(pollux_test::settingsDir().path())
                                   .entryList({QStringLiteral("settings.db.corrupt-*")}, QDir::Files, QDir::Name)) {
        if (!name.endsWith(QLatin1String("-wal")) && !name.endsWith(QLatin1String("-journal")))
            stores.append(name);
    }
    return stores;
}

// Opens the store file directly, the way a recovery tool would.
QString integrityOf(const QString& path)
{
    sqlite3* db = nullptr;
    QString result;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK
            && sqlite3_step(stmt) == SQLITE_ROW)
            result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
    }
    sqlite3_close_v2(db);
    return result;
}

// Waits (event driven, no polling) until the writer prints a line holding
// "round N" with N >= wanted; returns the last round seen, or -1 on failure.
int waitForRound(QProcess& writer, int wanted, QByteArray& seen)
{
    int last = -1;
    while (last < wanted) {
        if (!writer.canReadLine() && !writer.waitForReadyRead(60000))
            return -1;
        while (writer.canReadLine()) {
            const QByteArray line = writer.readLine().trimmed();
            seen += line + '\n';
            if (line.startsWith("round "))
                last = line.mid(6).toInt();
        }
    }
    return last;
}

int lastRoundIn(const QByteArray& output)
{
    int last = -1;
    for (const QByteArray& line : output.split('\n')) {
        if (line.startsWith("round "))
            last = line.mid(6).trimmed().toInt();
    }
    return last;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void init() { pollux_test::clearSettingsDir(); }

    // ---- the store ----

    void missingAndEmptyStrings()
    {
        QCOMPARE(ReadSettingString(kKey, QStringLiteral("FontName")), QStringLiteral(" "));
        QVERIFY(!SettingsKeyExists(kKey));
        QVERIFY(!QFileInfo::exists(SettingsStorePath())); // reading never creates the store

        QVERIFY(WriteSettingString(kKey, QStringLiteral("Empty"), QString()));
        QVERIFY(SettingsKeyExists(kKey));
        QVERIFY(SettingsKeyExists(kRootKey)); // keys above are created too
        QVERIFY(SettingsValueExists(kKey, QStringLiteral("Empty")));
        QVERIFY(!SettingsValueExists(kKey, QStringLiteral("FontName")));
        QCOMPARE(ReadSettingString(kKey, QStringLiteral("Empty")), QString(""));
        QCOMPARE(ReadSettingString(kKey, QStringLiteral("FontName")), QStringLiteral(" "));
        QVERIFY(!SettingsValueExists(kKey + QStringLiteral("\\Colour"), QStringLiteral("Empty")));

        // The key's unnamed value is the empty name.
        QVERIFY(WriteSettingString(kKey, QString(), QStringLiteral("default")));
        QCOMPARE(ReadSettingString(kKey, QString()), QStringLiteral("default"));
    }

    void integers()
    {
        QCOMPARE(ReadSettingInteger(kKey + QStringLiteral("\\Positions"), QStringLiteral("Left")), -1);
        for (const qint32 value : {0, 42, -1, INT_MIN, INT_MAX}) {
            WriteSettingInteger(kKey, QStringLiteral("Left"), value);
            QCOMPARE(ReadSettingInteger(kKey, QStringLiteral("Left")), value);
        }
        QCOMPARE(failureOf<ERegistryException>([] { ReadSettingInteger(kKey, QStringLiteral("Width")); }),
                 QStringLiteral("Failed to get data for 'Width'"));
    }

    void wrongKinds()
    {
        WriteSettingString(kKey, QStringLiteral("WindowState"), QStringLiteral("Normal"));
        QCOMPARE(failureOf<ERegistryException>([] { ReadSettingInteger(kKey, QStringLiteral("WindowState")); }),
                 QStringLiteral("Invalid data type for 'WindowState'"));
        QCOMPARE(failureOf<ERegistryException>([] { ReadSettingBool(kKey, QStringLiteral("WindowState")); }),
                 QStringLiteral("Invalid data type for 'WindowState'"));
        QCOMPARE(SettingValueKind(kKey, QStringLiteral("WindowState")), QStringLiteral("string"));

        // An integer read as a string gives its decimal text.
        WriteSettingInteger(kKey, QStringLiteral("Left"), -120);
        QCOMPARE(ReadSettingString(kKey, QStringLiteral("Left")), QStringLiteral("-120"));

        // A rewrite replaces the kind as well as the data.
        WriteSettingInteger(kKey, QStringLiteral("WindowState"), 2);
        QCOMPARE(ReadSettingInteger(kKey, QStringLiteral("WindowState")), 2);
        QCOMPARE(SettingValueKind(kKey, QStringLiteral("WindowState")), QStringLiteral("integer"));
        WriteSettingString(kKey, QStringLiteral("WindowState"), QStringLiteral("Maximised"));
        QCOMPARE(ReadSettingString(kKey, QStringLiteral("WindowState")), QStringLiteral("Maximised"));
        QCOMPARE(SettingValueKind(kKey, QStringLiteral("Missing")), QString());
    }

    void booleans_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("expected");
        QTest::newRow("0") << 0 << false;
        QTest::newRow("1") << 1 << true;
        QTest::newRow("2") << 2 << true;
        QTest::newRow("-1") << -1 << true;
    }

    void booleans()
    {
        QFETCH(int, stored);
        QFETCH(bool, expected);
        QVERIFY(!ReadSettingBool(kKey, QStringLiteral("OpenLastSite"))); // missing key
        WriteSettingInteger(kKey, QStringLiteral("OpenLastSite"), stored);
        QCOMPARE(ReadSettingBool(kKey, QStringLiteral("OpenLastSite")), expected);
        QVERIFY(!ReadSettingBool(kKey, QStringLiteral("MinToSysTray"))); // missing value

        WriteSettingBool(kKey, QStringLiteral("ShowGutter"), true);
        QCOMPARE(ReadSettingInteger(kKey, QStringLiteral("ShowGutter")), 1);
        WriteSettingBool(kKey, QStringLiteral("ShowGutter"), false);
        QCOMPARE(ReadSettingInteger(kKey, QStringLiteral("ShowGutter")), 0);
    }

    void deleteTakesEverythingBelow()
    {
        const QString sounds = kKey + QStringLiteral("\\Sounds");
        WriteSettingBool(sounds, QStringLiteral("SoundsEnabled"), true);
        WriteSettingString(sounds + QStringLiteral("\\Used"), QStringLiteral("/usr/share/sounds/a.wav"), QString());
        WriteSettingString(sounds + QStringLiteral("\\Used\\Deeper"), QStringLiteral("x"), QString());
        // Neighbours whose names share the prefix must survive.
        const QStringList neighbours{kKey + QStringLiteral("\\Sounds Extra"), kKey + QStringLiteral("\\SoundsZ"),
                                     kKey + QStringLiteral("\\Sounds]"), kKey + QStringLiteral("\\Servers")};
        for (const QString& key : neighbours)
            WriteSettingString(key, QStringLiteral("kept"), QStringLiteral("yes"));

        QVERIFY(DeleteSettingsKey(kKey + QStringLiteral("\\SOUNDS")));
        QVERIFY(!SettingsKeyExists(sounds));
        QVERIFY(!SettingsKeyExists(sounds + QStringLiteral("\\Used")));
        QVERIFY(!SettingsKeyExists(sounds + QStringLiteral("\\Used\\Deeper")));
        QVERIFY(SettingsKeyExists(kKey));
        for (const QString& key : neighbours)
            QCOMPARE(ReadSettingString(key, QStringLiteral("kept")), QStringLiteral("yes"));
        QStringList keys;
        QVERIFY(ListSettingKeys(kKey, keys));
        QCOMPARE(keys, QStringList({"Sounds Extra", "SoundsZ", "Sounds]", "Servers"}));

        QVERIFY(!DeleteSettingsKey(sounds)); // already gone
        QVERIFY(!DeleteSettingsKey(QStringLiteral("\\"))); // the top is never deleted
        QVERIFY(SettingsKeyExists(kKey));

        // A list replaced whole starts its order afresh.
        WriteSettingString(sounds + QStringLiteral("\\Used"), QStringLiteral("b"), QString());
        WriteSettingString(sounds + QStringLiteral("\\Used"), QStringLiteral("a"), QString());
        QStringList names;
        QVERIFY(ListSettingValues(sounds + QStringLiteral("\\Used"), names));
        QCOMPARE(names, QStringList({"b", "a"}));
    }

    void valueNamesAreFreeText()
    {
        const QString servers = kKey + QStringLiteral("\\Servers");
        const QStringList names{
            QStringLiteral("user@host.example.org"),
            QStringLiteral("C:\\Windows\\Media\\ding.wav"),
            QStringLiteral("/home/me/My Sounds/ding.wav"),
            QStringLiteral("@"),
            QStringLiteral("\\"),
            QStringLiteral("  spaced  "),
            QStringLiteral("line\nbreak\r\n"),
            QStringLiteral("quote \" = ' ; [x]"),
            QStringLiteral("Grüße, Ωμέγα, 漢字, 😀"),
            QStringLiteral("%s %1 %n"),
        };
        for (int i = 0; i < names.size(); ++i)
            WriteSettingString(servers, names[i], QStringLiteral("description %1").arg(i));
        QStringList listed;
        QVERIFY(ListSettingValues(servers, listed));
        QCOMPARE(listed, names);
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(ReadSettingString(servers, names[i]), QStringLiteral("description %1").arg(i));
        // None of them made a key.
        QStringList keys;
        QVERIFY(ListSettingKeys(servers, keys));
        QVERIFY(keys.isEmpty());

        QVERIFY(!ListSettingValues(kKey + QStringLiteral("\\Missing"), listed));
        QVERIFY(listed.isEmpty());
    }

    void orderAndCase()
    {
        const QString query = kKey + QStringLiteral("\\Query");
        WriteSettingString(query, QStringLiteral("finger@a"), QString());
        WriteSettingString(query, QStringLiteral("LastQuery"), QStringLiteral("finger@a"));
        WriteSettingString(query, QStringLiteral("finger@b"), QString());
        // Rewriting, in another case, keeps the place and the first spelling.
        WriteSettingString(query, QStringLiteral("LASTQUERY"), QStringLiteral("finger@b"));
        WriteSettingString(query, QStringLiteral("Finger@A"), QStringLiteral("again"));
        QStringList names;
        QVERIFY(ListSettingValues(query, names));
        QCOMPARE(names, QStringList({"finger@a", "LastQuery", "finger@b"}));
        QCOMPARE(ReadSettingString(query, QStringLiteral("lastquery")), QStringLiteral("finger@b"));
        QCOMPARE(ReadSettingString(query, QStringLiteral("FINGER@a")), QStringLiteral("again"));

        // Key paths: any case, with or without the leading "\".
        QCOMPARE(ReadSettingString(QStringLiteral("software\\MARLWICK\\pollux\\2.0\\configuration\\QUERY"),
                                   QStringLiteral("LastQuery")),
                 QStringLiteral("finger@b"));
        QVERIFY(SettingsKeyExists(QStringLiteral("Software\\Marlwick\\Pollux\\2.0\\Configuration")));

        // Folding goes beyond ASCII.
        WriteSettingString(kKey + QStringLiteral("\\Ärger"), QStringLiteral("ΣΊΣΥΦΟΣ"), QStringLiteral("myth"));
        QCOMPARE(ReadSettingString(kKey + QStringLiteral("\\äRGER"), QStringLiteral("σίσυφος")),
                 QStringLiteral("myth"));
        QVERIFY(ListSettingValues(kKey + QStringLiteral("\\ärger"), names));
        QCOMPARE(names, QStringList({"ΣΊΣΥΦΟΣ"}));

        // Sub-keys in first-created order, with their first spelling.
        WriteSettingString(kKey + QStringLiteral("\\zeta"), QStringLiteral("x"), QString());
        WriteSettingString(kKey + QStringLiteral("\\Alpha"), QStringLiteral("x"), QString());
        WriteSettingString(kKey + QStringLiteral("\\ZETA\\inner"), QStringLiteral("x"), QString());
        QStringList keys;
        QVERIFY(ListSettingKeys(kKey, keys));
        QCOMPARE(keys, QStringList({"Query", "Ärger", "zeta", "Alpha"}));
        QVERIFY(ListSettingKeys(kKey + QStringLiteral("\\Zeta"), keys));
        QCOMPARE(keys, QStringList({"inner"}));
    }

    void singleValueDeleteAndBatch()
    {
        QList<SettingEntry> entries(3);
        entries[0].name = QStringLiteral("Left");
        entries[0].isInteger = true;
        entries[0].integer = 10;
        entries[1].name = QStringLiteral("WindowState");
        entries[1].text = QStringLiteral("Normal");
        entries[2].name = QStringLiteral("Top");
        entries[2].isInteger = true;
        entries[2].integer = -5;
        const QString positions = kKey + QStringLiteral("\\Positions");
        QVERIFY(WriteSettingEntries(positions, entries));
        QList<SettingEntry> read;
        QVERIFY(ReadSettingEntries(positions, read));
        QCOMPARE(read.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(read[i].name, entries[i].name);
            QCOMPARE(read[i].isInteger, entries[i].isInteger);
            QCOMPARE(read[i].integer, entries[i].integer);
            QCOMPARE(read[i].text, entries[i].text);
        }

        QVERIFY(DeleteSettingValue(positions, QStringLiteral("windowstate")));
        QVERIFY(!DeleteSettingValue(positions, QStringLiteral("WindowState")));
        QVERIFY(!DeleteSettingValue(kKey + QStringLiteral("\\Missing"), QStringLiteral("Left")));
        QStringList names;
        QVERIFY(ListSettingValues(positions, names));
        QCOMPARE(names, QStringList({"Left", "Top"}));

        QVERIFY(WriteSettingEntries(kKey + QStringLiteral("\\Toolbars"), {})); // creates an empty key
        QVERIFY(SettingsKeyExists(kKey + QStringLiteral("\\Toolbars")));
    }

    void refusedWriteIsReported_data()
    {
        QTest::addColumn<bool>("readOnlyFolder"); // else: a folder where the log goes
        // Refuses writes whoever runs the test, root included.
        QTest::newRow("log cannot be opened") << false;
        // No log or index can be made beside the store (not as root).
        QTest::newRow("read-only folder") << true;
    }

    void refusedWriteIsReported()
    {
        QFETCH(bool, readOnlyFolder);
        if (readOnlyFolder && ::geteuid() == 0)
            QSKIP("root writes into a read-only folder");
        WriteSettingString(kKey, QStringLiteral("FontName"), QStringLiteral("Courier New (Size: 10)"));
        CloseSettingsStore();
        const QString folder = pollux_test::settingsDir().path();
        const QString log = SettingsStorePath() + QStringLiteral("-wal");
        QVERIFY(readOnlyFolder ? QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner)
                               : QDir().mkdir(log));
        auto restore = qScopeGuard([&] {
            if (readOnlyFolder)
                QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            else
                QDir().rmdir(log);
        });
        QCOMPARE(failureOf<ERegistryException>(
                     [] { WriteSettingString(kKey, QStringLiteral("FontName"), QStringLiteral("Arial (Size: 8)")); }),
                 QStringLiteral("Failed to set data for 'FontName'"));
        // Reads still answer meanwhile.
        QCOMPARE(ReadSettingString(kKey, QStringLiteral("FontName")), QStringLiteral("Courier New (Size: 10)"));
        restore.dismiss();
        if (readOnlyFolder)
            QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        else
            QVERIFY(QDir().rmdir(log));
        QCOMPARE(ReadSettingString(kKey, QStringLiteral("FontName")), QStringLiteral("Courier New (Size: 10)"));
        QVERIFY(WriteSettingString(kKey, QStringLiteral("FontName"), QStringLiteral("Arial (Size: 8)")));
        QCOMPARE(ReadSettingString(kKey, QStringLiteral("FontName")), QStringLiteral("Arial (Size: 8)"));
    }

    void damagedStoreIsMovedAside_data()
    {
        QTest::addColumn<QByteArray>("damage");
        QTest::newRow("text file") << QByteArray("[Configuration]\nFontName=Courier\n");
        QTest::newRow("garbled header") << QByteArray("SQLite format 3");
        QTest::newRow("foreign database") << QByteArray("foreign");
        QTest::newRow("garbled pages") << QByteArray("pages");
    }

    void damagedStoreIsMovedAside()
    {
        QFETCH(QByteArray, damage);
        const QString store = SettingsStorePath();
        if (damage == "foreign") {
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(store).constData(), &db), SQLITE_OK);
            QCOMPARE(sqlite3_exec(db, "CREATE TABLE notes(text); INSERT INTO notes VALUES ('mine');", nullptr,
                                  nullptr, nullptr),
                     SQLITE_OK);
            sqlite3_close(db);
        } else if (damage == "pages") {
            for (int i = 0; i < 200; ++i)
                WriteSettingString(kKey, QStringLiteral("Value %1").arg(i), QString(100, QLatin1Char('x')));
            CloseSettingsStore(); // everything checkpointed into the file
            QByteArray bytes = readAll(store);
            QVERIFY(bytes.size() > 8192);
            for (qsizetype i = 100; i < bytes.size(); ++i)
                bytes[i] = char(0xA5 ^ (i * 7));
            writeFile(store, bytes);
        } else {
            QByteArray bytes = damage;
            if (damage.startsWith("SQLite"))
                bytes = QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\x7f');
            writeFile(store, bytes);
        }
        const QByteArray original = readAll(store);

        const QString message = failureOf<EStoreError>([] { ReadSettingString(kKey, QStringLiteral("FontName")); });
        QVERIFY2(message.contains(store), qPrintable(message));
        const QStringList aside = asideFiles();
        QCOMPARE(aside.size(), 1);
        QVERIFY2(message.contains(aside.first()), qPrintable(message));
        QCOMPARE(readAll(QDir(pollux_test::settingsDir().path()).filePath(aside.first())), original);
        QVERIFY(!QFileInfo::exists(store));

        // The next call starts a fresh store.
        QCOMPARE(ReadSettingString(kKey, QStringLiteral("FontName")), QStringLiteral(" "));
        QVERIFY(WriteSettingString(kKey, QStringLiteral("FontName"), QStringLiteral("Arial (Size: 8)")));
        QCOMPARE(ReadSettingString(kKey, QStringLiteral("FontName")), QStringLiteral("Arial (Size: 8)"));

        // A second damaged file in the same second never overwrites the first;
        // the log of the store open at the time goes with it, and is not
        // played into the next one.
        writeFile(store, "junk");
        QVERIFY(!failureOf<EStoreError>([] { WriteSettingBool(kKey, QStringLiteral("PXRun"), true); }).isEmpty());
        QCOMPARE(asideFiles().size(), 2);
        QVERIFY(!QFileInfo::exists(store + QStringLiteral("-wal")));
        QVERIFY(!ReadSettingBool(kKey, QStringLiteral("PXRun")));
        QCOMPARE(ReadSettingString(kKey, QStringLiteral("FontName")), QStringLiteral(" "));
        QVERIFY(WriteSettingBool(kKey, QStringLiteral("PXRun"), true));
        QVERIFY(ReadSettingBool(kKey, QStringLiteral("PXRun")));
    }

    void newerStoreIsLeftAlone()
    {
        WriteSettingString(kKey, QStringLiteral("FontName"), QStringLiteral("x"));
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(SettingsStorePath()).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "PRAGMA user_version = 7", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        const QByteArray before = readAll(SettingsStorePath());
        const QString message = failureOf<EStoreError>([] { ReadSettingString(kKey, QStringLiteral("FontName")); });
        QVERIFY2(message.contains(QLatin1String("newer version")) && message.contains(SettingsStorePath()),
                 qPrintable(message));
        QVERIFY(!failureOf<EStoreError>([] { WriteSettingBool(kKey, QStringLiteral("PXRun"), true); }).isEmpty());
        QVERIFY(asideFiles().isEmpty());
        QCOMPARE(readAll(SettingsStorePath()), before);
    }

    void emptyStoreFileIsFresh()
    {
        writeFile(SettingsStorePath(), QByteArray());
        QCOMPARE(ReadSettingString(kKey, QStringLiteral("FontName")), QStringLiteral(" "));
        QVERIFY(WriteSettingString(kKey, QStringLiteral("FontName"), QStringLiteral("x")));
        QCOMPARE(ReadSettingString(kKey, QStringLiteral("FontName")), QStringLiteral("x"));
        QVERIFY(asideFiles().isEmpty());
    }

    // A writer killed at an arbitrary moment leaves a store that opens, passes
    // SQLite's integrity check and holds, for every value, the old or the new
    // data; a transaction of several values is all or nothing.
    void killedWriterLeavesStoreIntact()
    {
        for (int run = 0; run < 5; ++run) {
            QProcess writer;
            writer.setProcessChannelMode(QProcess::SeparateChannels);
            writer.start(QStringLiteral(STORE_WRITER_PATH), {QStringLiteral("crash"), QString::number(run)});
            QVERIFY2(writer.waitForStarted(30000), qPrintable(writer.errorString()));
            QByteArray seen;
            // Progress from the writer itself says when it is in full flow.
            QVERIFY2(waitForRound(writer, 3 + run, seen) >= 0, writer.readAllStandardError().constData());
            writer.kill();
            QVERIFY(writer.waitForFinished(30000));
            seen += writer.readAllStandardOutput();
            const int round = lastRoundIn(seen);
            QVERIFY(round >= 3);

            QCOMPARE(integrityOf(SettingsStorePath()), QStringLiteral("ok"));
            const QString key = kKey + QStringLiteral("\\Crash\\Run%1").arg(run);
            // Values are written in order: a prefix holds round + 1, the rest
            // round; each "Single" is written just before its pair.
            bool inNewPart = true;
            for (int i = 0; i < 50; ++i) {
                const QString name = QStringLiteral("Value %1").arg(i);
                const qint32 value = ReadSettingInteger(key, name);
                QVERIFY2(value == round || value == round + 1, qPrintable(QStringLiteral("%1 = %2 after round %3")
                                                                               .arg(name).arg(value).arg(round)));
                if (value == round)
                    inNewPart = false;
                else
                    QVERIFY2(inNewPart, qPrintable(name));
                QCOMPARE(ReadSettingString(key, QStringLiteral("Text %1").arg(i)),
                         QStringLiteral("round %1").arg(value));
                const qint32 single = ReadSettingInteger(key, QStringLiteral("Single %1").arg(i));
                QVERIFY(single == value || single == value + 1);
            }
            // A batch: every value equal.
            QList<SettingEntry> batch;
            QVERIFY(ReadSettingEntries(key + QStringLiteral("\\Batch"), batch));
            QCOMPARE(batch.size(), 20);
            for (const SettingEntry& entry : batch)
                QCOMPARE(entry.integer, batch.first().integer);
            QVERIFY(batch.first().integer == round || batch.first().integer == round + 1);
        }
        QVERIFY(asideFiles().isEmpty());
    }

    void twoWritersAtOnce()
    {
        QProcess first, second;
        first.start(QStringLiteral(STORE_WRITER_PATH), {QStringLiteral("share"), QStringLiteral("A")});
        second.start(QStringLiteral(STORE_WRITER_PATH), {QStringLiteral("share"), QStringLiteral("B")});
        for (QProcess* writer : {&first, &second}) {
            QVERIFY(writer->waitForFinished(120000));
            QVERIFY2(writer->exitStatus() == QProcess::NormalExit && writer->exitCode() == 0,
                     writer->readAllStandardError().constData());
        }
        for (const QString& who : {QStringLiteral("A"), QStringLiteral("B")}) {
            QStringList names;
            QVERIFY(ListSettingValues(kKey + QStringLiteral("\\Servers"), names));
            for (int i = 0; i < 200; ++i)
                QCOMPARE(ReadSettingInteger(kKey + QStringLiteral("\\Servers"), who + QString::number(i)), i);
        }
        QStringList names;
        QVERIFY(ListSettingValues(kKey + QStringLiteral("\\Servers"), names));
        QCOMPARE(names.size(), 400);
    }

    // Two copies each with the store open see each other's writes at once:
    // nothing is cached beyond a call.
    void openCopiesSeeEachOtherAtOnce()
    {
        const QString name = QStringLiteral("Shared");
        WriteSettingInteger(kKey, name, 0); // this copy's connection is open from here on
        QProcess other;
        other.start(QStringLiteral(STORE_WRITER_PATH), {QStringLiteral("serve"), QStringLiteral("-")});
        QVERIFY2(other.waitForStarted(30000), qPrintable(other.errorString()));
        auto ask = [&](const QByteArray& line) {
            other.write(line + '\n');
            while (!other.canReadLine()) {
                if (!other.waitForReadyRead(60000))
                    return QByteArray("no answer: ") + other.readAllStandardError();
            }
            return other.readLine().trimmed();
        };
        QCOMPARE(ask("read " + name.toUtf8()), QByteArray("0"));
        for (int round = 1; round <= 3; ++round) {
            QCOMPARE(ask("write " + name.toUtf8() + ' ' + QByteArray::number(2 * round - 1)), QByteArray("ok"));
            QCOMPARE(ReadSettingInteger(kKey, name), 2 * round - 1);
            WriteSettingInteger(kKey, name, 2 * round);
            QCOMPARE(ask("read " + name.toUtf8()), QByteArray::number(2 * round));
        }
        other.closeWriteChannel();
        QVERIFY(other.waitForFinished(30000));
        QCOMPARE(other.exitCode(), 0);
    }

    // The one connection is shared by every thread that uses the store.
    void threadsShareTheStore()
    {
        std::vector<std::thread> threads;
        std::atomic<int> wrong{0};
        for (int t = 0; t < 3; ++t) {
            threads.emplace_back([t, &wrong] {
                const QString key = kKey + QStringLiteral("\\Thread%1").arg(t);
                for (int i = 0; i < 100; ++i) {
                    WriteSettingInteger(key, QStringLiteral("Value %1").arg(i), i);
                    if (ReadSettingInteger(key, QStringLiteral("Value %1").arg(i)) != i)
                        ++wrong;
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        QCOMPARE(wrong.load(), 0);
        for (int t = 0; t < 3; ++t) {
            QStringList names;
            QVERIFY(ListSettingValues(kKey + QStringLiteral("\\Thread%1").arg(t), names));
            QStringList expected;
            for (int i = 0; i < 100; ++i)
                expected.append(QStringLiteral("Value %1").arg(i));
            QCOMPARE(names, expected);
        }
    }

    // The file deleted or replaced while the store is open: the next call
    // uses what the path names now, and nothing of the old file's log is
    // played into it.
    void storeFileGoneWhileOpen_data()
    {
        QTest::addColumn<bool>("replaced"); // else deleted
        QTest::newRow("deleted") << false;
        QTest::newRow("replaced by another store") << true;
    }

    void storeFileGoneWhileOpen()
    {
        QFETCH(bool, replaced);
        const QString store = SettingsStorePath();
        QTemporaryDir elsewhere;
        if (replaced) {
            // Another store, made by another process in a folder of its own.
            QProcess maker;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("POLLUX_CONFIG_DIR"), elsewhere.path());
            maker.setProcessEnvironment(env);
            maker.start(QStringLiteral(STORE_WRITER_PATH), {QStringLiteral("share"), QStringLiteral("X")});
            QVERIFY(maker.waitForFinished(120000));
            QCOMPARE(maker.exitCode(), 0);
        }
        WriteSettingString(kKey, QStringLiteral("FontName"), QStringLiteral("Courier New (Size: 10)"));
        for (int i = 0; i < 20; ++i)
            WriteSettingInteger(kKey, QStringLiteral("Left"), i);
        QVERIFY(QFileInfo(store + QStringLiteral("-wal")).size() > 0); // the writes are in the log

        if (replaced)
            QVERIFY(::rename(QFile::encodeName(elsewhere.filePath(QStringLiteral("settings.db"))).constData(),
                             QFile::encodeName(store).constData()) == 0);
        else
            QVERIFY(QFile::remove(store));

        QCOMPARE(ReadSettingString(kKey, QStringLiteral("FontName")), QStringLiteral(" "));
        QVERIFY(!SettingsValueExists(kKey, QStringLiteral("Left")));
        QCOMPARE(QFileInfo::exists(store), replaced); // a read never creates one
        if (replaced)
            QCOMPARE(ReadSettingInteger(kKey + QStringLiteral("\\Servers"), QStringLiteral("X7")), 7);
        QVERIFY(WriteSettingInteger(kKey, QStringLiteral("Top"), 5));
        QCOMPARE(ReadSettingInteger(kKey, QStringLiteral("Top")), 5);
        QVERIFY(!SettingsValueExists(kKey, QStringLiteral("Left")));
        // Private to the user, like the first one.
        QCOMPARE(QFileInfo(store).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());
        CloseSettingsStore();
        QCOMPARE(integrityOf(store), QStringLiteral("ok"));
        QCOMPARE(ReadSettingInteger(kKey, QStringLiteral("Top")), 5);
    }

    // ---- colour and font text ----

    void colourNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint32>("value");
        const struct {
            const char* name;
            quint32 value;
        } table[] = {
            {"clBlack", 0x00000000}, {"clMaroon", 0x00000080}, {"clGreen", 0x00008000},
            {"clOlive", 0x00008080}, {"clNavy", 0x00800000}, {"clPurple", 0x00800080},
            {"clTeal", 0x00808000}, {"clGray", 0x00808080}, {"clSilver", 0x00C0C0C0},
            {"clRed", 0x000000FF}, {"clLime", 0x0000FF00}, {"clYellow", 0x0000FFFF},
            {"clBlue", 0x00FF0000}, {"clFuchsia", 0x00FF00FF}, {"clAqua", 0x00FFFF00},
            {"clWhite", 0x00FFFFFF}, {"clMoneyGreen", 0x00C0DCC0}, {"clSkyBlue", 0x00F0CAA6},
            {"clCream", 0x00F0FBFF}, {"clMedGray", 0x00A4A0A0}, {"clActiveBorder", 0x8000000A},
            {"clActiveCaption", 0x80000002}, {"clAppWorkSpace", 0x8000000C}, {"clBackground", 0x80000001},
            {"clBtnFace", 0x8000000F}, {"clBtnHighlight", 0x80000014}, {"clBtnShadow", 0x80000010},
            {"clBtnText", 0x80000012}, {"clCaptionText", 0x80000009}, {"clDefault", 0x20000000},
            {"clGradientActiveCaption", 0x8000001B}, {"clGradientInactiveCaption", 0x8000001C},
            {"clGrayText", 0x80000011}, {"clHighlight", 0x8000000D}, {"clHighlightText", 0x8000000E},
            {"clHotLight", 0x8000001A}, {"clInactiveBorder", 0x8000000B}, {"clInactiveCaption", 0x80000003},
            {"clInactiveCaptionText", 0x80000013}, {"clInfoBk", 0x80000018}, {"clInfoText", 0x80000017},
            {"clMenu", 0x80000004}, {"clMenuBar", 0x8000001E}, {"clMenuHighlight", 0x8000001D},
            {"clMenuText", 0x80000007}, {"clNone", 0x1FFFFFFF}, {"clScrollBar", 0x80000000},
            {"cl3DDkShadow", 0x80000015}, {"cl3DLight", 0x80000016}, {"clWindow", 0x80000005},
            {"clWindowFrame", 0x80000006}, {"clWindowText", 0x80000008},
        };
        QCOMPARE(int(std::size(table)), 52);
        for (const auto& row : table)
            QTest::newRow(row.name) << QString::fromLatin1(row.name) << row.value;
    }

    void colourNames()
    {
        QFETCH(QString, name);
        QFETCH(quint32, value);
        QCOMPARE(ColourToText(value), name);
        QCOMPARE(TextToColour(name), value);
        QCOMPARE(TextToColour(name.toUpper()), value);
        QCOMPARE(TextToColour(name.toLower()), value);
    }

    void colourText_data()
    {
        QTest::addColumn<quint32>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("orange") << quint32(0x000080FF) << QStringLiteral("$000080FF");
        QTest::newRow("plain") << quint32(0x00123456) << QStringLiteral("$00123456");
        QTest::newRow("hex letters") << quint32(0x00ABCDEF) << QStringLiteral("$00ABCDEF");
        QTest::newRow("all bits") << quint32(0xFFFFFFFF) << QStringLiteral("$FFFFFFFF");
        QTest::newRow("system colour 99") << quint32(0x80000063) << QStringLiteral("$80000063");
    }

    void colourText()
    {
        QFETCH(quint32, value);
        QFETCH(QString, text);
        QCOMPARE(ColourToText(value), text);
        QCOMPARE(TextToColour(text), value);
    }

    void textToColour_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<quint32>("value");
        QTest::newRow("CLWHITE") << QStringLiteral("CLWHITE") << true << quint32(0x00FFFFFF);
        QTest::newRow("decimal") << QStringLiteral("255") << true << quint32(255);
        QTest::newRow("plus") << QStringLiteral("+16") << true << quint32(16);
        QTest::newRow("minus one") << QStringLiteral("-1") << true << quint32(0xFFFFFFFF);
        QTest::newRow("decimal min") << QStringLiteral("-2147483648") << true << quint32(0x80000000);
        QTest::newRow("decimal max") << QStringLiteral("2147483647") << true << quint32(0x7FFFFFFF);
        QTest::newRow("0x") << QStringLiteral("0x1f") << true << quint32(0x1F);
        QTest::newRow("0X") << QStringLiteral("0X8000000F") << true << quint32(0x8000000F);
        QTest::newRow("dollar lower") << QStringLiteral("$00ff00") << true << quint32(0x0000FF00);
        QTest::newRow("leading zeros") << QStringLiteral("$0000000000FF") << true << quint32(0xFF);
        QTest::newRow("leading blanks") << QStringLiteral("  12") << true << quint32(12);
        QTest::newRow("single space") << QStringLiteral(" ") << false << quint32(0);
        QTest::newRow("empty") << QString() << false << quint32(0);
        QTest::newRow("dollar only") << QStringLiteral("$") << false << quint32(0);
        QTest::newRow("0x only") << QStringLiteral("0x") << false << quint32(0);
        QTest::newRow("trailing blank") << QStringLiteral("12 ") << false << quint32(0);
        QTest::newRow("unknown name") << QStringLiteral("clOrange") << false << quint32(0);
        QTest::newRow("decimal overflow") << QStringLiteral("2147483648") << false << quint32(0);
        QTest::newRow("decimal underflow") << QStringLiteral("-2147483649") << false << quint32(0);
        QTest::newRow("hex overflow") << QStringLiteral("$100000000") << false << quint32(0);
        QTest::newRow("huge") << QStringLiteral("99999999999999999999999999999") << false << quint32(0);
        QTest::newRow("huge hex") << QStringLiteral("0xFFFFFFFFFFFFFFFFFFFFFFFF") << false << quint32(0);
        QTest::newRow("non-ASCII digits") << QStringLiteral("١٢٣") << false << quint32(0);
        QTest::newRow("bad hex digit") << QStringLiteral("$00GG00") << false << quint32(0);
        QTest::newRow("exponent") << QStringLiteral("1e3") << false << quint32(0);
        QTest::newRow("double sign") << QStringLiteral("--1") << false << quint32(0);
    }

    void textToColour()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(quint32, value);
        if (valid) {
            QCOMPARE(TextToColour(text), value);
            if (!text.startsWith(QLatin1String("CL")))
                QCOMPARE(StrToInt(text), qint32(value));
        } else {
            const QString expected = QStringLiteral("'%1' is not a valid integer value").arg(text);
            QCOMPARE(failureOf<EConvertError>([&] { TextToColour(text); }), expected);
            if (!text.startsWith(QLatin1String("cl")))
                QCOMPARE(failureOf<EConvertError>([&] { StrToInt(text); }), expected);
        }
    }

    void fontText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("size");
        QTest::newRow("Courier New") << QStringLiteral("Courier New (Size: 10)") << true << QStringLiteral("Courier New") << 10;
        QTest::newRow("one word") << QStringLiteral("Fixedsys (Size: 9)") << true << QStringLiteral("Fixedsys") << 9;
        QTest::newRow("bracket in name") << QStringLiteral("Terminus (TTF) (Size: 12)") << true
                                         << QStringLiteral("Terminus (TTF)") << 12;
        QTest::newRow("no blank") << QStringLiteral("Arial(Size: 8)") << true << QStringLiteral("Arial") << 8;
        QTest::newRow("no name") << QStringLiteral("(Size: 8)") << true << QString() << 8;
        QTest::newRow("plain name") << QStringLiteral("Courier New") << false << QString() << 0;
        QTest::newRow("no size") << QStringLiteral("Courier New (Size: )") << false << QString() << 0;
        QTest::newRow("word size") << QStringLiteral("Courier New (Size: ten)") << false << QString() << 0;
        QTest::newRow("unclosed") << QStringLiteral("Courier New (Size: 10") << false << QString() << 0;
        QTest::newRow("other shape") << QStringLiteral("Courier New (10)") << false << QString() << 0;
        QTest::newRow("missing value") << QStringLiteral(" ") << false << QString() << 0;
    }

    void fontText()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, name);
        QFETCH(int, size);
        QString parsedName = QStringLiteral("untouched");
        int parsedSize = -7;
        if (!valid) {
            const QString message = failureOf<EConvertError>([&] { ParseFontText(text, parsedName, parsedSize); });
            QVERIFY2(message.endsWith(QLatin1String("' is not a valid integer value")), qPrintable(message));
            QCOMPARE(parsedName, QStringLiteral("untouched"));
            QCOMPARE(parsedSize, -7);
            return;
        }
        ParseFontText(text, parsedName, parsedSize);
        QCOMPARE(parsedName, name);
        QCOMPARE(parsedSize, size);
        ParseFontText(FontToText(name, size), parsedName, parsedSize);
        QCOMPARE(parsedName, name);
        QCOMPARE(parsedSize, size);
    }

    void fontToText() { QCOMPARE(FontToText(QStringLiteral("Courier New"), 10), QStringLiteral("Courier New (Size: 10)")); }

    // ---- the debug log ----

    void debugLogOff_data()
    {
        QTest::addColumn<int>("debug"); // -1: absent
        QTest::addColumn<bool>("asText");
        QTest::newRow("absent") << -1 << false;
        QTest::newRow("zero") << 0 << false;
        // Stored as text by a slip with pxreg: off, not a failure of every line.
        QTest::newRow("text 1") << 1 << true;
    }

    void debugLogOff()
    {
        QFETCH(int, debug);
        QFETCH(bool, asText);
        if (asText)
            WriteSettingString(kRootKey, QStringLiteral("Debug"), QString::number(debug));
        else if (debug >= 0)
            WriteSettingInteger(kRootKey, QStringLiteral("Debug"), debug);
        QVERIFY(!DebugEnabled());
        WriteDebugLog(QStringLiteral("01/01/2003 10:00:00 - Changing tab"));
        LogDebug(QStringLiteral(" - Changing tab"));
        QVERIFY(!QFileInfo::exists(DebugLogPath()));
    }

    void debugLogHeaderAndAppend()
    {
        WriteSettingBool(kRootKey, QStringLiteral("Debug"), true);
        QVERIFY(DebugEnabled());
        QCOMPARE(DebugLogPath(), pollux_test::settingsDir().path() + QStringLiteral("/pxdebug.log"));
        WriteDebugLog(QStringLiteral("09/12/2003 14:05:31 - Changing tab"));
        const QByteArray header = "Pollux is starting...\r\nVersion: " + CompiledVersion().toUtf8() + "\r\n";
        QCOMPARE(readAll(DebugLogPath()), header + "09/12/2003 14:05:31 - Changing tab\r\n");
        WriteDebugLog(QStringLiteral("09/12/2003 14:05:32 - Grüße"));
        QCOMPARE(readAll(DebugLogPath()),
                 header + "09/12/2003 14:05:31 - Changing tab\r\n09/12/2003 14:05:32 - Gr\xc3\xbc\xc3\x9f" "e\r\n");

        // Debug is read for every line.
        WriteSettingBool(kRootKey, QStringLiteral("Debug"), false);
        WriteDebugLog(QStringLiteral("not written"));
        QVERIFY(!readAll(DebugLogPath()).contains("not written"));

        DeleteDebugLog();
        QVERIFY(!QFileInfo::exists(DebugLogPath()));
        DeleteDebugLog(); // a missing file is no failure
    }

    void debugLineCarriesDateAndTime()
    {
        WriteSettingInteger(kRootKey, QStringLiteral("Debug"), 2);
        const QLocale locale = QLocale::system();
        const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
        const QString before = locale.toString(QDate::currentDate(), dateFormat);
        LogDebug(QStringLiteral(" - Exiting Pollux"));
        const QString after = locale.toString(QDate::currentDate(), dateFormat);
        const QStringList lines = QString::fromUtf8(readAll(DebugLogPath())).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 4); // header, header, the line, and nothing after the last line end
        QCOMPARE(lines[3], QString());
        const QString line = lines[2];
        QVERIFY2(line.endsWith(QLatin1String(" - Exiting Pollux")), qPrintable(line));
        if (locale.language() == QLocale::C) {
            // No regional settings: a fixed numeric date and a 24-hour time.
            static const QRegularExpression shape(
                QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d - Exiting Pollux$"));
            QVERIFY2(shape.match(line).hasMatch(), qPrintable(line));
            return;
        }
        const QString date = line.startsWith(before + QLatin1Char(' ')) ? before : after;
        QVERIFY2(line.startsWith(date + QLatin1Char(' ')), qPrintable(line));
        // The time part is the long time format without a time zone.
        const QString time = line.mid(date.size() + 1).chopped(int(qstrlen(" - Exiting Pollux")));
        QVERIFY2(!time.contains(QTimeZone::systemTimeZone().abbreviation(QDateTime::currentDateTime())),
                 qPrintable(time));
    }

    void debugLogFailureIsSkipped()
    {
        WriteSettingBool(kRootKey, QStringLiteral("Debug"), true);
        QVERIFY(QDir().mkdir(DebugLogPath())); // something that is not a file stands in its place
        // Logging never fails the action that logs.
        bool thrown = false;
        try {
            LogDebug(QStringLiteral(" - Running LockToolBars"));
            WriteDebugLog(QStringLiteral("09/12/2003 14:05:31 - Changing tab"));
        } catch (...) {
            thrown = true;
        }
        QVERIFY(!thrown);
        QVERIFY(!DeleteDebugLog());
        QVERIFY(QDir().rmdir(DebugLogPath()));
        QVERIFY(DeleteDebugLog());
    }
};

POLLUX_TEST_MAIN(TestSettings)
#include "test_settings.moc"
