// The command line decision, the help window and the error report, without
// the main window.

#include "TestMain.h"

#include "core/Guard.h"
#include "finger/Mssocket.h"
#include "settings/DebugLog.h"
#include "settings/RegUtils.h"
#include "shell/CommandLine.h"
#include "shell/CommandLineHelpFrm.h"
#include "shell/CritError.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "ModalHelper.h"

#include <functional>

namespace {
// Runs `act` on the modal window of type T once it is up, from the event
// loop the modal window runs. Gives up (closing whatever is modal) after a
// generous wait so that a broken dialog fails the test instead of hanging it.

QStringList debugLogLines()
{
    QFile file(DebugLogPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

QStringList labelTexts(const QWidget* window)
{
    QStringList texts;
    // a label whose shown text is dressed for wrapping keeps the plain one
    for (const QLabel* label : window->findChildren<QLabel*>())
        texts << (label->accessibleDescription().isEmpty() ? label->text() : label->accessibleDescription());
    return texts;
}
} // namespace

class TestShell : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void decision_data();
    void decision();
    void conversionFailure_data();
    void conversionFailure();
    void helpAtItsTurn();
    void debugLines();

    void helpWindow();

    void moduleLine_data();
    void moduleLine();
    void dateTimeText_data();
    void dateTimeText();
    void reportWindowAndClipboard();
    void reportOnTopOfReport();
    void reportDespiteBrokenDebugLog();
    void unattendedReportShowsNothing();
};

void TestShell::init()
{
    pollux_test::clearSettingsDir();
    SetUnattendedErrors(false);
}

void TestShell::cleanup()
{
    SetErrorHandler({});
    QLocale::setDefault(QLocale::system());
}

void TestShell::decision_data()
{
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<bool>("print");
    QTest::addColumn<bool>("clear");
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("saveFile");
    QTest::addColumn<bool>("boxSet");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("interval"); // -1: no "/t"
    QTest::addColumn<bool>("help");
    QTest::addColumn<bool>("quit");

    const QString none;
    QTest::newRow("/P") << QStringList{"/P"} << true << false << false << none << false << none << -1 << false << false;
    QTest::newRow("/p") << QStringList{"/p"} << true << false << false << none << false << none << -1 << false << false;
    QTest::newRow("/Cls") << QStringList{"/Cls"} << false << true << false << none << false << none << -1 << false << false;
    QTest::newRow("/print ignored") << QStringList{"/print"} << false << false << false << none << false << none << -1 << false << false;
    QTest::newRow("-p ignored") << QStringList{"-p"} << false << false << false << none << false << none << -1 << false << false;
    QTest::newRow("/p: ignored") << QStringList{"/p:"} << false << false << false << none << false << none << -1 << false << false;
    QTest::newRow("/t:5") << QStringList{"/t:5"} << false << false << false << none << false << none << 5000 << false << false;
    QTest::newRow("/T:5") << QStringList{"/T:5"} << false << false << false << none << false << none << 5000 << false << false;
    QTest::newRow("/t50 is 0") << QStringList{"/t50"} << false << false << false << none << false << none << 0 << false << false;
    QTest::newRow("/t:0") << QStringList{"/t:0"} << false << false << false << none << false << none << 0 << false << false;
    QTest::newRow("largest interval") << QStringList{"/t:2147483"} << false << false << false << none << false << none << 2147483000 << false << false;
    QTest::newRow("/s:out.txt") << QStringList{"/s:out.txt"} << false << false << true << "out.txt" << false << none << -1 << false << false;
    QTest::newRow("/S: keeps the name's case") << QStringList{"/S:Out.TXT"} << false << false << true << "Out.TXT" << false << none << -1 << false << false;
    QTest::newRow("/f:hosta/status saves") << QStringList{"/f:hosta/status"} << false << false << true << "hosta/status" << false << none << -1 << false << false;
    QTest::newRow("/s anywhere, first three dropped") << QStringList{"ab/sfile"} << false << false << true << "sfile" << false << none << -1 << false << false;
    QTest::newRow("/f:hosta,hostb") << QStringList{"/f:hosta,hostb"} << false << false << false << none << true << "hosta,hostb" << -1 << false << false;
    QTest::newRow("/F: upper") << QStringList{"/F:user@host"} << false << false << false << none << true << "user@host" << -1 << false << false;
    QTest::newRow("/f: finger link with /s and /t inside") << QStringList{"/f:finger://savannah/sam,finger://tern/tim"} << false << false << false << none << true << "finger://savannah/sam,finger://tern/tim" << -1 << false << false;
    QTest::newRow("/F: FINGER link") << QStringList{"/F:FINGER://HOST/SAM"} << false << false << false << none << true << "FINGER://HOST/SAM" << -1 << false << false;
    QTest::newRow("finger link first fills the box") << QStringList{"finger://tern/tim", "/q"} << false << false << false << none << true << "finger://tern/tim" << -1 << false << true;
    QTest::newRow("finger link later is ignored") << QStringList{"/p", "finger://savannah/tim"} << true << false << false << none << false << none << -1 << false << false;
    QTest::newRow("last /f: wins") << QStringList{"/f:a", "/f:b"} << false << false << false << none << true << "b" << -1 << false << false;
    QTest::newRow("/q") << QStringList{"/q"} << false << false << false << none << false << none << -1 << false << true;
    QTest::newRow("/Q") << QStringList{"/Q"} << false << false << false << none << false << none << -1 << false << true;
    QTest::newRow("/? among others") << QStringList{"/p", "/?", "/cls", "/s:x"} << true << true << true << "x" << false << none << -1 << true << false;
    QTest::newRow("everything") << QStringList{"/f:@h", "/t:30", "/cls", "/s:out.txt", "/p", "/q"}
                                << true << true << true << "out.txt" << true << "@h" << 30000 << false << true;
}

void TestShell::decision()
{
    QFETCH(QStringList, params);
    const CommandLineDecision d = DecideCommandLine(params);
    QTEST(d.State.CmdLinePrint, "print");
    QTEST(d.State.CmdLineClear, "clear");
    QTEST(d.State.CmdLineSave, "save");
    QTEST(d.State.CmdLineSaveFile, "saveFile");
    QTEST(d.BoxTextSet, "boxSet");
    QTEST(d.BoxText, "box");
    QFETCH(int, interval);
    QCOMPARE(d.TimerSet, interval >= 0);
    if (interval >= 0)
        QCOMPARE(d.TimerInterval, interval);
    QTEST(d.HelpRequested, "help");
    QTEST(d.State.Quit, "quit");
}

void TestShell::conversionFailure_data()
{
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("printBefore");

    QTest::newRow("/t5 leaves nothing") << QStringList{"/t5"} << "'' is not a valid integer value" << false;
    QTest::newRow("not a number") << QStringList{"/t:abc"} << "'abc' is not a valid integer value" << false;
    QTest::newRow("negative") << QStringList{"/t:-5"} << "'-5' is not a valid integer value" << false;
    QTest::newRow("interval overflow") << QStringList{"/t:2147484"} << "'2147484' is not a valid integer value" << false;
    QTest::newRow("beyond 32 bits") << QStringList{"/t:99999999999"} << "'99999999999' is not a valid integer value" << false;
    QTest::newRow("/x/t:5 drops three") << QStringList{"/x/t:5"} << "'t:5' is not a valid integer value" << false;
    QTest::newRow("stops there") << QStringList{"/p", "/t:x", "/cls", "/t:5"} << "'x' is not a valid integer value" << true;
}

void TestShell::conversionFailure()
{
    QFETCH(QStringList, params);
    QFETCH(bool, printBefore);
    CommandLineDecision d;
    try {
        DecideCommandLine(params, d);
        QFAIL("no failure");
    } catch (const EConvertError& e) {
        QTEST(e.Message(), "message");
        QCOMPARE(e.TypeName(), QStringLiteral("EConvertError"));
    }
    // What came before stays decided; nothing after it is looked at.
    QCOMPARE(d.State.CmdLinePrint, printBefore);
    QVERIFY(!d.State.CmdLineClear);
    QVERIFY(!d.TimerSet);
}

void TestShell::helpAtItsTurn()
{
    CommandLineDecision d;
    QStringList seenAtHelp;
    int calls = 0;
    DecideCommandLine({"/f:a", "/?", "/cls"}, d, [&] {
        ++calls;
        seenAtHelp << (d.BoxTextSet ? d.BoxText : QString()) << (d.State.CmdLineClear ? "cls" : "");
    });
    QCOMPARE(calls, 1);
    // Shown after the first parameter and before the third.
    QCOMPARE(seenAtHelp, (QStringList{"a", ""}));
    QVERIFY(d.State.CmdLineClear);
    QVERIFY(d.State.Help);
}

void TestShell::debugLines()
{
    QVERIFY(WriteSettingBool(kRootKey, QStringLiteral("Debug"), true));
    DeleteDebugLog();
    CommandLineDecision d;
    try {
        DecideCommandLine({"/f:user@host", "/P", "/t:x", "/cls"}, d);
        QFAIL("no failure");
    } catch (const EConvertError&) {
    }
    const QStringList lines = debugLogLines();
    const QStringList expected{
        " - Checking Command line parameters...",
        " - Checking command parameter[1]->/f:user@host",
        " - Checking command parameter[2]->/P",
        " - Checking command parameter[3]->/t:x",
    };
    QStringList tail = lines.mid(lines.size() - expected.size());
    QCOMPARE(tail.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QVERIFY2(tail[i].endsWith(expected[i]), qPrintable(tail[i]));
        // each line is the date and time, then the message
        QVERIFY2(tail[i].size() > expected[i].size() + 8, qPrintable(tail[i]));
    }
    QVERIFY(!lines.join('\n').contains("parameter[4]"));
}

void TestShell::helpWindow()
{
    TCLHelp help(nullptr);
    QCOMPARE(help.windowTitle(), QStringLiteral("Command Line Help"));
    QCOMPARE(help.OKBtn->text(), QStringLiteral("O&K"));
    QVERIFY(help.OKBtn->isDefault());

    const QStringList texts = labelTexts(&help);
    QCOMPARE(texts.mid(0, 2), (QStringList{"Options", "Description"}));
    const auto* title = help.findChildren<QLabel*>().first();
    QVERIFY(title->font().bold());
    QCOMPARE(title->palette().color(QPalette::WindowText), QColor(Qt::white));

    const QStringList rows = texts.mid(2);
    QCOMPARE(rows.size(), 14);
    const QStringList options{rows[0], rows[2], rows[4], rows[6], rows[8], rows[10], rows[12]};
    QCOMPARE(options.mid(1), (QStringList{"/s:output.txt", "/p", "/?", "/q", "/cls", "/t:nnn"}));
    QVERIFY(options[0].startsWith("/f:"));
    QVERIFY(rows[1].startsWith("Fingers the specified address, if you need to finger multiple addresses, "
                               "separate with commas. e.g /f:"));
    QCOMPARE(rows[9], QStringLiteral("Execute the specified query (using /f: command) and exits.  This is "
                                     "normally used when saving the results at the same time."));

    // The same switches on standard output for --help.
    const QString text = CommandLineHelpText();
    for (const QString& option : options)
        QVERIFY2(text.contains("  " + option), qPrintable(option));

    WhenModal<TCLHelp>([](TCLHelp* shown) { QTest::keyClick(shown->OKBtn, Qt::Key_Return); });
    QCOMPARE(help.exec(), int(QDialog::Accepted));
}

void TestShell::moduleLine_data()
{
    QTest::addColumn<QString>("windowName");
    QTest::addColumn<bool>("childWidget");
    QTest::addColumn<QString>("expected");

    QTest::newRow("main window") << "Main" << false << "An error has occured in the following module: Main.";
    QTest::newRow("widget inside a dialog") << "Options" << true
                                            << "An error has occured in the following module: Options.";
    QTest::newRow("no window") << QString() << false << "An error has occured in an unknown module.";
}

void TestShell::moduleLine()
{
    QFETCH(QString, windowName);
    QFETCH(bool, childWidget);
    if (windowName.isEmpty()) {
        QObject notAWindow;
        QTEST(ReportModuleLine(nullptr), "expected");
        QTEST(ReportModuleLine(&notAWindow), "expected");
        return;
    }
    QWidget window;
    window.setObjectName(windowName);
    auto* child = new QPushButton(&window);
    QTEST(ReportModuleLine(childWidget ? static_cast<QWidget*>(child) : &window), "expected");
}

void TestShell::dateTimeText_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("expected");

