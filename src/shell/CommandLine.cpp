#include "shell/CommandLine.h"

#include "core/Version.h"
#include "finger/FingerUrl.h"
#include "settings/ColourText.h"
#include "settings/DebugLog.h"
#include "shell/CommandLineHelpFrm.h"
#include "shell/CritError.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QThread>

#include <climits>
#include <cstdio>
#include <optional>

namespace {
std::optional<QStringList>& storedParameters()
{
    static std::optional<QStringList> parameters;
    return parameters;
}

// Only a to z change: the switches are plain ASCII, and a file name given
// with "/s:" keeps its own letters anyway.
std::optional<QStringList>& givenParameters()
{
    static std::optional<QStringList> parameters;
    return parameters;
}

QString upperAscii(const QString& text)
{
    QString up = text;
    for (QChar& c : up) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return up;
}

QStringList untilEmpty(const QStringList& arguments)
{
    QStringList parameters;
    for (const QString& a : arguments) {
        if (a.isEmpty())
            break;
        parameters << a;
    }
    return parameters;
}

QtMessageHandler& previousMessageHandler()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}

void unattendedMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtCriticalMsg && type != QtFatalMsg)
        return;
    if (previousMessageHandler())
        previousMessageHandler()(type, context, message);
    else
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

[[noreturn]] void throwNotInteger(const QString& text)
{
    throw EConvertError(QLatin1Char('\'') + text + QStringLiteral("' is not a valid integer value"));
}

// Seconds of "/t" to milliseconds; a value the timer cannot hold is as
// unusable as one that is not a number.
int timerIntervalFrom(const QString& text)
{
    const qint32 seconds = StrToInt(text);
    if (seconds < 0 || seconds > INT_MAX / 1000)
        throwNotInteger(text);
    return seconds * 1000;
}

void writeOut(const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QString wrapped(const QString& text, int width, int indent)
{
    QString out;
    int column = indent;
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        if (i > 0) {
            if (column + 1 + word.size() > width) {
                out += QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
                column = indent;
            } else {
                out += QLatin1Char(' ');
                ++column;
            }
        }
        out += word;
        column += int(word.size());
    }
    return out;
}
} // namespace

CommandLineState& CmdLine()
{
    static CommandLineState state;
    return state;
}

bool HasDisplay()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM").trimmed();
    if (platform.startsWith("offscreen") || platform.startsWith("minimal"))
        return false;
    if (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland"))
        return true; // linuxfb, eglfs, vnc...: a screen of their own
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

int PrepareCommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QStringList parameters = untilEmpty(arguments);
    storedParameters() = parameters;

    for (const QString& p : parameters) {
        if (p == QLatin1String("--version")) {
            writeOut(QStringLiteral("Pollux ") + CompiledVersion() + QLatin1Char('\n'));
            return 0;
        }
        if (p == QLatin1String("--help")) {
            writeOut(CommandLineHelpText());
            if (HasDisplay()) {
                int appArgc = 1;
                char* appArgv[] = {argv[0], nullptr};
                QApplication app(appArgc, appArgv);
                QApplication::setApplicationName(QStringLiteral("Pollux"));
                QApplication::setApplicationDisplayName(QStringLiteral("Pollux"));
                TCLHelp help(nullptr);
                help.exec();
            }
            return 0;
        }
    }

    for (const QString& p : parameters) {
        if (upperAscii(p) == QLatin1String("/Q")) {
            CmdLine().Quit = true;
            SetUnattendedErrors(true);
            // From cron, standard error is mailed to the user: it carries the
            // failures of the queries, not the toolkit's notes about the
            // environment (a missing runtime folder and the like).
            previousMessageHandler() = qInstallMessageHandler(unattendedMessages);
            if (!HasDisplay())
                qputenv("QT_QPA_PLATFORM", "offscreen");
            break;
        }
    }
    return -1;
}

QStringList CommandLineParameters()
{
    if (givenParameters())
        return *givenParameters();
    // The application object has taken out the toolkit's own options
    // (-style, -platform, ...), which are no switches of ours.
    if (QCoreApplication::instance())
        return untilEmpty(QCoreApplication::arguments().mid(1));
    return storedParameters().value_or(QStringList());
}

void SetCommandLineParameters(const QStringList& parameters)
{
    givenParameters() = untilEmpty(parameters);
}

