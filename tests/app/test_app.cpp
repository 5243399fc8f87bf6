// The main window driven for real, offscreen, against loopback finger
// servers; every test starts with a fresh settings store and a new window.

#include "ModalHelper.h"
#include "LaterRun.h"
#include "TestMain.h"

#include "FingerServer.h"
#include "app/MainFrm.h"
#include "app/TextUtil.h"
#include "core/Guard.h"
#include "finger/Mssocket.h"
#include "settings/DebugLog.h"
#include "settings/RegUtils.h"
#include "settings/SoundEvents.h"
#include "ui/CustomiseToolbars.h"
#include "ui/TDCMemo.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>

#include <memory>

namespace {
const QString kSounds = kConfigurationKey + QStringLiteral("\\Sounds");
const QString kQuery = kConfigurationKey + QStringLiteral("\\Query");
const QString kPositions = kConfigurationKey + QStringLiteral("\\Positions");

struct RecordingPlayer : SoundPlayer {
    QStringList played;
    void Play(const QString& path) override { played << path; }
};

RecordingPlayer* Sounds()
{
    return dynamic_cast<RecordingPlayer*>(&CurrentSoundPlayer());
}

void EnableSounds()
{
    WriteSettingBool(kSounds, QStringLiteral("SoundsEnabled"), true);
    WriteSettingString(kSounds, kSoundCloseQuery, QStringLiteral("close.wav"));
    WriteSettingString(kSounds, kSoundNewQuery, QStringLiteral("new.wav"));
    WriteSettingString(kSounds, kSoundSwitchQueries, QStringLiteral("switch.wav"));
}

// Answers the next modal message box (or error report) with its texts.
QStringList* AnswerNextModal()
{
    auto* texts = new QStringList;
    OnNextModal(
        [texts](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                *texts << box->windowTitle() << box->text();
            } else {
                *texts << modal->objectName();
                for (const QLabel* label : modal->findChildren<QLabel*>())
                    *texts << label->text();
            }
            modal->close();
        },
        6000);
    return texts;
}
} // namespace

class TestApp : public QObject {
    Q_OBJECT

    std::unique_ptr<LoopbackFingerServer> server;
    std::unique_ptr<TMain> w;
    QStringList errors; // sender form | message | type
    QStringList events; // activity texts and failures, in the order they came
    QList<QUrl> opened;

    QString At(const QString& expression) const
    {
        return expression + QStringLiteral("@127.0.0.1:") + QString::number(server->Port());
    }
    QString Host() const { return QStringLiteral("127.0.0.1:") + QString::number(server->Port()); }

    void MakeWindow()
    {
        w.reset();
        w = std::make_unique<TMain>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        errors.clear();
        events.clear();
        SetErrorHandler([this](QObject* sender, const EPollux& e) {
            const QWidget* widget = qobject_cast<QWidget*>(sender);
            const QString form = widget ? widget->window()->objectName() : QStringLiteral("-");
            errors << form + QLatin1Char('|') + e.Message() + QLatin1Char('|') + e.TypeName();
            events << QStringLiteral("failure: ") + e.Message();
        });
        connect(w.get(), &TMain::ActivityChanged, this, [this](const QString& text) { events << text; });
    }

    // Enter as the desktop delivers it: to the combo box, the focus widget.
    void Enter(const QString& text, QWidget* target = nullptr)
    {
        w->QueryComboBox->setEditText(text);
        QTest::keyClick(target ? target : w->QueryComboBox, Qt::Key_Return);
    }

    QStringList Captions() const
    {
        QStringList captions;
        for (int i = 0; i < w->PageControl1->count(); ++i)
            captions << w->PageControl1->tabText(i);
        return captions;
    }

    QStringList ActiveLines() const
    {
        const TDCMemo* view = w->ActiveView();
        return view ? view->Lines() : QStringList{QStringLiteral("<no view>")};
    }

    static bool Empty(const TDCMemo* view) { return view && view->Lines().join(QString()).isEmpty(); }

    // Runs `action` once, from the event loop, at the first transfer text.
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

private slots:
    void initTestCase()
    {
        SetSoundPlayer(std::make_unique<RecordingPlayer>());
        TMain::SetUrlOpener([this](const QUrl& url) {
            opened << url;
            return true;
        });
    }

    void init()
    {
        w.reset();
        pollux_test::clearSettingsDir();
        // A later run whose welcome screen is switched off: these tests are
        // about the window, not the screen before it.
        MarkLaterRun();
        Sounds()->played.clear();
        opened.clear();
        server = std::make_unique<LoopbackFingerServer>();
        QVERIFY(server->Listen());
        server->SetReply("Login: root\r\nName: Charlie Root\r\n");
        MakeWindow();
    }

    void cleanup()
    {
        w.reset();
        server.reset();
    }