    const QDate day(2003, 12, 9);
    QTest::newRow("en_US") << "en_US" << QDateTime(day, QTime(14, 5, 9)) << "12/9/03 2:05:09 PM";
    QTest::newRow("de_DE") << "de_DE" << QDateTime(day, QTime(14, 5, 9)) << "09.12.03 14:05:09";
    QTest::newRow("midnight: no time") << "de_DE" << QDateTime(day, QTime(0, 0)) << "09.12.03";
    QTest::newRow("a second after") << "de_DE" << QDateTime(day, QTime(0, 0, 1)) << "09.12.03 00:00:01";
}

void TestShell::dateTimeText()
{
    QFETCH(QString, locale);
    QFETCH(QDateTime, moment);
    QLocale::setDefault(QLocale(locale));
    QTEST(ReportDateTimeText(moment), "expected");
}

void TestShell::reportWindowAndClipboard()
{
    QWidget mainWindow;
    mainWindow.setObjectName("Main");
    mainWindow.setWindowTitle("Pollux Professional 2.0.0.327");
    bool cleared = false;
    InstallErrorHandler(&mainWindow, [&] { cleared = true; });
    QGuiApplication::clipboard()->setText("what was there before");

    QStringList shown;
    QString info;
    QString clipboard;
    bool hasLabels = false;
    WhenModal<TCriticalError>([&](TCriticalError* report) {
        shown = labelTexts(report);
        hasLabels = report->lblException->palette().color(QPalette::WindowText) == QColor(0x80, 0x80, 0x80)
            && report->windowTitle() == "Pollux" && report->width() >= 437 && report->height() >= 227
            && report->cmdOK->text() == "O&K" && report->cmdClipboard->text() == "&Copy to clipboard";
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            info = box->text();
            box->accept();
        });
        report->cmdClipboard->click();
        clipboard = QGuiApplication::clipboard()->text();
        QVERIFY(report->isVisible()); // the report stays open after the copy
        report->cmdOK->click();
    });
    Guarded(&mainWindow, [] { throw EConvertError("'abc' is not a valid integer value"); });

    QVERIFY(cleared);
    QVERIFY(hasLabels);
    QCOMPARE(shown.size(), 5);
    QCOMPARE(shown[0], QStringLiteral("Pollux Professional 2.0.0.327"));
    QVERIFY2(shown[1].startsWith("File Date: ") && shown[1].size() > 15, qPrintable(shown[1]));
    QCOMPARE(shown[2], QStringLiteral("An error has occured in the following module: Main."));
    QCOMPARE(shown[3], QStringLiteral("'abc' is not a valid integer value"));
    QCOMPARE(shown[4], QStringLiteral("The following exception has occurred: [EConvertError]"));
    QCOMPARE(info, "Please send the contents of the clipboard to " + kBugReportAddress);

    QVERIFY(clipboard.endsWith("\r\n"));
    const QStringList lines = clipboard.chopped(2).split("\r\n");
    QCOMPARE(lines.size(), 9);
    QCOMPARE(lines[0], shown[2]);
    QCOMPARE(lines[1], QString());
    QCOMPARE(lines[2], shown[3]);
    QCOMPARE(lines[3], QString());
    QCOMPARE(lines[4], shown[4]);
    QCOMPARE(lines[5], QString());
    QVERIFY2(lines[6].startsWith("Date: ") && lines[6].size() > 12, qPrintable(lines[6]));
    QCOMPARE(lines[7], "Version: " + shown[0]);
    QCOMPARE(lines[8], "File Date/Time: " + shown[1]);
}

