// The main window against hostile servers and careless settings: a reply
// lands whole in its own tab whatever the user does meanwhile, and a setting
// or settings folder Pollux cannot use never makes it unusable.

#include "LaterRun.h"
#include "TestMain.h"

#include "FingerServer.h"
#include "app/MainFrm.h"
#include "shell/CritError.h"
#include "shell/SplashFrm.h"
#include "core/Guard.h"
#include "finger/Mssocket.h"
#include "settings/DebugLog.h"
#include "settings/RegUtils.h"
#include "ui/TDCMemo.h"

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QComboBox>
#include <QLabel>
#include <QScopeGuard>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTabWidget>

#include <climits>
#include <memory>

namespace {
const QString kQuery = kConfigurationKey + QStringLiteral("\\Query");
const QString kPositions = kConfigurationKey + QStringLiteral("\\Positions");
const QString kColour = kConfigurationKey + QStringLiteral("\\Colour");

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
} // namespace

class TestAppHostile : public QObject {
    Q_OBJECT

    std::unique_ptr<LoopbackFingerServer> server;
    std::unique_ptr<TMain> w;
    QStringList errors; // sender form | message | type

    QString At(const QString& user) const
    {
        return user + QStringLiteral("@127.0.0.1:") + QString::number(server->Port());
    }

    void MakeWindow()
    {
        w.reset();
        errors.clear();
        // A store that cannot be read looks like a first run, whose welcome
        // screen waits for the user: close it, these tests are about the
        // window behind it.
        auto* closer = new QTimer(this);
        closer->setInterval(10);
        connect(closer, &QTimer::timeout, closer, [this, closer, left = 500]() mutable {
            // A report the start-up made while the welcome screen was up
            // comes before it; it counts as reported.
            if (auto* report = qobject_cast<TCriticalError*>(QApplication::activeModalWidget())) {
                for (const QLabel* label : report->findChildren<QLabel*>())
                    if (label->text().contains(QLatin1String("settings store")))
                        errors << QStringLiteral("Main|") + label->text() + QStringLiteral("|EStoreError");
                report->close();
                return;
            }
            auto* splash = qobject_cast<TSplash*>(QApplication::activeModalWidget());
            if (splash)
                splash->accept();
            if (splash || --left <= 0)
                closer->deleteLater();
        });
        closer->start();
        w = std::make_unique<TMain>();
        // Before the event loop turns: what the start-up met is reported
        // after it.
        SetErrorHandler([this](QObject* sender, const EPollux& e) {
            const QWidget* widget = qobject_cast<QWidget*>(sender);
            errors << (widget ? widget->window()->objectName() : QStringLiteral("-")) + QLatin1Char('|') + e.Message()
                          + QLatin1Char('|') + e.TypeName();
        });
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }

    void Run(const QString& user)
    {
        w->QueryComboBox->setEditText(At(user));
        w->dxBarButton1->trigger();
    }

    // Runs `action` from the event loop once the first part of a reply is in.
    void OnFirstChunk(std::function<void()> action)
    {
        auto done = std::make_shared<bool>(false);
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = connect(w.get(), &TMain::ActivityChanged, this, [=, this](const QString& text) {
            if (*done || !text.startsWith(QLatin1String("Transfering")))
                return;
            *done = true;
            disconnect(*connection);
            QTimer::singleShot(0, this, action);
        });
    }

    QStringList LinesOf(int tab) const
    {
        const TDCMemo* view = w->ViewOfTab(tab);
        return view ? view->Lines() : QStringList{QStringLiteral("<no view>")};
    }

private slots:
    void init()
    {
        w.reset();
        pollux_test::clearSettingsDir();
        ForgetFallbackReports();
        // A later run without the welcome screen.
        MarkLaterRun();
        server = std::make_unique<LoopbackFingerServer>();
        QVERIFY(server->Listen());
        server->SetReply("first\r\n");
        MakeWindow();
    }

    void cleanup()
    {
        w.reset();
        server.reset();
        TDCMemo::SetTextLimit(0);
    }

    void replyPrintAndSaveGoToTheirOwnTab()
    {
        Run(QStringLiteral("a"));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("b.txt"));

        // The user goes back to tab a while b's reply drips in.
        server->SetSlow("late\r\n", 2, 100);
        OnFirstChunk([this] { w->PageControl1->setCurrentIndex(0); });
        w->ExecuteFingerQuery(At(QStringLiteral("b")), false, true, false, file);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(LinesOf(0), QStringList{QStringLiteral("first")});
        QCOMPARE(LinesOf(1), QStringList{QStringLiteral("late")});
        QCOMPARE(fileBytes(file), QByteArray("late"));
        QCOMPARE(w->PageControl1->currentIndex(), 0); // the user's choice stands

