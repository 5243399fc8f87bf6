// The update check: the version file's lines, versions compared number by
// number, and the command against a local web server standing in for the
// vendor's.

#include "LoopbackHttpServer.h"
#include "ModalHelper.h"
#include "LaterRun.h"
#include "TestMain.h"

#include "app/MainFrm.h"
#include "core/Guard.h"
#include "settings/RegUtils.h"
#include "shell/VersionCheck.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>

#include <memory>

class TestUpdate : public QObject {
    Q_OBJECT

    std::unique_ptr<LoopbackHttpServer> http;
    std::unique_ptr<TMain> w;
    QStringList errors; // message | type

    void MakeWindow()
    {
        // A later run without the welcome screen, which would wait for a click.
        MarkLaterRun();
        w = std::make_unique<TMain>();
        SetErrorHandler([this](QObject*, const EPollux& e) { errors << e.Message() + QLatin1Char('|') + e.TypeName(); });
    }

    // Clicks "&Update Pollux" and returns the title and text of the message
    // box it shows (answered at once), or nothing when none came.
    QStringList RunUpdateCommand()
    {
        auto shown = std::make_shared<QStringList>();
        WhenModal<QMessageBox>([shown](QMessageBox* box) {
            *shown << box->windowTitle() << box->text();
            box->accept();
        }, 1500);
        w->UpdateButton->trigger();
        QTest::qWait(50);
        return *shown;
    }

private slots:
    void init()
    {
        http = std::make_unique<LoopbackHttpServer>();
        qputenv("POLLUX_VENDOR_URL", http->Base().toLatin1());
        errors.clear();
    }

    void cleanup()
    {
        w.reset();
        http.reset();
        SetUpdateTimeOut(15000);
        qunsetenv("POLLUX_VENDOR_URL");
    }

