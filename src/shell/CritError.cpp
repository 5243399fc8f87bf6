#include "shell/CritError.h"

#include "core/Guard.h"
#include "core/Version.h"
#include "settings/DebugLog.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

namespace {
struct HandlerState {
    QPointer<QWidget> mainWindow;
    std::function<void()> clearActivityPanel;
    bool unattended = false;
    int unattendedFailures = 0;
};

HandlerState& state()
{
    static HandlerState s;
    return s;
}

// The long time format less its time-zone part ("t", "tt", ...), which the
// report never shows; quoted literal text is kept as it is.
QString withoutZone(const QString& format)
{
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            out += c;
        } else if (!quoted && c == QLatin1Char('t')) {
            while (i + 1 < format.size() && format[i + 1] == QLatin1Char('t'))
                ++i;
        } else {
            out += c;
        }
    }
    out = out.trimmed();
    while (out.contains(QLatin1String("  ")))
        out.replace(QLatin1String("  "), QLatin1String(" "));
    return out;
}

QString formName(const QWidget* window)
{
    if (!window->objectName().isEmpty())
        return window->objectName();
    // A window without a name: its class less the form prefix.
    QString name = QString::fromLatin1(window->metaObject()->className());
    if (name.size() > 1 && name.startsWith(QLatin1Char('T')) && name[1].isUpper())
        name.remove(0, 1);
    return name;
}

void writeToStderr(const QString& text)
{
    const QByteArray bytes = (text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

QLabel* plainLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    // Messages carry text from the network and from files: never markup.
    label->setTextFormat(Qt::PlainText);
    return label;
}
} // namespace

void InstallErrorHandler(QWidget* mainWindow, std::function<void()> clearActivityPanel)
{
    state().mainWindow = mainWindow;
    state().clearActivityPanel = std::move(clearActivityPanel);
    SetErrorHandler([](QObject* sender, const EPollux& failure) { ErrorHandler(sender, failure); });
    SetFallbackHandler([](QObject* sender, const EPollux& failure) {
        if (state().unattended || !qobject_cast<QApplication*>(QCoreApplication::instance())) {
            // Worth knowing, but the queries of the run did not fail by it.
            writeToStderr(failure.Message());
            return;
        }
        // After the operation that met it, which goes on with a default: a
        // report in its middle would let the user pull its tab away.
        QPointer<QObject> from(sender);
        const bool hadSender = sender != nullptr;
        const EPollux copy(failure.Message(), failure.TypeName());
        QTimer::singleShot(0, qApp, [from, hadSender, copy] {
            if (hadSender && !from)
                return; // its window has gone
            ReportError(from.data(), copy);
        });
    });
}

void SetUnattendedErrors(bool on)
{
    state().unattended = on;
}

bool UnattendedErrors()
{
    return state().unattended;
}

int UnattendedFailureCount()
{
    return state().unattendedFailures;
}

QString ReportDateTimeText(const QDateTime& moment)
{
    const QLocale locale; // the user's locale unless the program chose another
    const QString date = locale.toString(moment.date(), QLocale::ShortFormat);
    if (moment.time() == QTime(0, 0))
        return date;
    return date + QLatin1Char(' ')
        + locale.toString(moment.time(), withoutZone(locale.timeFormat(QLocale::LongFormat)));
}

QString ReportModuleLine(QObject* sender)
{
    if (auto* widget = qobject_cast<QWidget*>(sender))
        return QStringLiteral("An error has occured in the following module: ") + formName(widget->window())
            + QLatin1Char('.');
    return QStringLiteral("An error has occured in an unknown module.");
}

void ErrorHandler(QObject* sender, const EPollux& failure)
{
    HandlerState& s = state();
    // Neither a debug log that cannot be written nor a status bar on its way
    // out may keep the report from the user.
    try {
        LogDebug(QStringLiteral(" - Running ErrorHandler"));
    } catch (...) {
    }
    try {
        if (s.clearActivityPanel && s.mainWindow)
            s.clearActivityPanel();
    } catch (...) {
    }

    if (s.unattended) {
        ++s.unattendedFailures;
        writeToStderr(failure.Message());
        return;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        writeToStderr(failure.Message() + QStringLiteral(" [") + failure.TypeName() + QLatin1Char(']'));
        return;
    }

    QWidget* owner = s.mainWindow;
    const QString versionLine = owner ? owner->windowTitle() : QApplication::applicationDisplayName();
    QDateTime fileTime = QFileInfo(ProgramFilePath()).lastModified();
    fileTime.setTime(QTime(fileTime.time().hour(), fileTime.time().minute(), fileTime.time().second()));
    const QString fileDateLine = QStringLiteral("File Date: ") + ReportDateTimeText(fileTime);

    QPointer<TCriticalError> report = new TCriticalError(owner, versionLine, fileDateLine,
                                                         ReportModuleLine(sender), failure.Message(),
                                                         failure.TypeName());
    report->exec();
    // The owner may have gone while the report was open, taking it along.
    delete report.data();
}