    void thousandSeparator_data()
    {
        QTest::addColumn<qint64>("n");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << qint64(0) << "0";
        QTest::newRow("999") << qint64(999) << "999";
        QTest::newRow("1000") << qint64(1000) << "1,000";
        QTest::newRow("1234") << qint64(1234) << "1,234";
        QTest::newRow("12345") << qint64(12345) << "12,345";
        QTest::newRow("123456") << qint64(123456) << "123,456";
        QTest::newRow("1234567") << qint64(1234567) << "1,234,567";
        QTest::newRow("12345678") << qint64(12345678) << "12,345,678";
        QTest::newRow("2^31-1") << qint64(2147483647) << "2,147,483,647";
        QTest::newRow("-5") << qint64(-5) << "-5";
        QTest::newRow("-999") << qint64(-999) << "-999";
        QTest::newRow("-1234") << qint64(-1234) << "-1,234";
        QTest::newRow("-123456") << qint64(-123456) << "-123,456";
        QTest::newRow("min") << std::numeric_limits<qint64>::min() << "-9,223,372,036,854,775,808";
    }
    void thousandSeparator()
    {
        QFETCH(qint64, n);
        QFETCH(QString, text);
        QCOMPARE(InsertThousandSeparator(n), text);
    }

    void queryMakesItsTabAndAddsBelowOnRepeat()
    {
        EnableSounds();
        QVERIFY(!w->dxBarButton8->isEnabled());
        Enter(At(QStringLiteral("root")));
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(server->LastQuery(), QByteArray("root\r\n"));
        QCOMPARE(Captions(), QStringList{QStringLiteral("root-") + Host()});
        QCOMPARE(ActiveLines(), (QStringList{QStringLiteral("Login: root"), QStringLiteral("Name: Charlie Root")}));
        QVERIFY(QRegularExpression(QStringLiteral("^Last Queried: \\d\\d:\\d\\d:\\d\\d$"))
                    .match(w->StatusPanel(2)->text()).hasMatch());
        for (QAction* a : {w->dxBarButton13, w->dxBarButton21, w->dxBarButton22, w->dxBarButton8, w->dxBarButton9,
                           w->dxBarButton10, w->dxBarButton11, w->dxBarButton12})
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
        QVERIFY(!w->dxBarButton34->isEnabled());
        QVERIFY(!w->dxBarButton29->isEnabled());
        QCOMPARE(Sounds()->played, QStringList{QStringLiteral("new.wav")});

        // Again (Enter straight into the line edit, keypad Enter): the same
        // tab, the new reply below the first, and still one query a key.
        server->SetReply("second\r\n");
        w->QueryComboBox->setEditText(At(QStringLiteral("root")));
        QTest::keyClick(w->QueryComboBox->lineEdit(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(Captions().size(), 1);
        QCOMPARE(ActiveLines(), (QStringList{QStringLiteral("Login: root"), QStringLiteral("Name: Charlie Root"),
                                             QStringLiteral("second")}));

        // Refresh: only the new reply.
        server->SetReply("third\r\n");
        w->dxBarButton13->trigger();
        QCOMPARE(Captions().size(), 1);
        QCOMPARE(ActiveLines(), QStringList{QStringLiteral("third")});
        QCOMPARE(server->Queries().size(), 3);

        // Refresh with another tab in front: the query's own tab is renewed,
        // the other keeps its text.
        server->SetReply("other\r\n");
        Enter(At(QStringLiteral("other")));
        w->QueryComboBox->setEditText(At(QStringLiteral("root")));
        server->SetReply("fourth\r\n");
        w->dxBarButton13->trigger();
        QCOMPARE(w->PageControl1->currentIndex(), 0);
        QCOMPARE(ActiveLines(), QStringList{QStringLiteral("fourth")});
        QCOMPARE(w->ViewOfTab(1)->Lines(), QStringList{QStringLiteral("other")});

        // A refresh that fails leaves the reply standing.
        server->Close();
        w->dxBarButton13->trigger();
        QCOMPARE(errors.size(), 1);
        QCOMPARE(ActiveLines(), QStringList{QStringLiteral("fourth")});
    }

    void replaceAndSaveFromTheCommandLine()
    {
        // The repeat timer's switches: replace the text, save the tab.
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("out.txt"));
        for (int run = 0; run < 2; ++run) {
            w->ExecuteFingerQuery(At(QStringLiteral("root")), false, true, true, file);
            QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
            QCOMPARE(ActiveLines().size(), 2);
        }
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray("Login: root\r\nName: Charlie Root"));

        // A save that cannot be written fails after the reply is shown.
        bool failed = false;
        try {
            w->ExecuteFingerQuery(At(QStringLiteral("root")), false, true, false, dir.filePath(QStringLiteral("no/such/dir/x")));
        } catch (const EInOutError&) {
            failed = true;
        }
        QVERIFY(failed);
        QCOMPARE(ActiveLines().size(), 4);
        QVERIFY(!w->QueryInProgress());
    }

