// The main window's start-up, activation and shut-down, its side panel with
// the web view (against a loopback HTTP server), the help commands, the
// welcome screen and the About box.

#include "ModalHelper.h"
#include "TestMain.h"

#include "FingerServer.h"
#include "WebServer.h"
#include "app/MainFrm.h"
#include "core/Guard.h"
#include "core/Paths.h"
#include "core/Version.h"
#include "settings/DebugLog.h"
#include "settings/RegUtils.h"
#include "settings/SoundEvents.h"
#include "shell/AboutFrm.h"
#include "shell/CommandLine.h"
#include "shell/Launch.h"
#include "shell/SplashFrm.h"
#include "shell/UseHTMLHelp.h"
#include "ui/SideBar.h"
#include "ui/TDCMemo.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {
const QString kPositions = kConfigurationKey + QStringLiteral("\\Positions");
const QString kQuery = kConfigurationKey + QStringLiteral("\\Query");
const QString kSounds = kConfigurationKey + QStringLiteral("\\Sounds");

struct RecordingPlayer : SoundPlayer {
    QStringList played;
    void Play(const QString& path) override { played << path; }
};

RecordingPlayer* Sounds()
{
    return dynamic_cast<RecordingPlayer*>(&CurrentSoundPlayer());
}

// The messages of the debug log, without their date and time.
QStringList LogMessages()
{
    QFile log(DebugLogPath());
    QStringList messages;
    if (!log.open(QIODevice::ReadOnly))
        return messages;
    for (const QByteArray& line : log.readAll().split('\n')) {
        const int dash = line.indexOf(" - ");
        if (dash >= 0)
            messages << QString::fromUtf8(line.mid(dash + 3)).trimmed();
    }
    return messages;
}

bool WebEngineMapped()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngine");
}

// What the welcome screen showed, if it came up while the watch lived; it
// is then closed with its check box as `keepShowing` says.
struct SplashWatch {
    bool shown = false;
    QString version;
    bool checkedAtStart = false;
    QTimer timer;
};

std::unique_ptr<SplashWatch> WatchSplash(bool keepShowing)
{
    auto watch = std::make_unique<SplashWatch>();
    SplashWatch* seen = watch.get();
    watch->timer.setInterval(10);
    QObject::connect(&watch->timer, &QTimer::timeout, [seen, keepShowing] {
        auto* splash = qobject_cast<TSplash*>(QApplication::activeModalWidget());
        if (!splash || !splash->isVisible())
            return;
        seen->timer.stop();
        seen->shown = true;
        seen->version = splash->lblversion->text();
        seen->checkedAtStart = splash->DisplaySplash->isChecked();
        splash->DisplaySplash->setChecked(keepShowing);
        splash->lblContinue->click();
    });
    watch->timer.start();
    return watch;
}
} // namespace

class TestStartup : public QObject {
    Q_OBJECT

    std::unique_ptr<TMain> w;
    std::unique_ptr<TUseHTMLHelp> router; // installed before any window, as the program does
    QList<QUrl> opened;
    QStringList started;
    QStringList errors;

    // A later run: no welcome screen.
    static void MarkRunBefore()
    {
        WriteSettingBool(kConfigurationKey, QStringLiteral("PXRun"), true);
        WriteSettingBool(kConfigurationKey, QStringLiteral("DisplaySplash"), false);
    }

    void MakeWindow(bool show = true)
    {
        w.reset();
        w = std::make_unique<TMain>();
        errors.clear();
        SetErrorHandler([this](QObject*, const EPollux& e) { errors << e.Message(); });
        if (show) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        }
    }