    void versionFileLines_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("date");
        QTest::addColumn<int>("size");
        QTest::newRow("CR LF") << QByteArray("2.0.0.400\r\n15/03/2003\r\n1234567\r\n") << "2.0.0.400" << "15/03/2003" << 1234567;
        QTest::newRow("LF") << QByteArray("2.0.0.400\n15/03/2003\n1234567") << "2.0.0.400" << "15/03/2003" << 1234567;
        QTest::newRow("CR") << QByteArray("2.0.0.400\r15/03/2003\r1234567") << "2.0.0.400" << "15/03/2003" << 1234567;
        QTest::newRow("blank lines between") << QByteArray("2.0.0.400\r\n\r\n\n15/03/2003\n\n\r\n1234567\n\n")
                                             << "2.0.0.400" << "15/03/2003" << 1234567;
        QTest::newRow("NUL ends a line") << QByteArray("2.0.0.400\0" "15/03/2003\n12", 23) << "2.0.0.400" << "15/03/2003" << 12;
        QTest::newRow("blanks kept") << QByteArray(" 2.0 \n a date \n7") << " 2.0 " << " a date " << 7;
        QTest::newRow("two lines") << QByteArray("2.0.0.400\n15/03/2003\n") << "2.0.0.400" << "15/03/2003" << 0;
        QTest::newRow("empty body") << QByteArray() << "" << "" << 0;
        QTest::newRow("fourth line ignored") << QByteArray("2\nd\n5\nnot a number\n") << "2" << "d" << 5;
        QTest::newRow("hexadecimal size") << QByteArray("2\nd\n$10") << "2" << "d" << 16;
    }

    void versionFileLines()
    {
        QFETCH(QByteArray, body);
        const TVersionInfo info = ParseVersionFile(body);
        QTEST(info.Version, "version");
        QTEST(info.Date, "date");
        QTEST(int(info.Size), "size");
    }

    void readVersionLineMovesPastLineEnds()
    {
        const QString text = QStringLiteral("a\r\n\r\nb");
        qsizetype pos = 0;
        QCOMPARE(ReadVersionLine(text, pos), QStringLiteral("a"));
        QCOMPARE(pos, qsizetype(5));
        QCOMPARE(ReadVersionLine(text, pos), QStringLiteral("b"));
        QCOMPARE(pos, text.size());
        QCOMPARE(ReadVersionLine(text, pos), QString());
        QCOMPARE(pos, text.size());
    }

    void sizeThatIsNoNumberIsAConversionError()
    {
        try {
            ParseVersionFile("2.0.0.400\n15/03/2003\n12 MB\n");
            QFAIL("no failure");
        } catch (const EConvertError& e) {
            QCOMPARE(e.Message(), QStringLiteral("'12 MB' is not a valid integer value"));
        }
    }

    void versionsCompareNumberByNumber_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("newer build") << "2.0.0.400" << "2.0.0.327" << 1;
        QTest::newRow("more digits") << "2.0.0.1000" << "2.0.0.327" << 1;
        QTest::newRow("3270") << "2.0.0.3270" << "2.0.0.327" << 1;
        QTest::newRow("equal") << "2.0.0.327" << "2.0.0.327" << 0;
        QTest::newRow("older") << "1.9.9.999" << "2.0.0.327" << -1;
        QTest::newRow("leading zeros") << "2.0.0.0327" << "2.0.0.327" << 0;
        QTest::newRow("empty program version") << "0.0.0.1" << "" << 1;
        QTest::newRow("both empty") << "" << "" << 0;
        QTest::newRow("prefix is smaller") << "2.0.0" << "2.0.0.327" << -1;
        QTest::newRow("suffix after number") << "2.0.0.327b" << "2.0.0.327" << 1;
        QTest::newRow("huge number") << "2.0.0.99999999999999999999" << "2.0.0.327" << 1;
        QTest::newRow("text part") << "2.0.beta" << "2.0.0" << 1;
    }

    void versionsCompareNumberByNumber()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(CompareVersions(a, b), order);
        QCOMPARE(CompareVersions(b, a), -order);
    }

    void fetchesTheVersionFileOverHttp()
    {
        http->Answer(200, "OK", "2.0.0.400\r\n15/03/2003\r\n1234567\r\n");
        const TVersionInfo info = CheckForUpdate(QUrl(http->Base() + QStringLiteral("/files/updates/version.txt")), 5000);
        QCOMPARE(info.Version, QStringLiteral("2.0.0.400"));
        QVERIFY(http->LastRequest().startsWith("GET /files/updates/version.txt HTTP/1.1\r\n"));
        QVERIFY(http->LastRequest().contains("\r\nHost: 127.0.0.1:"));
    }

    void fetchFailures_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reason");
        QTest::addColumn<QByteArray>("headers");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file") << 404 << QByteArray("Not Found") << QByteArray() << "404 Not Found";
        QTest::newRow("server error") << 500 << QByteArray("Internal Server Error") << QByteArray() << "500 Internal Server Error";
        QTest::newRow("redirect not followed") << 302 << QByteArray("Found")
                                               << QByteArray("Location: http://127.0.0.1:1/elsewhere\r\n") << "302 Found";
    }

    void fetchFailures()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, reason);
        QFETCH(QByteArray, headers);
        http->Answer(status, reason, "2.0.0.999\n01/01/2030\n1\n", headers);
        try {
            CheckForUpdate(QUrl(http->Base() + QStringLiteral("/files/updates/version.txt")), 5000);
            QFAIL("no failure");
        } catch (const EHTTPError& e) {
            QTEST(e.Message(), "message");
            QCOMPARE(e.TypeName(), QStringLiteral("EHTTPError"));
        }
        QCOMPARE(http->Requests(), 1);
    }

    void refusedConnectionFails()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 port = closed.serverPort();
        closed.close();
        QVERIFY_THROWS_EXCEPTION(EHTTPError, CheckForUpdate(QUrl(QStringLiteral("http://127.0.0.1:%1/v.txt").arg(port)), 5000));
    }

    void silentServerTimesOutWhileTheLoopTurns()
    {
        http->StaySilent();
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(20);
        try {
            CheckForUpdate(QUrl(http->Base() + QStringLiteral("/files/updates/version.txt")), 600);
            QFAIL("no failure");
        } catch (const EHTTPTimedOutError& e) {
            QVERIFY2(e.Message().contains(QStringLiteral("No answer from 127.0.0.1")), qPrintable(e.Message()));
        }
        QVERIFY(ticks > 0); // the event loop kept running: the window repaints
    }

    // ---- the command in the main window

    void newerVersionIsAnnounced()
    {
        http->Answer(200, "OK", "2.0.0.1000\r\n15/03/2003\r\n1234567\r\n");
        MakeWindow();
        QCOMPARE(RunUpdateCommand(),
                 QStringList({QStringLiteral("Information"),
                              QStringLiteral("An update to version 2.0.0.1000 is available.  The update size is 1,234,567 bytes and "
                                             "was released on 15/03/2003 (dd/mm/yyyy)\r\n\r\nGo to ")
                                  + http->Base() + QStringLiteral("/download.html to download the update.")}));
        QVERIFY(errors.isEmpty());
        QVERIFY(w->UpdateButton->isEnabled());
    }

    void noUpdate_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("same version") << QByteArray("2.0.0.327\n01/01/2004\n10\n");
        QTest::newRow("older version") << QByteArray("2.0.0.99\n01/01/2004\n10\n");
        QTest::newRow("empty file") << QByteArray();
    }

    void noUpdate()
    {
        QFETCH(QByteArray, body);
        http->Answer(200, "OK", body);
        MakeWindow();
        QCOMPARE(RunUpdateCommand(),
                 QStringList({QStringLiteral("Error"), QStringLiteral("There are currently no updates available.")}));
    }

    void failureGoesToTheErrorReport()
    {
        http->Answer(404, "Not Found", "");
        MakeWindow();
        QCOMPARE(RunUpdateCommand(), QStringList());
        QCOMPARE(errors, QStringList({QStringLiteral("404 Not Found|EHTTPError")}));
        QVERIFY(w->UpdateButton->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
    }

    void commandCannotRunTwiceAtOnce()
    {
        http->StaySilent();
        SetUpdateTimeOut(1500);
        MakeWindow();
        bool disabledWhileWaiting = false;
        QTimer::singleShot(300, this, [&] {
            disabledWhileWaiting = !w->UpdateButton->isEnabled() && QApplication::overrideCursor();
            w->UpdateButtonClick(); // a second start while the first waits does nothing
        });
        QCOMPARE(RunUpdateCommand(), QStringList());
        QVERIFY(disabledWhileWaiting);
        QCOMPARE(http->Requests(), 1);
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().endsWith(QStringLiteral("|EHTTPTimedOutError")));
        QVERIFY(w->UpdateButton->isEnabled());
    }
};

POLLUX_GUI_TEST_MAIN(TestUpdate)
#include "test_update.moc"