void DecideCommandLine(const QStringList& parameters, CommandLineDecision& out,
                       const std::function<void()>& onHelp)
{
    out = CommandLineDecision{};
    LogDebug(QStringLiteral(" - Checking Command line parameters..."));
    int number = 0;
    for (const QString& p : parameters) {
        ++number;
        LogDebug(QStringLiteral(" - Checking command parameter[") + QString::number(number)
                 + QStringLiteral("]->") + p);
        const QString up = upperAscii(p);
        // Whatever matched, the value is the parameter less its first three
        // characters: "/s:" and "/f:" and "/t:" are all three long.
        if (IsFingerUrl(p)) {
            // A link is a query, never a switch, whatever letters it holds.
            // Given first, it fills the query box as "/f:" would.
            if (number == 1) {
                out.BoxTextSet = true;
                out.BoxText = p;
            }
        } else if (p == QLatin1String("/?")) {
            out.HelpRequested = true;
            out.State.Help = true;
            if (onHelp)
                onHelp();
        } else if (up == QLatin1String("/P")) {
            out.State.CmdLinePrint = true;
        } else if (up == QLatin1String("/CLS")) {
            out.State.CmdLineClear = true;
        } else if (up == QLatin1String("/Q")) {
            out.State.Quit = true;
        } else if (up.startsWith(QLatin1String("/F:")) && up.contains(QLatin1String("FINGER://"))) {
            // A finger link carries slashes ("finger://savannah/sam"), which
            // the tests below would take for "/s" or "/t" switches.
            out.BoxTextSet = true;
            out.BoxText = p.mid(3);
        } else if (up.contains(QLatin1String("/S"))) {
            out.State.CmdLineSave = true;
            out.State.CmdLineSaveFile = p.mid(3);
        } else if (up.contains(QLatin1String("/F:"))) {
            out.BoxTextSet = true;
            out.BoxText = p.mid(3);
        } else if (up.contains(QLatin1String("/T"))) {
            const int interval = timerIntervalFrom(p.mid(3));
            out.TimerSet = true;
            out.TimerInterval = interval;
        }
    }
}

CommandLineDecision DecideCommandLine(const QStringList& parameters)
{
    CommandLineDecision decision;
    DecideCommandLine(parameters, decision);
    return decision;
}

QList<CommandLineHelpRow> CommandLineHelpRows()
{
    return {
        {QStringLiteral("/f:user@finger.example"),
         QStringLiteral("Fingers the specified address, if you need to finger multiple addresses, "
                        "separate with commas. e.g /f:user@finger.example,@host.example")},
        {QStringLiteral("/s:output.txt"),
         QStringLiteral("Saves the current results to the specified ASCII text file")},
        {QStringLiteral("/p"), QStringLiteral("Prints out the current results to the default printer")},
        {QStringLiteral("/?"), QStringLiteral("Displays this help screen for basic command line parameters")},
        {QStringLiteral("/q"),
         QStringLiteral("Execute the specified query (using /f: command) and exits.  This is normally "
                        "used when saving the results at the same time.")},
        {QStringLiteral("/cls"), QStringLiteral("Clears the results pane, to be used when using the /t:nnn option")},
        {QStringLiteral("/t:nnn"),
         QStringLiteral("Execute the specified address every nnn seconds, this command needs to be "
                        "used with the /f: command")},
    };
}

QString CommandLineHelpText()
{
    constexpr int kOptionWidth = 24;
    constexpr int kWidth = 79;
    QList<CommandLineHelpRow> rows = CommandLineHelpRows();
    rows << CommandLineHelpRow{QStringLiteral("--help"),
                               QStringLiteral("Shows this help and exits")}
         << CommandLineHelpRow{QStringLiteral("--version"),
                               QStringLiteral("Shows the version number and exits")};
    QString text = QStringLiteral("Usage: pollux [options]\n\n");
    for (const CommandLineHelpRow& row : rows) {
        QString line = QStringLiteral("  ") + row.Option;
        if (line.size() + 2 > kOptionWidth)
            line += QLatin1Char('\n') + QString(kOptionWidth, QLatin1Char(' '));
        else
            line = line.leftJustified(kOptionWidth);
        text += line + wrapped(row.Description, kWidth, kOptionWidth) + QLatin1Char('\n');
    }
    text += QStringLiteral("\nWith /q the exit status is 0 when every query succeeded and 1 otherwise;\n"
                           "failures are also written to standard error.\n");
    return text;
}

void RequestProgramEnd()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        return;
    auto* dispatcher = QAbstractEventDispatcher::instance(app->thread());
    if (!dispatcher)
        return;
    // The end takes effect in the program's own event loop, once nothing
    // modal (an error report, another dialog) still waits for the user:
    // ending a nested loop would only close that window.
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, app, [connection] {
        if (QThread::currentThread()->loopLevel() != 1 || QApplication::activeModalWidget())
            return;
        QObject::disconnect(*connection);
        QCoreApplication::exit(0);
    });
}