TCriticalError::TCriticalError(QWidget* owner, const QString& versionLine, const QString& fileDateLine,
                               const QString& moduleLine, const QString& message, const QString& typeName)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                         | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      moduleLine_(moduleLine),
      message_(message),
      exceptionLine_(QStringLiteral("The following exception has occurred: [") + typeName + QLatin1Char(']')),
      versionLine_(versionLine),
      fileDateLine_(fileDateLine)
{
    setObjectName(QStringLiteral("CriticalError"));
    setWindowTitle(QStringLiteral("Pollux"));

    lblVersion = plainLabel(this);
    lblVersion->setText(versionLine_);
    lblFileDate = plainLabel(this);
    lblFileDate->setText(fileDateLine_);
    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    lblModule = plainLabel(this);
    lblModule->setText(moduleLine_);
    lblModule->setWordWrap(true);

    const int twoLines = 2 * fontMetrics().lineSpacing();
    lblMessage = plainLabel(this);
    lblMessage->setText(message_);
    lblMessage->setWordWrap(true);
    lblMessage->setMinimumHeight(twoLines);
    lblMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);

    lblException = plainLabel(this);
    lblException->setText(exceptionLine_);
    lblException->setWordWrap(true);
    lblException->setMinimumHeight(twoLines);
    lblException->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette grey = lblException->palette();
    grey.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    lblException->setPalette(grey);

    cmdOK = new QPushButton(QStringLiteral("O&K"), this);
    cmdOK->setDefault(true);
    cmdClipboard = new QPushButton(QStringLiteral("&Copy to clipboard"), this);
    cmdClipboard->setAutoDefault(false);
    connect(cmdOK, &QPushButton::clicked, this, [this] { Guarded(this, [&] { accept(); }); });
    connect(cmdClipboard, &QPushButton::clicked, this, &TCriticalError::cmdClipboardClick);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addStretch(1);
    buttons->addWidget(cmdClipboard);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblVersion);
    layout->addWidget(lblFileDate);
    layout->addWidget(rule);
    layout->addWidget(lblModule);
    layout->addWidget(lblMessage);
    layout->addWidget(lblException);
    layout->addStretch(1);
    layout->addLayout(buttons);

    // The designed 437 x 227, wider or taller only where the user's font or
    // a long message needs it; never resizable. The wrapped lines get the
    // height their text takes at that width, at least two lines.
    const int width = qBound(437, minimumSizeHint().width(), 720);
    const QMargins margins = layout->contentsMargins();
    const int textWidth = width - margins.left() - margins.right();
    for (QLabel* wrappedLabel : {lblModule, lblMessage, lblException}) {
        const int least = wrappedLabel == lblModule ? 0 : twoLines;
        wrappedLabel->setFixedHeight(qMax(least, wrappedLabel->heightForWidth(textWidth)));
    }
    setFixedSize(width, qMax(227, sizeHint().height()));
    if (QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    cmdOK->setFocus();
}

QString TCriticalError::ReportText(const QDateTime& now) const
{
    const QString crlf = QStringLiteral("\r\n");
    return moduleLine_ + crlf + crlf + message_ + crlf + crlf + exceptionLine_ + crlf + crlf
        + QStringLiteral("Date: ") + ReportDateTimeText(now) + crlf + QStringLiteral("Version: ") + versionLine_
        + crlf + QStringLiteral("File Date/Time: ") + fileDateLine_ + crlf;
}

void TCriticalError::cmdClipboardClick()
{
    Guarded(this, [&] {
        QGuiApplication::clipboard()->setText(ReportText(QDateTime::currentDateTime()));
        QMessageBox::information(this, QStringLiteral("Information"),
                                 QStringLiteral("Please send the contents of the clipboard to ")
                                     + kBugReportAddress);
    });
}