    void fingerLinkRunsItsQuery()
    {
        server->SetReply("Friends: \x1b[1mfinger://" + Host().toLatin1() + "/ada\x1b[0m.\r\n");
        Enter(At(QStringLiteral("root")));
        TDCMemo* view = w->ActiveView();
        QVERIFY(view);
        QCOMPARE(ActiveLines(), QStringList{QStringLiteral("Friends: finger://") + Host() + QStringLiteral("/ada.")});

        // A click on the link asks it as the query box would, in a tab of its own.
        server->SetReply("Login: ada\r\n");
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->CharRect(0, 12).center());
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(server->LastQuery(), QByteArray("ada\r\n"));
        QCOMPARE(w->QueryComboBox->currentText(), QStringLiteral("finger://") + Host() + QStringLiteral("/ada"));
        QCOMPARE(Captions(), (QStringList{QStringLiteral("root-") + Host(), QStringLiteral("ada-") + Host()}));
        QCOMPARE(ActiveLines(), QStringList{QStringLiteral("Login: ada")});
    }

    void tabsAreFoundByTabKey()
    {
        // @host and host share a tab; user@host has its own; case counts.
        Enter(QStringLiteral("@") + Host());
        Enter(Host());
        Enter(At(QStringLiteral("user")));
        Enter(At(QStringLiteral("USER")));
        Enter(At(QStringLiteral("user")));
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(Captions(), (QStringList{Host(), QStringLiteral("user-") + Host(), QStringLiteral("USER-") + Host()}));
        QCOMPARE(w->PageControl1->currentIndex(), 1);
        QCOMPARE(w->ViewOfTab(0)->Lines().size(), 4);
        QCOMPARE(w->ViewOfTab(1)->Lines().size(), 4);
        QVERIFY(w->dxBarButton29->isEnabled());
        QVERIFY(w->dxBarButton30->isEnabled());

        // When two tabs carry the same caption the later one is found.
        w->PageControl1->setTabText(0, QStringLiteral("USER-") + Host());
        QCOMPARE(w->FindResultTab(At(QStringLiteral("USER"))), 2);
        QCOMPARE(w->FindResultTab(QStringLiteral("nobody@nowhere")), -1);
    }

    void activityTextsFollowTheQuery()
    {
        QByteArray big;
        while (big.size() < 1234567)
            big += "0123456789012345678901234567890123456789\r\n";
        big.truncate(1234567);
        server->SetReply(big);
        // When each transfer count reached the panel.
        QElapsedTimer clock;
        clock.start();
        QList<qint64> shownAt;
        connect(w.get(), &TMain::ActivityChanged, this, [&](const QString& text) {
            if (text.startsWith(QLatin1String("Transfering")))
                shownAt << clock.elapsed();
        });
        Enter(At(QStringLiteral("root")));
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        // The panel changes at most every 100 ms while data comes in (its
        // last count, shown as the reception ends, excepted), not once a
        // chunk.
        QVERIFY(shownAt.size() >= 2);
        for (qsizetype i = 1; i + 1 < shownAt.size(); ++i)
            QVERIFY2(shownAt[i] - shownAt[i - 1] >= 99, qPrintable(QString::number(shownAt[i] - shownAt[i - 1])));

        QStringList distinct;
        for (const QString& e : events)
            if (distinct.isEmpty() || distinct.last() != e)
                distinct << e;
        const QString host = QStringLiteral("127.0.0.1");
        QCOMPARE(distinct.first(), QStringLiteral("Connecting to ") + host + QStringLiteral("..."));
        QCOMPARE(distinct.at(1), QStringLiteral("Connected to ") + host);
        QCOMPARE(distinct.last(), QStringLiteral("Disconnected from ") + host);
        QCOMPARE(w->StatusPanel(0)->text(), QStringLiteral("Disconnected from ") + host);
        const QStringList transfers = distinct.filter(QStringLiteral("Transfering"));
        QVERIFY(transfers.size() > 1);
        QCOMPARE(transfers.last(), QStringLiteral("Transfering 1,234,567 bytes..."));
        // Nothing but transfer texts between connecting and the end.
        const int firstTransfer = distinct.indexOf(transfers.first());
        const int lastTransfer = distinct.indexOf(transfers.last());
        QCOMPARE(lastTransfer - firstTransfer + 1, transfers.size());
        QVERIFY(firstTransfer >= 2);
        for (int i = lastTransfer + 1; i < distinct.size(); ++i)
            QVERIFY2(distinct.at(i).startsWith(QLatin1String("Disconnected from ")), qPrintable(distinct.at(i)));
        QCOMPARE(w->ActiveView()->LineCount(), (1234567 + 41) / 42);
    }

    void failedConnectionMakesNoTab_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("refused") << QStringLiteral("root@127.0.0.1:") + QString::number(RefusingPort())
                                 << QStringList{QStringLiteral("[10061] Connection refused")};
        QTest::newRow("unknown host")
            << QStringLiteral("root@no-such-host.invalid")
            << QStringList{QStringLiteral("[11001] Host not found"), QStringLiteral("[11002] Non-Authoritative Host not found"),
                           QStringLiteral("[11004] Valid name, no data record of requested type")};
        QTest::newRow("commas are one expression")
            << QStringLiteral("@hosta.invalid,hostb.invalid")
            << QStringList{QStringLiteral("[11001] Host not found"), QStringLiteral("[11002] Non-Authoritative Host not found"),
                           QStringLiteral("[11004] Valid name, no data record of requested type")};
    }
    void failedConnectionMakesNoTab()
    {
        QFETCH(QString, expression);
        QFETCH(QStringList, messages);
        EnableSounds();
        Enter(expression);
        QCOMPARE(errors.size(), 1);
        const QStringList parts = errors.first().split(QLatin1Char('|'));
        // The query box sits on a toolbar: as with the Query button, no window.
        QCOMPARE(parts.at(0), QStringLiteral("-"));
        QVERIFY2(messages.contains(parts.at(1)), qPrintable(parts.at(1)));
        QCOMPARE(parts.at(2), QStringLiteral("EWinsockError"));
        QCOMPARE(w->PageControl1->count(), 0);
        QVERIFY(!SettingsKeyExists(kQuery));
        QCOMPARE(w->StatusPanel(2)->text(), QString());
        QVERIFY(!w->dxBarButton8->isEnabled());
        QVERIFY(!w->dxBarButton34->isEnabled());
        QVERIFY(Sounds()->played.isEmpty()); // no "New Query" for a failed query
        QVERIFY(!QApplication::overrideCursor());

        // The Query command is a toolbar command: its failures name no window.
        w->dxBarButton1->trigger();
        QCOMPARE(errors.size(), 2);
        QVERIFY(errors.last().startsWith(QLatin1String("-|")));
    }

    void cancelDuringReplyKeepsTheTabEmpty()
    {
        server->SetSlow(QByteArray(200, 'x') + "\r\n", 10, 200);
        OnFirstChunk([this] { w->dxBarButton34->trigger(); });
        Enter(At(QStringLiteral("slow")));
        QCOMPARE(errors, QStringList{QStringLiteral("-|Operation has been canceled|EmsCanceledError")});
        const int disconnected = events.indexOf(QStringLiteral("Disconnected from 127.0.0.1"));
        QVERIFY(disconnected >= 0);
        QVERIFY(disconnected < events.indexOf(QStringLiteral("failure: Operation has been canceled")));
        QCOMPARE(Captions(), QStringList{QStringLiteral("slow-") + Host()});
        QVERIFY(Empty(w->ActiveView()));
        QVERIFY(!w->dxBarButton34->isEnabled());
        QVERIFY(!SettingsKeyExists(kQuery));

        // An existing tab keeps its text when a later run is canceled.
        server->SetReply("kept\r\n");
        Enter(At(QStringLiteral("slow")));
        QCOMPARE(ActiveLines(), QStringList{QStringLiteral("kept")});
        server->SetSlow("more\r\n", 1, 200);
        OnFirstChunk([this] { w->dxBarButton34->trigger(); });
        Enter(At(QStringLiteral("slow")));
        QCOMPARE(errors.size(), 2);
        QCOMPARE(ActiveLines(), QStringList{QStringLiteral("kept")});

        // The next query runs normally on the same connection component.
        server->SetReply("after\r\n");
        Enter(At(QStringLiteral("slow")));
        QCOMPARE(errors.size(), 2);
        QCOMPARE(ActiveLines(), (QStringList{QStringLiteral("kept"), QStringLiteral("after")}));
    }

    void cancelWhileConnecting()
    {
        UnansweredPort pending;
        if (!pending.IsValid())
            QSKIP("no unanswered port on this machine");
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = connect(w.get(), &TMain::ActivityChanged, this, [=, this](const QString& text) {
            if (text.startsWith(QLatin1String("Connecting to "))) {
                disconnect(*connection);
                QTimer::singleShot(100, this, [this] { w->dxBarButton34->trigger(); });
            }
        });
        QElapsedTimer clock;
        clock.start();
        Enter(QStringLiteral("x@127.0.0.1:") + QString::number(pending.Port()));
        QVERIFY(clock.elapsed() < 15000); // long before the 20 second time-out
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains(QLatin1String("|Operation has been canceled|")), qPrintable(errors.first()));
        QCOMPARE(w->PageControl1->count(), 0);
    }

    void silentServerTimesOut()
    {
        server->SetSilent();
        w->msClientSocket1->SetTimeOut(1);
        Enter(At(QStringLiteral("quiet")));
        QCOMPARE(errors, QStringList{QStringLiteral("-|Operation timed out|EmsTimedOutError")});
        QCOMPARE(Captions(), QStringList{QStringLiteral("quiet-") + Host()});
        QVERIFY(Empty(w->ActiveView()));
    }

    void queryAskedForDuringAQueryRunsAfterIt()
    {
        server->SetSlow("first reply\r\n", 4, 100);
        OnFirstChunk([this] {
            QVERIFY(w->QueryInProgress());
            server->SetReply("second reply\r\n");
            Enter(At(QStringLiteral("second")));      // Enter in the box
            w->dxBarButton13->trigger();               // Refresh (disabled before a reply: no effect)
            w->ExecuteFingerQuery(At(QStringLiteral("third")), false, false, false, QString()); // a direct call
        });
        Enter(At(QStringLiteral("first")));
        // The first query finished undisturbed; the others wait their turn.
        QCOMPARE(Captions(), QStringList{QStringLiteral("first-") + Host()});
        QCOMPARE(ActiveLines(), QStringList{QStringLiteral("first reply")});
        QVERIFY(w->QueryInProgress());
        QTRY_VERIFY_WITH_TIMEOUT(!w->QueryInProgress(), 10000);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(Captions(), (QStringList{QStringLiteral("first-") + Host(), QStringLiteral("second-") + Host(),
                                         QStringLiteral("third-") + Host()}));
        const QByteArrayList queries = server->Queries();
        QCOMPARE(queries, (QByteArrayList{"first\r\n", "second\r\n", "third\r\n"}));
        QCOMPARE(w->ViewOfTab(1)->Lines(), QStringList{QStringLiteral("second reply")});
    }

    void closingTabsWhileAReplyComes()
    {
        // The reply whose tab was closed is dropped, not given to the tab
        // that is active when it arrives...
        Enter(At(QStringLiteral("a")));
        server->SetSlow("late\r\n", 2, 100);
        OnFirstChunk([this] { w->CloseClick(); });
        Enter(At(QStringLiteral("b")));
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(Captions(), QStringList{QStringLiteral("a-") + Host()});
        QCOMPARE(ActiveLines(), (QStringList{QStringLiteral("Login: root"), QStringLiteral("Name: Charlie Root")}));
        // ...nor when no tab is left.
        OnFirstChunk([this] { w->CloseAllClick(); });
        Enter(At(QStringLiteral("c")));
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(w->PageControl1->count(), 0);
        QVERIFY(ReadSettingString(kQuery, QStringLiteral("LastQuery")) == At(QStringLiteral("c")));
    }

    void closingTheWindowWhileAQueryWaits()
    {
        EnableSounds();
        server->SetSlow(QByteArray(100, 'y') + "\r\n", 10, 200);
        OnFirstChunk([this] { w->close(); });
        Enter(At(QStringLiteral("slow")));
        QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), 5000);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QVERIFY(!w->QueryInProgress());
        // The shut-down ran once the query had let go: bounds stored, the
        // tab closed with its sound and the closing sound after it.
        QVERIFY(SettingsKeyExists(kPositions));
        QCOMPARE(w->PageControl1->count(), 0);
        QCOMPARE(Sounds()->played, (QStringList{QStringLiteral("close.wav"), QStringLiteral("close.wav")}));
    }

    void historyIsStoredAndReloaded()
    {
        Enter(At(QStringLiteral("one")));
        Enter(At(QStringLiteral("two")));
        Enter(At(QStringLiteral("one")));
        // A query run from elsewhere stores what the box holds.
        w->QueryComboBox->setEditText(At(QStringLiteral("boxed")));
        w->ExecuteFingerQuery(At(QStringLiteral("favourite")), false, false, false, QString());
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(w->QueryComboBox->count(), 0); // the list grows only when reloaded

        QStringList names;
        QVERIFY(ListSettingValues(kQuery, names));
        QCOMPARE(names, (QStringList{At(QStringLiteral("one")), QStringLiteral("LastQuery"), At(QStringLiteral("two")),
                                     At(QStringLiteral("boxed"))}));
        QCOMPARE(ReadSettingString(kQuery, QStringLiteral("LastQuery")), At(QStringLiteral("boxed")));

        MakeWindow();
        QStringList items;
        for (int i = 0; i < w->QueryComboBox->count(); ++i)
            items << w->QueryComboBox->itemText(i);
        QCOMPARE(items, (QStringList{At(QStringLiteral("one")), At(QStringLiteral("two")), At(QStringLiteral("boxed"))}));
        QCOMPARE(w->QueryComboBox->currentText(), At(QStringLiteral("boxed")));
    }

    void emptyBoxAndWebPage()
    {
        // Enter in an empty box does nothing; the Query command says why not.
        Enter(QString());
        QCOMPARE(server->Connections(), 0);
        QVERIFY(!w->WebPage->isEnabled());
        std::unique_ptr<QStringList> shown(AnswerNextModal());
        w->dxBarButton1->trigger();
        QCOMPARE(*shown, (QStringList{QStringLiteral("Error"),
                                      QStringLiteral("Please enter a valid query expression before continuing!")}));
        QCOMPARE(server->Connections(), 0);

        w->QueryComboBox->setEditText(QStringLiteral("user@server1.example"));
        QVERIFY(w->WebPage->isEnabled());
        w->WebPage->trigger();
        QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("http://www.server1.example"))});

        // Enabled by a query from elsewhere, with the box emptied since.
        w->QueryComboBox->setEditText(QString());
        w->WebPage->setEnabled(true);
        shown.reset(AnswerNextModal());
        w->WebPage->trigger();
        QCOMPARE(*shown, (QStringList{QStringLiteral("Error"),
                                      QStringLiteral("You have to enter a domain name in to the query box first.")}));
        QCOMPARE(opened.size(), 1);
    }

    void tabNavigationAndClosing()
    {
        EnableSounds();
        for (const char* user : {"a", "b", "c"})
            Enter(At(QString::fromLatin1(user)));
        Sounds()->played.clear();
        QCOMPARE(w->PageControl1->currentIndex(), 2);

        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->ActiveView()->setFocus();
        QTest::keyClick(w->ActiveView(), Qt::Key_Tab, Qt::ControlModifier); // Next Document, even in the view
        QCOMPARE(w->PageControl1->currentIndex(), 0);
        w->PageControl1->tabBar()->setFocus();
        QTest::keyClick(w->PageControl1->tabBar(), Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(w->PageControl1->currentIndex(), 2); // Previous Document, from the tab row
        w->dxBarButton30->trigger();
        QCOMPARE(w->PageControl1->currentIndex(), 1);
        QVERIFY(Sounds()->played.isEmpty()); // the program's own changes are silent

        // The view does not keep the window's shortcuts to itself.
        int gotos = 0;
        connect(w->dxBarButton12, &QAction::triggered, this, [&] { ++gotos; });
        std::unique_ptr<QStringList> shown(AnswerNextModal());
        w->ActiveView()->setFocus();
        QTest::keyClick(w->ActiveView(), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(gotos, 1);
        QVERIFY2(shown->contains(QStringLiteral("Go to line Number")) || shown->join(' ').contains(QLatin1String("line number")),
                 qPrintable(shown->join('|')));

        // The user's click on the tab row is a change of tab.
        QTabBar* bar = w->PageControl1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
        QCOMPARE(w->PageControl1->currentIndex(), 2);
        QCOMPARE(Sounds()->played, QStringList{QStringLiteral("switch.wav")});

        // Closing C (the last) activates A.
        w->dxBarButton21->trigger();
        QCOMPARE(Captions(), (QStringList{QStringLiteral("a-") + Host(), QStringLiteral("b-") + Host()}));
        QCOMPARE(w->PageControl1->currentIndex(), 0);
        QVERIFY(w->dxBarButton29->isEnabled());
        w->dxBarButton21->trigger();
        QCOMPARE(Captions(), QStringList{QStringLiteral("b-") + Host()});
        QVERIFY(!w->dxBarButton29->isEnabled());
        QVERIFY(!w->dxBarButton30->isEnabled());
        QCOMPARE(Sounds()->played, (QStringList{QStringLiteral("switch.wav"), QStringLiteral("close.wav"),
                                                QStringLiteral("close.wav")}));

        // Close All fires once per tab; after it the view commands do no harm.
        Enter(At(QStringLiteral("d")));
        Enter(At(QStringLiteral("e")));
        Sounds()->played.clear();
        w->dxBarButton22->trigger();
        QCOMPARE(w->PageControl1->count(), 0);
        QCOMPARE(Sounds()->played, QStringList(3, QStringLiteral("close.wav")));
        QVERIFY(!w->dxBarButton29->isEnabled());
        for (QAction* a : {w->dxBarButton8, w->dxBarButton9, w->dxBarButton11, w->dxBarButton13, w->dxBarButton21}) {
            QVERIFY(a->isEnabled());
            a->trigger();
        }
        QCOMPARE(Sounds()->played.size(), 4); // Close with no tab still sounds
        QTRY_VERIFY_WITH_TIMEOUT(!w->QueryInProgress(), 5000); // Refresh ran a query into a new tab
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    }

    void debugLinesOfAQuery()
    {
        WriteSettingBool(kRootKey, QStringLiteral("Debug"), true);
        Enter(At(QStringLiteral("root")));
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QFile log(DebugLogPath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QStringList messages;
        for (const QByteArray& line : log.readAll().split('\n')) {
            const int dash = line.indexOf(" - ");
            if (dash >= 0)
                messages << QString::fromUtf8(line.mid(dash)).trimmed();
        }
        const QStringList wanted{
            QStringLiteral("- Running ExecuteFingerQuery(") + At(QStringLiteral("root")) + QStringLiteral(")"),
            QStringLiteral("- Host->") + Host(),
            QStringLiteral("- Query->root"),
            QStringLiteral("- Sending query to server..."),
            QStringLiteral("- Creating tabsheet."),
            QStringLiteral("- Creating Results memo."),
            QStringLiteral("- Setting active page->0"),
            QStringLiteral("- Receiving data..."),
            QStringLiteral("- Setting Control Status->TRUE"),
            QStringLiteral("- Saving query text->") + At(QStringLiteral("root")),
        };
        QStringList seen;
        for (const QString& m : messages)
            if (wanted.contains(m))
                seen << m;
        QCOMPARE(seen, wanted);
    }

    void startUpAndShutDownKeepTheWindowState()
    {
        EnableSounds();
        Enter(At(QStringLiteral("a")));
        Enter(At(QStringLiteral("b")));
        w->move(200, 150);
        w->resize(700, 450);
        w->ViewPanelButton->trigger();
        w->LockToolbarsButton->trigger();
        Sounds()->played.clear();
        w->close();
        QCOMPARE(Sounds()->played, QStringList(3, QStringLiteral("close.wav")));
        QCOMPARE(ReadSettingInteger(kPositions, QStringLiteral("Width")), 700);
        QCOMPARE(ReadSettingString(kPositions, QStringLiteral("WindowState")), QStringLiteral("Normal"));
        QVERIFY(!ReadSettingBool(kConfigurationKey, QStringLiteral("ViewPanel")));
        QVERIFY(ReadSettingBool(kConfigurationKey + QStringLiteral("\\Toolbars"), QStringLiteral("ToolbarLock")));

        MakeWindow();
        QCOMPARE(w->size(), QSize(700, 450));
        QVERIFY(w->SidePanel->isHidden());
        QVERIFY(!w->ViewPanelButton->isChecked());
        // The toolbar settings are deleted at every start: unlocked again.
        QVERIFY(!w->LockToolbarsButton->isChecked());
        QVERIFY(w->QueryBar->isMovable());
        QVERIFY(w->windowTitle().startsWith(QLatin1String("Pollux Professional 2.")));
        QVERIFY(ReadSettingBool(kConfigurationKey, QStringLiteral("PXRun")));
    }

    void startUpFailureIsReportedForMain()
    {
        w.reset();
        WriteSettingInteger(kPositions, QStringLiteral("Width"), 600); // no Left
        std::unique_ptr<QStringList> shown(AnswerNextModal());
        w = std::make_unique<TMain>();
        QVERIFY2(shown->join('\n').contains(QLatin1String("An error has occured in the following module: Main.")),
                 qPrintable(shown->join('\n')));
        QVERIFY(shown->join('\n').contains(QLatin1String("Failed to get data for 'Left'")));
        // The steps after the failing one did not run.
        QCOMPARE(w->windowTitle(), QStringLiteral("Pollux Professional"));
        QVERIFY(ProgramVersion().isEmpty());
        QVERIFY(!SettingsValueExists(kConfigurationKey, QStringLiteral("DisplaySplash"))
                || !ReadSettingBool(kConfigurationKey, QStringLiteral("DisplaySplash")));
    }

    void badColourSettingIsReportedAndTheReplyShown()
    {
        const QString colour = kConfigurationKey + QStringLiteral("\\Colour");
        WriteSettingString(colour, QStringLiteral("BackGround"), QStringLiteral("notacolour"));
        ForgetFallbackReports();
        Enter(At(QStringLiteral("root")));
        QTRY_VERIFY(!errors.isEmpty());
        QVERIFY2(errors.first().startsWith(QLatin1String("Main|The setting 'BackGround' of '") + colour
                                           + QLatin1String("' holds 'notacolour'")),
                 qPrintable(errors.first()));
        QCOMPARE(Captions(), QStringList{QStringLiteral("root-") + Host()});
        QCOMPARE(ActiveLines().size(), 2);
        QVERIFY(w->dxBarButton8->isEnabled());
        QVERIFY(SettingsKeyExists(kQuery));
    }

    void activationRunsTheLastQueryOnce()
    {
        EnableSounds();
        WriteSettingString(kSounds, kSoundStartPollux, QStringLiteral("start.wav"));
        WriteSettingBool(kConfigurationKey, QStringLiteral("OpenLastSite"), true);
        WriteSettingString(kQuery, QStringLiteral("LastQuery"), At(QStringLiteral("last")));
        Sounds()->played.clear();
        MakeWindow();
        QTRY_COMPARE(Captions(), QStringList{QStringLiteral("last-") + Host()});
        QCOMPARE(Sounds()->played, QStringList{QStringLiteral("start.wav")});

        // A message box of the program hands the focus back: the steps again.
        auto messageBox = [this] {
            std::unique_ptr<QStringList> shown(AnswerNextModal());
            w->QueryComboBox->setEditText(QString());
            w->WebPage->setEnabled(true);
            w->WebPage->trigger();
            QCOMPARE(shown->size(), 2);
            w->activateWindow(); // as the window manager does when a dialog closes
        };
        messageBox();
        QTRY_COMPARE(ActiveLines().size(), 4);
        QTRY_COMPARE(Sounds()->played.count(QStringLiteral("start.wav")), 2);

        // A last query that fails is not run again on the return from its
        // own report.
        WriteSettingString(kQuery, QStringLiteral("LastQuery"),
                           QStringLiteral("x@127.0.0.1:") + QString::number(RefusingPort()));
        int reports = 0;
        SetErrorHandler([&](QObject*, const EPollux&) {
            ++reports;
            QMessageBox report(QMessageBox::Critical, QStringLiteral("Pollux"), QStringLiteral("report"), QMessageBox::Ok,
                               w.get());
            QTimer::singleShot(50, &report, &QDialog::accept);
            report.exec();
            w->activateWindow();
        });
        messageBox();
        QTRY_COMPARE(reports, 1);
        QTest::qWait(300);
        QCOMPARE(reports, 1);
        QCOMPARE(w->PageControl1->count(), 1);
        // The next activation tries again.
        messageBox();
        QTRY_COMPARE(reports, 2);
    }

    void toolbarCommands()
    {
        // The lock covers bars the user added.
        QToolBar* mine = w->AddUserToolBar(QStringLiteral("Mine"));
        w->LockToolbarsButton->trigger();
        for (QToolBar* bar : w->ToolBars())
            QVERIFY2(!bar->isMovable() && !bar->isFloatable(), qPrintable(bar->windowTitle()));
        w->LockToolbarsButton->trigger();
        QVERIFY(mine->isMovable());

        // The view toggles, twice, come back shown and checked.
        for (int i = 0; i < 2; ++i) {
            w->ViewPanelButton->trigger();
            w->StatusBarButton->trigger();
        }
        QVERIFY(w->SidePanel->isVisible() && w->ViewPanelButton->isChecked());
        QVERIFY(w->dxStatusBar1->isVisible() && w->StatusBarButton->isChecked());

        // Customising: a command added and one removed; Reset restores the Query bar.
        TCustomiseToolbars dialog(
            {{w->dxBarButton10, QStringLiteral("Search")}, {w->dxBarButton34, QStringLiteral("Standard")}},
            {QStringLiteral("Search"), QStringLiteral("Standard")}, [this] { return w->ToolBars(); },
            [](QToolBar* bar, QAction* a) { bar->addAction(a); }, [this](const QString& t) { return w->AddUserToolBar(t); },
            w.get());
        dialog.SelectBar(mine);
        dialog.SelectCategory(QStringLiteral("Search"));
        dialog.SelectCommand(w->dxBarButton10);
        QVERIFY(dialog.AddButton()->isEnabled());
        dialog.AddSelected();
        QCOMPARE(mine->actions(), QList<QAction*>{w->dxBarButton10});
        QVERIFY(!dialog.AddButton()->isEnabled()); // already there

        dialog.SelectBar(w->QueryBar);
        dialog.BarCommandList()->setCurrentRow(0); // the query box stays
        QVERIFY(!dialog.RemoveButton()->isEnabled());
        dialog.BarCommandList()->setCurrentRow(2);
        dialog.RemoveSelected();
        QVERIFY(!w->QueryBar->actions().contains(w->dxBarButton34));
        QToolBar* made = dialog.NewBar(QStringLiteral("Made"));
        QVERIFY(w->ToolBars().contains(made));

        w->ResetToolbarButton->trigger();
        const QList<QAction*> designed = w->QueryBar->actions();
        QCOMPARE(designed.size(), 3);
        QCOMPARE(designed.at(1), w->dxBarButton1);
        QCOMPARE(designed.at(2), w->dxBarButton34);
        QCOMPARE(w->QueryComboBox->parentWidget(), w->QueryBar);
        QTRY_VERIFY(w->QueryComboBox->isVisible());
    }
};

int RunHostileAppTests(int argc, char** argv); // test_app_hostile.cpp

// Both test classes of the module in one run.
int main(int argc, char** argv)
{
    pollux_test::prepareEnvironment();
    QApplication app(argc, argv);
    TestApp tc;
    QTEST_SET_MAIN_SOURCE_PATH
    const int status = QTest::qExec(&tc, argc, argv);
    return RunHostileAppTests(argc, argv) | status;
}

#include "test_app.moc"