private slots:
    void initTestCase()
    {
        SetSoundPlayer(std::make_unique<RecordingPlayer>());
        router = std::make_unique<TUseHTMLHelp>();
        SetDesktopOpener([this](const QUrl& url) {
            opened << url;
            return true;
        });
        SetProgramStarter([this](const QString& program, const QStringList& args) {
            started << program + QLatin1Char(' ') + args.join(QLatin1Char(' '));
            return true;
        });
    }

    void init()
    {
        w.reset();
        pollux_test::clearSettingsDir();
        SetCommandLineParameters({});
        Sounds()->played.clear();
        opened.clear();
        started.clear();
    }

    void cleanup()
    {
        w.reset();
        SetCommandLineParameters({});
    }

    void startUpLogLines_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QStringList>("wanted");
        const QString help = QStringLiteral("Assigning help path (") + DataDir() + QStringLiteral("/help/help.html)");
        const QStringList head{QStringLiteral("Deleting Registry Toolbar and Menu settings..."), help,
                               QStringLiteral("Counting number of command line parameters..."),
                               QStringLiteral("Running LockToolBars"), QStringLiteral("LoadFavQueryServers->FALSE"),
                               QStringLiteral("Checking for Main window co-ordinates...")};
        const QStringList middle{QStringLiteral("Setting SetControlStatus->FALSE"),
                                 QStringLiteral("Setting Control Status->FALSE"),
                                 QStringLiteral("Assigning Pollux Version"),
                                 QStringLiteral("Running Professional Version")};
        const QStringList tail{QStringLiteral("Load ToolBarManager components..."), QStringLiteral("Loading QueryText..."),
                               QStringLiteral("Loading Query Text..."),
                               QStringLiteral("Assigning images to resource panel..."),
                               QStringLiteral("Adding Icons...")};
        QTest::newRow("fresh store")
            << false
            << head + middle
                   + QStringList{QStringLiteral("On first run"), QStringLiteral("DisplaySplash->TRUE (First Run)"),
                                 QStringLiteral("Creating SplashScreen..."), QStringLiteral("Show SplashScreen")}
                   + tail;
        QTest::newRow("stored settings")
            << true
            << head
                   + QStringList{QStringLiteral("Setting Main.Left: 140"), QStringLiteral("Setting Main.Width: 640"),
                                 QStringLiteral("Setting Main.Top: 120"), QStringLiteral("Setting Main.Height: 420"),
                                 QStringLiteral("Setting Main.WindowState: Normal")}
                   + middle
                   + QStringList{QStringLiteral("Been run more than once"), QStringLiteral("Display ViewPanel->FALSE"),
                                 QStringLiteral("Display StatusBar->TRUE"), QStringLiteral("DisplaySplash->TRUE")}
                   + tail;
    }

    void startUpLogLines()
    {
        QFETCH(bool, stored);
        WriteSettingBool(kRootKey, QStringLiteral("Debug"), true);
        if (stored) {
            MarkRunBefore();
            WriteSettingInteger(kPositions, QStringLiteral("Left"), 140);
            WriteSettingInteger(kPositions, QStringLiteral("Width"), 640);
            WriteSettingInteger(kPositions, QStringLiteral("Top"), 120);
            WriteSettingInteger(kPositions, QStringLiteral("Height"), 420);
            WriteSettingString(kPositions, QStringLiteral("WindowState"), QStringLiteral("Normal"));
            WriteSettingBool(kConfigurationKey, QStringLiteral("ViewPanel"), false);
            WriteSettingBool(kConfigurationKey, QStringLiteral("StatusBar"), true);
        }
        const auto splash = WatchSplash(true);
        MakeWindow(false);
        QCOMPARE(splash->shown, !stored);
        QFETCH(QStringList, wanted);
        QStringList messages = LogMessages();
        messages.removeIf([](const QString& m) { return m.startsWith(QLatin1String("Pollux is starting")) || m.startsWith(QLatin1String("Version:")); });
        QCOMPARE(messages, wanted);
        QCOMPARE(w->SidePanel->isHidden(), stored);
    }

    void welcomeScreenRule_data()
    {
        QTest::addColumn<bool>("runBefore");
        QTest::addColumn<int>("displaySplash"); // -1 missing, 0 false, 1 true
        QTest::addColumn<bool>("shown");
        QTest::newRow("first run, stored false") << false << 0 << true;
        QTest::newRow("first run, missing") << false << -1 << true;
        QTest::newRow("later run, false") << true << 0 << false;
        QTest::newRow("later run, true") << true << 1 << true;
        QTest::newRow("later run, missing") << true << -1 << true;
    }

    void welcomeScreenRule()
    {
        QFETCH(bool, runBefore);
        QFETCH(int, displaySplash);
        QFETCH(bool, shown);
        if (runBefore)
            WriteSettingBool(kConfigurationKey, QStringLiteral("PXRun"), true);
        if (displaySplash >= 0)
            WriteSettingBool(kConfigurationKey, QStringLiteral("DisplaySplash"), displaySplash == 1);
        // Cleared on closing: the next start does not show it.
        const auto splash = WatchSplash(false);
        MakeWindow(false);
        QCOMPARE(splash->shown, shown);
        if (!shown)
            return;
        QVERIFY(splash->checkedAtStart);
        QCOMPARE(splash->version, GetFileVersionString(ProgramFilePath()));
        QVERIFY(!splash->version.isEmpty());
        QCOMPARE(ReadSettingBool(kConfigurationKey, QStringLiteral("DisplaySplash")), false);
        const auto again = WatchSplash(true);
        MakeWindow(false);
        QVERIFY(!again->shown);
    }

    void welcomeScreenContents()
    {
        TSplash splash;
        QCOMPARE(splash.size(), QSize(554, 307));
        QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(splash.toolTip(), QStringLiteral("Show the welcome screen every time Pollux starts up"));
        QCOMPARE(splash.DisplaySplash->text(), QStringLiteral("&Always show welcome screen at startup"));
        QCOMPARE(splash.DisplaySplash->toolTip(),
                 QStringLiteral("Uncheck this option if you dont want to see this screen before using Pollux."));
        QCOMPARE(splash.lblContinue->text(), QStringLiteral("&Continue..."));
        QCOMPARE(splash.lblContinue->toolTip(), QStringLiteral("Click here to start using Pollux"));
        QCOMPARE(splash.lblTutorial->toolTip(), QStringLiteral("Click here to launch the online finger tutorial"));
        QString all;
        for (const QLabel* label : splash.findChildren<QLabel*>())
            all += label->text() + QLatin1Char('\n');
        QVERIFY2(all.contains(QLatin1String("one of the leading finger clients for Linux.")), qPrintable(all));
        QVERIFY(!all.contains(QLatin1String("Windows")));

        // The tutorial link opens the tutorial and leaves the screen open.
        splash.show();
        emit splash.lblTutorial->linkActivated(QStringLiteral("tutorial"));
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened.first().toLocalFile().endsWith(QLatin1String("/help/tutorial/tutindex.htm")));
        QVERIFY(QFileInfo::exists(opened.first().toLocalFile()));
        QVERIFY(splash.isVisible());
    }

    void windowState_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("state");
        QTest::newRow("Maximised") << QStringLiteral("Maximised") << int(Qt::WindowMaximized);
        QTest::newRow("lower case") << QStringLiteral("maximised") << int(Qt::WindowNoState);
        QTest::newRow("Normal") << QStringLiteral("Normal") << int(Qt::WindowNoState);
        QTest::newRow("missing") << QString() << int(Qt::WindowNoState);
    }

    void windowState()
    {
        QFETCH(QString, stored);
        QFETCH(int, state);
        MarkRunBefore();
        for (const char* name : {"Left", "Top"})
            WriteSettingInteger(kPositions, QString::fromLatin1(name), 100);
        WriteSettingInteger(kPositions, QStringLiteral("Width"), 600);
        WriteSettingInteger(kPositions, QStringLiteral("Height"), 400);
        if (!stored.isNull())
            WriteSettingString(kPositions, QStringLiteral("WindowState"), stored);
        MakeWindow(false);
        QCOMPARE(int(w->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)), state);
    }

    void startCutShortByTheCommandLine()
    {
        SetCommandLineParameters({QStringLiteral("/f:user@host.example")});
        const auto splash = WatchSplash(true);
        MakeWindow(false);
        QTest::qWait(50);
        QVERIFY(!splash->shown);
        QCOMPARE(w->windowTitle(), QStringLiteral("Pollux Professional"));
        QVERIFY(ProgramVersion().isEmpty());
        QVERIFY(!SettingsValueExists(kConfigurationKey, QStringLiteral("PXRun")));
        for (QToolButton* item : w->dxSideBar1->Items(1))
            QCOMPARE(w->dxSideBar1->ItemImage(item), -1);
        // The About box reads the program file itself.
        TAboutBox box(w.get());
        QCOMPARE(box.lblVersion->text(), GetFileVersionString(ProgramFilePath()));
    }

    void aboutBoxAndActivation()
    {
        auto server = std::make_unique<LoopbackFingerServer>();
        QVERIFY(server->Listen());
        server->SetReply("Login: last\r\n");
        MarkRunBefore();
        const QString last = QStringLiteral("last@127.0.0.1:") + QString::number(server->Port());
        WriteSettingBool(kConfigurationKey, QStringLiteral("OpenLastSite"), true);
        WriteSettingString(kQuery, QStringLiteral("LastQuery"), last);
        WriteSettingBool(kSounds, QStringLiteral("SoundsEnabled"), true);
        WriteSettingString(kSounds, kSoundStartPollux, QStringLiteral("start.wav"));
        WriteSettingBool(kRootKey, QStringLiteral("Debug"), true);
        MakeWindow();
        QTRY_COMPARE(w->PageControl1->count(), 1);
        QTRY_COMPARE(w->ActiveView()->Lines(), QStringList{QStringLiteral("Login: last")});
        QCOMPARE(Sounds()->played, QStringList{QStringLiteral("start.wav")});

        QStringList seen;
        WhenModal<TAboutBox>([&seen](TAboutBox* box) {
            seen << box->windowTitle() << box->lblProduct->text() << box->lblVersion->text();
            QVERIFY(box->OKButton->isDefault());
            QCOMPARE(box->OKButton->text(), QStringLiteral("O&K"));
            box->OKButton->click();
        });
        w->AboutButton->trigger();
        w->activateWindow(); // as the window manager does when the box closes
        QCOMPARE(seen, (QStringList{QStringLiteral("About Pollux"), QStringLiteral("Pollux Professional"),
                                    GetFileVersionString(ProgramFilePath())}));
        QVERIFY(LogMessages().contains(QStringLiteral("Showing About box")));
        // The return from the box is an activation: the last query again,
        // added below in its tab, and the start sound once more.
        QTRY_COMPARE(w->ActiveView()->Lines(), (QStringList{QStringLiteral("Login: last"), QStringLiteral("Login: last")}));
        QCOMPARE(w->PageControl1->count(), 1);
        QTRY_COMPARE(Sounds()->played, (QStringList{QStringLiteral("start.wav"), QStringLiteral("start.wav")}));
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    }

    void shutDownStoresTheViewsAndSounds()
    {
        MarkRunBefore();
        WriteSettingBool(kSounds, QStringLiteral("SoundsEnabled"), true);
        WriteSettingString(kSounds, kSoundCloseQuery, QStringLiteral("close.wav"));
        MakeWindow();
        w->StatusBarButton->trigger();
        w->showMaximized();
        Sounds()->played.clear();
        w->close();
        // No tab open: the last "Close Query" still plays.
        QCOMPARE(Sounds()->played, QStringList{QStringLiteral("close.wav")});
        QCOMPARE(ReadSettingString(kPositions, QStringLiteral("WindowState")), QStringLiteral("Maximised"));
        QVERIFY(!ReadSettingBool(kConfigurationKey, QStringLiteral("StatusBar")));
        QVERIFY(ReadSettingBool(kConfigurationKey, QStringLiteral("ViewPanel")));
        QVERIFY(SettingsValueExists(kConfigurationKey + QStringLiteral("\\Toolbars"), QStringLiteral("ToolbarLock")));
        MakeWindow(false);
        QVERIFY(w->dxStatusBar1->isHidden());
        QVERIFY(!w->StatusBarButton->isChecked());
        QVERIFY(w->isMaximized());
    }

    void sidePanelItems()
    {
        MarkRunBefore();
        MakeWindow();
        TSideBar* bar = w->dxSideBar1;
        QCOMPARE(bar->GroupCaption(0), QStringLiteral("View"));
        QCOMPARE(bar->GroupCaption(1), QStringLiteral("Resources"));
        QCOMPARE(bar->OpenedGroup(), 0);
        QCOMPARE(bar->LargeImageCount(), 3);
        const QList<QStringList> wanted{
            {QStringLiteral("Query Page"), QStringLiteral("Display the main Query page"), QStringLiteral("1")},
            {QStringLiteral("Pollux News"), QStringLiteral("Display the latest news about Pollux"), QStringLiteral("0")},
            {QStringLiteral("Marlwick News"), QStringLiteral("display the latest news about Marlwick"), QStringLiteral("0")},
            {QStringLiteral("Pollux Support"), QStringLiteral("Obtain online support for Pollux"), QStringLiteral("2")},
            {QStringLiteral("RFC Finger Documentation"), QStringLiteral("Obtain information on the finger protocol"),
             QStringLiteral("2")},
            {QStringLiteral("WWW-Finger Gateway"), QStringLiteral("Use a web based finger gatweay"), QStringLiteral("2")},
        };
        QList<QStringList> items;
        for (int group : {0, 1})
            for (QToolButton* item : bar->Items(group))
                items << QStringList{item->property("polluxCaption").toString(), item->toolTip(),
                                     QString::number(bar->ItemImage(item))};
        QCOMPARE(items, wanted);
        bar->GroupButton(1)->click();
        QCOMPARE(bar->OpenedGroup(), 1);
        QVERIFY(bar->Item(QStringLiteral("Pollux Support"))->isVisible());
        QVERIFY(!bar->Item(QStringLiteral("Query Page"))->isVisible());
        // A caption that is no item does nothing.
        w->SideBarItemClick(QStringLiteral("query page"));
        QCOMPARE(w->ContentPanels->currentWidget(), w->ResultsPanel);
    }

    void helpCommands()
    {
        MarkRunBefore();
        MakeWindow();
        const QUrl support(QStringLiteral("http://127.0.0.1:9/support/support.html"));
        qputenv("POLLUX_VENDOR_URL", "http://127.0.0.1:9");
        w->HelpIndexButton->trigger();
        w->TutorialButton->trigger();
        w->OnlineSupportButton->trigger();
        qunsetenv("POLLUX_VENDOR_URL");
        QCOMPARE(opened.size(), 3);
        QVERIFY(opened.at(0).toLocalFile().endsWith(QLatin1String("/help/help.html")));
        QVERIFY(opened.at(1).toLocalFile().endsWith(QLatin1String("/help/tutorial/tutindex.htm")));
        for (int i : {0, 1})
            QVERIFY2(QFileInfo::exists(opened.at(i).toLocalFile()), qPrintable(opened.at(i).toString()));
        QCOMPARE(opened.at(2), support);

        // F1 anywhere: the help index.
        opened.clear();
        w->QueryComboBox->setFocus();
        QTest::keyClick(w->QueryComboBox, Qt::Key_F1);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.first().toLocalFile(), DataDir() + QStringLiteral("/help/help.html"));
    }

    void helpRouter_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("fragment"); // "-" for nothing opened
        QTest::newRow("context") << int(HELP_CONTEXT) << QStringLiteral("12") << QStringLiteral("context-12");
        QTest::newRow("context popup") << int(HELP_CONTEXTPOPUP) << QStringLiteral("7") << QStringLiteral("context-7");
        QTest::newRow("quit") << int(HELP_QUIT) << QString() << QStringLiteral("-");
        QTest::newRow("keyword") << int(HELP_KEY) << QStringLiteral("Command Line") << QStringLiteral("command-line");
        QTest::newRow("other") << int(HELP_FINDER) << QString() << QString();
    }

    void helpRouter()
    {
        QFETCH(int, command);
        QFETCH(QString, data);
        QFETCH(QString, fragment);
        QVERIFY(router->HtmlHelpRouter(command, data));
        if (fragment == QLatin1String("-")) {
            QVERIFY(opened.isEmpty());
            return;
        }
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.first().toLocalFile(), ApplicationHelpFile());
        QCOMPARE(opened.first().fragment(), fragment);
    }

    void serverConsole()
    {
        // Only the program's folder (or the build tree's tools) counts,
        // never the working directory.
        QTemporaryDir folder;
        QTemporaryDir elsewhere;
        const QString stray = elsewhere.filePath(QStringLiteral("pxserver"));
        QFile file(stray);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(elsewhere.path());
        QCOMPARE(CompanionProgramPathIn(QStringLiteral("pxserver"), folder.path(), QString()), QString());
        QDir::setCurrent(cwd);
        QVERIFY(QFile::copy(stray, folder.filePath(QStringLiteral("pxserver"))));
        QFile(folder.filePath(QStringLiteral("pxserver"))).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QCOMPARE(CompanionProgramPathIn(QStringLiteral("pxserver"), folder.path(), QString()),
                 QDir(folder.path()).absoluteFilePath(QStringLiteral("pxserver")));

        MarkRunBefore();
        MakeWindow();
        const QString console = CompanionProgramPath(QStringLiteral("pxserver"));
        QStringList shown;
        if (console.isEmpty())
            WhenModal<QMessageBox>([&shown](QMessageBox* box) {
                shown << box->windowTitle() << box->text();
                box->accept();
            });
        w->ServerConsoleButton->trigger();
        if (console.isEmpty()) {
            QCOMPARE(shown, (QStringList{QStringLiteral("Error"),
                                         QStringLiteral("Unable to find Pollux Server, make sure that the application is installed.")}));
            QVERIFY(started.isEmpty());
        } else {
            QVERIFY(QDir::isAbsolutePath(console));
            QCOMPARE(started, QStringList{console + QStringLiteral(" --console")});
        }
    }

    void helpPagesLinkEachOther()
    {
        // Every link and picture of the shipped help resolves offline.
        const QString root = DataDir() + QStringLiteral("/help");
        static const QRegularExpression reference(QStringLiteral("(?:href|src)=\"([^\"]+)\""));
        static const QRegularExpression anchorId(QStringLiteral("id=\"([^\"]+)\""));
        QStringList broken;
        int pages = 0;
        QDirIterator it(root, {QStringLiteral("*.html"), QStringLiteral("*.htm")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString page = it.next();
            ++pages;
            QFile file(page);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString html = QString::fromUtf8(file.readAll());
            for (auto m = reference.globalMatch(html); m.hasNext();) {
                const QString target = m.next().captured(1);
                if (target.startsWith(QLatin1String("http:")) || target.startsWith(QLatin1String("https:"))
                    || target.startsWith(QLatin1String("mailto:")))
                    continue;
                const QString path = target.section(QLatin1Char('#'), 0, 0);
                const QString anchor = target.section(QLatin1Char('#'), 1);
                const QString file = path.isEmpty() ? page : QFileInfo(page).dir().absoluteFilePath(path);
                if (!QFileInfo::exists(file)) {
                    broken << page + QStringLiteral(" -> ") + target;
                    continue;
                }
                if (anchor.isEmpty())
                    continue;
                QFile linked(file);
                QVERIFY(linked.open(QIODevice::ReadOnly));
                if (!QString::fromUtf8(linked.readAll()).contains(QStringLiteral("id=\"") + anchor + QLatin1Char('"')))
                    broken << page + QStringLiteral(" -> ") + target + QStringLiteral(" (no anchor)");
            }
        }
        QVERIFY(pages > 1);
        QVERIFY2(broken.isEmpty(), qPrintable(broken.join('\n')));
    }

    void webItemsUseTheWebView()
    {
        LoopbackWebServer http;
        QVERIFY(http.Listen());
        http.SetPage("/pollux/pxnews.html", "<html><head><title>News</title></head><body><h1>Pollux news</h1></body></html>");
        qputenv("POLLUX_VENDOR_URL", http.Base().toLatin1());
        MarkRunBefore();
        MakeWindow();
        // Nothing of the web engine is loaded until a web item is chosen.
        QVERIFY(!WebEngineMapped());
        QStringList statuses;
        connect(w.get(), &TMain::ActivityChanged, this, [&statuses](const QString& text) { statuses << text; });

        QToolButton* news = w->dxSideBar1->Item(QStringLiteral("Pollux News"));
        news->click();
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QVERIFY(WebEngineMapped());
        QCOMPARE(w->ContentPanels->currentWidget(), w->WebPagePanel);
        QVERIFY(!w->PageControl1->isVisible());
        QVERIFY(!w->dxStatusBar1->isVisible());
        QCOMPARE(w->WebBrowserUrl, QUrl(http.Base() + QStringLiteral("/pollux/pxnews.html")));
        QTRY_COMPARE_WITH_TIMEOUT(http.Requests("/pollux/pxnews.html"), 1, 60000);
        QTRY_VERIFY_WITH_TIMEOUT(statuses.contains(QStringLiteral("Done")), 60000);

        // The same item again loads the page anew.
        statuses.clear();
        news->click();
        QTRY_COMPARE_WITH_TIMEOUT(http.Requests("/pollux/pxnews.html"), 2, 60000);
        QTRY_VERIFY_WITH_TIMEOUT(statuses.contains(QStringLiteral("Done")), 60000);

        // Back to the results: the activity panel holds the view's last text.
        w->dxSideBar1->Item(QStringLiteral("Query Page"))->click();
        QCOMPARE(w->ContentPanels->currentWidget(), w->ResultsPanel);
        QVERIFY(w->PageControl1->isVisible());
        QVERIFY(w->dxStatusBar1->isVisible());
        QCOMPARE(w->StatusPanel(0)->text(), statuses.last());
        w->ShowBrowserStatus(QString());
        QCOMPARE(w->StatusPanel(0)->text(), QStringLiteral("Done"));
        w->ShowBrowserStatus(QStringLiteral("http://127.0.0.1/x"));
        QCOMPARE(w->StatusPanel(0)->text(), QStringLiteral("http://127.0.0.1/x"));
        w->close();
        qunsetenv("POLLUX_VENDOR_URL");
    }
};

int main(int argc, char** argv)
{
    pollux_test::prepareEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestStartup tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "test_startup.moc"