void TestShell::reportOnTopOfReport()
{
    QWidget mainWindow;
    mainWindow.setObjectName("Main");
    InstallErrorHandler(&mainWindow, {});
    QStringList order;
    WhenModal<TCriticalError>([&](TCriticalError* first) {
        order << first->lblMessage->text();
        WhenModal<TCriticalError>([&, first](TCriticalError* second) {
            order << second->lblMessage->text() << ReportModuleLine(nullptr) ;
            QVERIFY(second != first);
            QVERIFY(first->isVisible());
            second->cmdOK->click();
        });
        // a timer tick failing while the first report is open
        Guarded(nullptr, [] { throw EmsTimedOutError("Operation timed out"); });
        order << "second closed";
        first->cmdOK->click();
    });
    Guarded(&mainWindow, [] { throw EInOutError("first"); });
    QCOMPARE(order, (QStringList{"first", "Operation timed out", ReportModuleLine(nullptr), "second closed"}));
}

void TestShell::reportDespiteBrokenDebugLog()
{
    QVERIFY(WriteSettingBool(kRootKey, QStringLiteral("Debug"), true));
    DeleteDebugLog();
    QVERIFY(QDir().mkpath(DebugLogPath())); // a folder where the log file should be
    bool reported = false;
    WhenModal<TCriticalError>([&](TCriticalError* report) {
        reported = report->lblMessage->text() == "boom";
        report->cmdOK->click();
    });
    QWidget mainWindow;
    InstallErrorHandler(&mainWindow, {});
    Guarded(nullptr, [] { throw EPollux("boom"); });
    QVERIFY(reported);
    QDir(DebugLogPath()).removeRecursively();
}

void TestShell::unattendedReportShowsNothing()
{
    QWidget mainWindow;
    InstallErrorHandler(&mainWindow, {});
    SetUnattendedErrors(true);
    const int before = UnattendedFailureCount();
    bool modalSeen = false;
    QTimer probe;
    connect(&probe, &QTimer::timeout, [&] { modalSeen = modalSeen || QApplication::activeModalWidget(); });
    probe.start(5);
    Guarded(nullptr, [] { throw EWinsockError("[10061] Connection refused"); });
    Guarded(&mainWindow, [] { throw EmsCanceledError("Operation has been canceled"); });
    QTest::qWait(30);
    QVERIFY(!modalSeen);
    QCOMPARE(UnattendedFailureCount(), before + 2);
    SetUnattendedErrors(false);
}

POLLUX_GUI_TEST_MAIN(TestShell)
#include "test_shell.moc"