        // Refresh of b while the user has a in front: b renewed, a untouched.
        w->QueryComboBox->setEditText(At(QStringLiteral("b")));
        server->SetSlow("fresh\r\n", 2, 100);
        OnFirstChunk([this] { w->PageControl1->setCurrentIndex(0); });
        w->dxBarButton13->trigger();
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(LinesOf(0), QStringList{QStringLiteral("first")});
        QCOMPARE(LinesOf(1), QStringList{QStringLiteral("fresh")});
        QCOMPARE(w->PageControl1->currentIndex(), 0);

        // b's tab closed during its reply: the reply goes nowhere else.
        server->SetSlow("orphan\r\n", 2, 100);
        OnFirstChunk([this] {
            w->PageControl1->setCurrentIndex(1);
            w->CloseClick();
        });
        Run(QStringLiteral("b"));
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(w->PageControl1->count(), 1);
        QCOMPARE(LinesOf(0), QStringList{QStringLiteral("first")});
    }

    void resetReplyIsAFailure()
    {
        server->SetReset(QByteArray(100, 'r'), 300);
        Run(QStringLiteral("cut"));
        QCOMPARE(errors, QStringList{QStringLiteral("-|[10054] Connection reset by peer|EWinsockError")});
        QCOMPARE(LinesOf(0), QStringList()); // nothing of the cut reply shown as if whole
        QVERIFY(!SettingsKeyExists(kQuery));
    }

    void nulHidesNothing()
    {
        static const char raw[] = "before\0after\r\nnext\r\n";
        server->SetReply(QByteArray(raw, sizeof raw - 1));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("nul.txt"));
        w->ExecuteFingerQuery(At(QStringLiteral("nul")), false, true, false, file);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(LinesOf(0), (QStringList{QString::fromUtf16(u"before\0after", 12), QStringLiteral("next")}));
        static const char saved[] = "before\0after\r\nnext";
        QCOMPARE(fileBytes(file), QByteArray(saved, sizeof saved - 1));
    }

    void unusableViewSettingFallsBack_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("named"); // what the report names; empty: no report
        QTest::newRow("colour missing") << "colour" << "'LineBackGround' of '" + kColour + "' is missing";
        QTest::newRow("font garbage") << "font" << "'FontName' of '" + kConfigurationKey + "' holds 'garbage'";
        QTest::newRow("Debug as text") << "debug" << QString();
    }
    void unusableViewSettingFallsBack()
    {
        QFETCH(QString, setting);
        QFETCH(QString, named);
        if (setting == "colour") {
            for (const char* name : {"BackGround", "ForeGround", "Gutter", "LineOutline", "SelBackGround",
                                     "SelForeGround", "GutterLine"})
                WriteSettingString(kColour, QLatin1String(name), QStringLiteral("clNavy"));
        } else if (setting == "font") {
            WriteSettingString(kConfigurationKey, QStringLiteral("FontName"), QStringLiteral("garbage"));
        } else {
            WriteSettingString(kRootKey, QStringLiteral("Debug"), QStringLiteral("1"));
        }
        for (const char* user : {"one", "two"}) {
            Run(QLatin1String(user));
            QTRY_VERIFY(!w->QueryInProgress());
        }
        // Every query shows its reply in its captioned tab...
        QCOMPARE(w->PageControl1->tabText(0), QStringLiteral("one-127.0.0.1:") + QString::number(server->Port()));
        QCOMPARE(LinesOf(0), QStringList{QStringLiteral("first")});
        QCOMPARE(LinesOf(1), QStringList{QStringLiteral("first")});
        QVERIFY(w->dxBarButton8->isEnabled());
        // ...and the setting is reported once, naming itself.
        QTest::qWait(50);
        if (named.isEmpty()) {
            QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
            return;
        }
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith("Main|") && errors.first().contains(named), qPrintable(errors.first()));
    }

    void unusableSettingsFolder_data()
    {
        QTest::addColumn<bool>("folderIsAFile"); // else: the store refuses every write
        QTest::newRow("folder is a file") << true;
        QTest::newRow("writes refused") << false;
    }
    void unusableSettingsFolder()
    {
        QFETCH(bool, folderIsAFile);
        w.reset();
        const QByteArray ownDir = qgetenv("POLLUX_CONFIG_DIR");
        QTemporaryDir scratch;
        const QString notAFolder = scratch.filePath(QStringLiteral("plain-file"));
        auto restore = qScopeGuard([&] {
            w.reset();
            qputenv("POLLUX_CONFIG_DIR", ownDir);
            QDir().rmdir(SettingsStorePath() + QStringLiteral("-wal"));
        });
        if (folderIsAFile) {
            QFile plain(notAFolder);
            QVERIFY(plain.open(QIODevice::WriteOnly));
            qputenv("POLLUX_CONFIG_DIR", QFile::encodeName(notAFolder));
        } else {
            // A folder where SQLite must open the store's write-ahead log
            // makes every write fail, whoever runs the test.
            CloseSettingsStore();
            QVERIFY(QDir().mkdir(SettingsStorePath() + QStringLiteral("-wal")));
        }
        MakeWindow();
        // The start-up ran to its end, and the query works on defaults.
        QVERIFY2(w->windowTitle().startsWith(QLatin1String("Pollux Professional 2.")), qPrintable(w->windowTitle()));
        Run(QStringLiteral("root"));
        Run(QStringLiteral("again"));
        QCOMPARE(LinesOf(1), QStringList{QStringLiteral("first")});
        QTRY_VERIFY(!errors.isEmpty());
        QTest::qWait(50);
        // Reported once, whatever number of reads and writes failed (at most
        // once for reading and once for writing).
        QVERIFY2(errors.size() <= 2, qPrintable(errors.join('\n')));
        QCOMPARE(errors.filter(QStringLiteral("settings store")).size(), errors.size());
    }

    void positionsFromTheStoreAreReachable_data()
    {
        QTest::addColumn<QList<qint32>>("bounds"); // Left, Width, Top, Height
        QTest::newRow("ends of the range") << QList<qint32>{INT_MIN, -5000, INT_MAX, INT_MAX};
        QTest::newRow("the other ends") << QList<qint32>{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        QTest::newRow("far right and down") << QList<qint32>{90000, 700, 90000, 400};
        // Left + Width and Top + Height pass the end of the 32-bit range.
        QTest::newRow("near the ends") << QList<qint32>{INT_MAX - 50, 700, INT_MAX - 20, 400};
        QTest::newRow("zeros") << QList<qint32>{0, 0, 0, 0};
    }
    void positionsFromTheStoreAreReachable()
    {
        QFETCH(QList<qint32>, bounds);
        w.reset();
        WriteSettingInteger(kPositions, QStringLiteral("Left"), bounds[0]);
        WriteSettingInteger(kPositions, QStringLiteral("Width"), bounds[1]);
        WriteSettingInteger(kPositions, QStringLiteral("Top"), bounds[2]);
        WriteSettingInteger(kPositions, QStringLiteral("Height"), bounds[3]);
        WriteSettingString(kPositions, QStringLiteral("WindowState"), QStringLiteral("Normal"));
        MakeWindow();
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        const QRect placed = w->frameGeometry();
        bool onAScreen = false;
        for (const QScreen* screen : QGuiApplication::screens()) {
            const QRect seen = screen->availableGeometry().intersected(placed);
            onAScreen = onAScreen || (seen.width() >= 100 && seen.height() >= 50);
            // The size is clamped to the screen (the frame may add its border).
            QVERIFY(w->width() <= screen->availableGeometry().width() || QGuiApplication::screens().size() > 1);
            QVERIFY(w->height() <= screen->availableGeometry().height() || QGuiApplication::screens().size() > 1);
        }
        QVERIFY2(onAScreen, qPrintable(QStringLiteral("%1,%2 %3x%4").arg(placed.x()).arg(placed.y())
                                           .arg(placed.width()).arg(placed.height())));
    }

    void historyAndCommandStates()
    {
        // The history as the store keeps it: an entry first written as
        // "Root@..." and run again as "root@..." keeps its first case.
        w.reset();
        WriteSettingString(kQuery, At(QStringLiteral("older")), QString());
        WriteSettingString(kQuery, At(QStringLiteral("Root")), QString());
        WriteSettingString(kQuery, At(QStringLiteral("root")), QString());
        WriteSettingString(kQuery, QStringLiteral("LastQuery"), At(QStringLiteral("root")));
        WriteSettingString(kQuery, QStringLiteral("evil\u202Emoc.elpmaxe\u200E\x07"), QString());
        MakeWindow();
        QCOMPARE(w->QueryComboBox->currentText(), At(QStringLiteral("Root")));
        QVERIFY(!w->WebPage->isEnabled()); // starts disabled, text or none

        // The drop-down shows control and bidirectional characters as marks.
        const int evil = w->QueryComboBox->count() - 1;
        auto* delegate = qobject_cast<QStyledItemDelegate*>(w->QueryComboBox->itemDelegate());
        QVERIFY(delegate);
        QCOMPARE(delegate->displayText(w->QueryComboBox->itemText(evil), QLocale()),
                 QStringLiteral("evil<U+202E>moc.elpmaxe<U+200E>^G"));

        // The position panel follows Find Again and Go to line, focus or not.
        server->SetReply("one\r\ntwo\r\nthe needle\r\n");
        Run(QStringLiteral("root"));
        w->QueryComboBox->setFocus();
        TDCMemo::SharedSearch() = TSearchOptions{};
        TDCMemo::SharedSearch().text = QStringLiteral("needle");
        w->dxBarButton11->trigger();
        QCOMPARE(w->StatusPanel(1)->text(), QStringLiteral("3: 11"));
    }
};

int RunHostileAppTests(int argc, char** argv)
{
    TestAppHostile tc;
    return QTest::qExec(&tc, argc, argv);
}

#include "test_app_hostile.moc"
