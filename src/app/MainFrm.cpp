// The main window's life: creation with its start-up steps, the window
// commands that belong to no other module, and the shut-down steps.

#include "app/MainFrm.h"

#include "core/Guard.h"
#include "core/Paths.h"
#include "core/Version.h"
#include "finger/Mssocket.h"
#include "results/HTMLParser.h"
#include "settings/DebugLog.h"
#include "settings/RegUtils.h"
#include "settings/SoundEvents.h"
#include "shell/CommandLine.h"
#include "shell/CritError.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

// The shipped icons live in the static library; its resources are not
// registered unless asked for.
static void InitPolluxResources()
{
    Q_INIT_RESOURCE(pollux);
}

namespace {
const QString kPositionsKey = kConfigurationKey + QStringLiteral("\\Positions");
const QString kToolbarsKey = kConfigurationKey + QStringLiteral("\\Toolbars");
const QString kSoundsKey = kConfigurationKey + QStringLiteral("\\Sounds");

QString& ProgramVersionSlot()
{
    static QString version;
    return version;
}

QIcon ProgramIcon()
{
    return QIcon::fromTheme(QStringLiteral("pollux"), QIcon(QStringLiteral(":/pollux/icons/pollux.svg")));
}
} // namespace

QString ProgramVersion()
{
    return ProgramVersionSlot();
}

TMain::TMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Main"));
    // 1. Every later failure, those of the start-up included, is reported.
    InstallErrorHandler(this, [this] { WriteActivity(QString()); });

    InitPolluxResources();
    setWindowTitle(QStringLiteral("Pollux Professional"));
    setWindowIcon(ProgramIcon());
    move(125, 135);
    resize(841, 506);

    HTMLParser1 = std::make_unique<THTMLParser>();
    msClientSocket1 = new TmsClientSocket(this);
    msClientSocket1->setObjectName(QStringLiteral("msClientSocket1"));
    msClientSocket1->SetPort(79);
    msClientSocket1->SetTimeOut(20);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(false);
    connect(Timer1, &QTimer::timeout, this, [this] {
        // An interval of 0 gives no ticks: never a timer that fires
        // continuously.
        if (Timer1->interval() <= 0) {
            Timer1->stop();
            return;
        }
        Guarded(nullptr, [&] { Timer1Timer(); });
    });

    CreateActions();
    CreateMenus();
    CreateToolBars();
    CreateCentralArea();
    CreateStatusBar();
    CreateTrayIcon();
    ConnectSocketEvents();
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::focusWindowChanged, this,
            [this](QWindow* now) { Guarded(this, [&] { FocusWindowChanged(now); }); });

    Guarded(this, [&] { RunStartUp(); });
}

TMain::~TMain()
{
    qApp->removeEventFilter(this);
    jobs_.clear();
    // The report must not outlive the window it names.
    SetErrorHandler({});
}

void TMain::RunStartUp()
{
    DeleteDebugLog();

    LogDebug(QStringLiteral(" - Deleting Registry Toolbar and Menu settings..."));
    DeleteToolbarSettings();

    const QString helpFile = DataDir() + QStringLiteral("/help/pollux.hcm");
    LogDebug(QStringLiteral(" - Assigning help path (") + helpFile + QStringLiteral(")"));
    qApp->setProperty("polluxHelpFile", helpFile);

    LogDebug(QStringLiteral(" - Counting number of command line parameters..."));
    if (!CommandLineParameters().isEmpty()) {
        CheckCommandLine();
        return;
    }

    LogDebug(QStringLiteral(" - Running LockToolBars"));
    LockToolBars();

    LogDebug(QStringLiteral(" - LoadFavQueryServers->FALSE"));
    LoadFavQueryServers(false);

    RestorePositions();

    LogDebug(QStringLiteral(" - Setting SetControlStatus->FALSE"));
    SetControlStatus(false);

    LogDebug(QStringLiteral(" - Assigning Pollux Version"));
    ProgramVersionSlot() = GetFileVersionString(ProgramFilePath());

    LogDebug(QStringLiteral(" - Running Professional Version"));
    setWindowTitle(QStringLiteral("Pollux Professional ") + ProgramVersion());

    if (SettingsValueExists(kConfigurationKey, QStringLiteral("PXRun"))) {
        LogDebug(QStringLiteral(" - Been run more than once"));
    } else {
        LogDebug(QStringLiteral(" - On first run"));
        WriteSettingBool(kConfigurationKey, QStringLiteral("PXRun"), true);
    }

    if (SettingsValueExists(kConfigurationKey, QStringLiteral("ViewPanel"))) {
        const bool on = ReadSettingBool(kConfigurationKey, QStringLiteral("ViewPanel"));
        LogDebug(on ? QStringLiteral(" - Display ViewPanel->TRUE") : QStringLiteral(" - Display ViewPanel->FALSE"));
        ViewPanelButton->setChecked(on);
        SidePanel->setVisible(on);
    }
    if (SettingsValueExists(kConfigurationKey, QStringLiteral("StatusBar"))) {
        const bool on = ReadSettingBool(kConfigurationKey, QStringLiteral("StatusBar"));
        LogDebug(on ? QStringLiteral(" - Display StatusBar->TRUE") : QStringLiteral(" - Display StatusBar->FALSE"));
        StatusBarButton->setChecked(on);
        dxStatusBar1->setVisible(on);
    }

    LogDebug(QStringLiteral(" - Load ToolBarManager components..."));
    LoadToolbarLayout();

    LogDebug(QStringLiteral(" - Loading QueryText..."));
    LoadQueryText();
}

void TMain::RestorePositions()
{
    LogDebug(QStringLiteral(" - Checking for Main window co-ordinates..."));
    if (!SettingsKeyExists(kPositionsKey))
        return;
    const int left = ReadSettingInteger(kPositionsKey, QStringLiteral("Left"));
    move(left, y());
    const int width = ReadSettingInteger(kPositionsKey, QStringLiteral("Width"));
    resize(width, height());
    const int top = ReadSettingInteger(kPositionsKey, QStringLiteral("Top"));
    move(x(), top);
    const int height = ReadSettingInteger(kPositionsKey, QStringLiteral("Height"));
    resize(this->width(), height);
    const QString state = ReadSettingString(kPositionsKey, QStringLiteral("WindowState"));

    // Bounds stored on a screen that is no longer there (or written by
    // hand) must not leave the window where nobody can reach it.
    QRect wanted(x(), y(), this->width(), this->height());
    QRect desktop;
    for (const QScreen* screen : QGuiApplication::screens())
        desktop |= screen->availableGeometry();
    if (!desktop.isEmpty()) {
        wanted.setWidth(qBound(qMin(320, desktop.width()), wanted.width(), desktop.width()));
        wanted.setHeight(qBound(qMin(200, desktop.height()), wanted.height(), desktop.height()));
        bool reachable = false;
        for (const QScreen* screen : QGuiApplication::screens()) {
            const QRect seen = screen->availableGeometry().intersected(wanted);
            if (seen.width() >= 100 && seen.height() >= 50)
                reachable = true;
        }
        if (!reachable) {
            const QRect primary = QGuiApplication::primaryScreen()->availableGeometry();
            wanted.moveTopLeft(primary.topLeft() + QPoint(qMax(0, (primary.width() - wanted.width()) / 2),
                                                         qMax(0, (primary.height() - wanted.height()) / 2)));
        }
        move(wanted.topLeft());
        resize(wanted.size());
    }

    LogDebug(QStringLiteral(" - Setting Main.Left: ") + QString::number(x()));
    LogDebug(QStringLiteral(" - Setting Main.Width: ") + QString::number(this->width()));
    LogDebug(QStringLiteral(" - Setting Main.Top: ") + QString::number(y()));
    LogDebug(QStringLiteral(" - Setting Main.Height: ") + QString::number(this->height()));
    LogDebug(QStringLiteral(" - Setting Main.WindowState: ") + state);
    if (state == QLatin1String("Minimised"))
        setWindowState(Qt::WindowMinimized);
    else if (state == QLatin1String("Maximised"))
        setWindowState(Qt::WindowMaximized);
    else
        setWindowState(Qt::WindowNoState);
}

bool TMain::LockToolBars()
{
    const bool locked = ReadSettingBool(kToolbarsKey, QStringLiteral("ToolbarLock"));
    LockToolbarsButton->setChecked(locked);
    ApplyToolbarLock(locked);
    return locked;
}

void TMain::DeleteToolbarSettings()
{
    DeleteSettingsKey(kToolbarsKey);
}

void TMain::StoreToolbarLayout()
{
    WriteSettingString(kToolbarsKey, QStringLiteral("Layout"), QString::fromLatin1(saveState().toBase64()));
}

void TMain::LoadToolbarLayout()
{
    if (!SettingsValueExists(kToolbarsKey, QStringLiteral("Layout")))
        return;
    const QByteArray state = QByteArray::fromBase64(ReadSettingString(kToolbarsKey, QStringLiteral("Layout")).toLatin1());
    restoreState(state); // a layout that does not fit is ignored by Qt
}

void TMain::ExitClick()
{
    LogDebug(QStringLiteral(" - Exiting Pollux"));
    exitRequested_ = true;
    jobs_.clear();
    if (executing_) {
        cancelRequested_ = true;
        Guarded(nullptr, [&] { msClientSocket1->Cancel(); });
    }
    // exit(), not quit(): quit() would close the window and so run the
    // shut-down steps, which leaving by Exit skips.
    QCoreApplication::exit(0);
}

void TMain::closeEvent(QCloseEvent* event)
{
    Guarded(this, [&] {
        if (closing_ || exitRequested_) {
            event->accept();
            return;
        }
        if (workDepth_ > 0) {
            // Close once the waiting query has let go of the window.
            closeRequested_ = true;
            jobs_.clear();
            event->ignore();
            if (executing_) {
                cancelRequested_ = true;
                msClientSocket1->Cancel();
            }
            return;
        }
        jobs_.clear();
        closing_ = true;
        RunShutDown();
    });
    if (closing_)
        event->accept();
}

void TMain::RunShutDown()
{
    Timer1->stop(); // no tick may start a query in a window that is closing
    StoreToolbarLayout();

    const bool maximised = isMaximized();
    const bool minimised = isMinimized();
    const QRect normal = (maximised || minimised) && normalGeometry().isValid() ? normalGeometry() : QRect(pos(), size());
    WriteSettingInteger(kPositionsKey, QStringLiteral("Left"), normal.x());
    WriteSettingInteger(kPositionsKey, QStringLiteral("Width"), normal.width());
    WriteSettingInteger(kPositionsKey, QStringLiteral("Top"), normal.y());
    WriteSettingInteger(kPositionsKey, QStringLiteral("Height"), normal.height());
    WriteSettingString(kPositionsKey, QStringLiteral("WindowState"),
                       minimised ? QStringLiteral("Minimised")
                                 : maximised ? QStringLiteral("Maximised") : QStringLiteral("Normal"));

    CloseAllClick();

    WriteSettingBool(kConfigurationKey, QStringLiteral("ViewPanel"), ViewPanelButton->isChecked());
    WriteSettingBool(kConfigurationKey, QStringLiteral("StatusBar"), StatusBarButton->isChecked());
    WriteSettingBool(kToolbarsKey, QStringLiteral("ToolbarLock"), LockToolbarsButton->isChecked());

    if (ReadSettingBool(kSoundsKey, QStringLiteral("SoundsEnabled")))
        FireSoundEvent(kSoundCloseQuery);
}

// The activation steps run when the window is first shown and whenever
// another window of the program (a dialog, a message box, the error report)
// hands the focus back; switching to Pollux from another program does not
// count.
void TMain::FocusWindowChanged(QWindow* now)
{
    if (!now)
        return; // the program lost the focus; what had it last still counts
    const Qt::WindowType type = now->type();
    if (type == Qt::Popup || type == Qt::ToolTip)
        return; // menus and drop-downs do not take the window's place
    if (now != windowHandle()) {
        otherWindowWasActive_ = true;
        return;
    }
    if (activatedOnce_ && !otherWindowWasActive_)
        return;
    activatedOnce_ = true;
    otherWindowWasActive_ = false;
    RunActivation();
}

void TMain::RunActivation()
{
    if (ReadSettingBool(kConfigurationKey, QStringLiteral("OpenLastSite"))) {
        LogDebug(QStringLiteral(" - Opening last query..."));
        const QString queryKey = kConfigurationKey + QStringLiteral("\\Query");
        if (SettingsValueExists(queryKey, QStringLiteral("LastQuery"))) {
            if (skipNextActivationQuery_) {
                // This activation is the return from the report of the last
                // one's failure: running it again would never end.
                skipNextActivationQuery_ = false;
            } else {
                const QString last = ReadSettingString(queryKey, QStringLiteral("LastQuery"));
                RunQueryJob(this, [this, last] {
                    try {
                        ExecuteFingerQuery(last, false, false, false, QString());
                    } catch (...) {
                        skipNextActivationQuery_ = true;
                        throw;
                    }
                });
            }
        }
    }
    FireSoundEvent(kSoundStartPollux);
}

void TMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && trayIconActive_ && TrayIcon
        && TrayIcon->isVisible()
        && QSystemTrayIcon::isSystemTrayAvailable()) {
        // Minimised, the program lives on in the tray only.
        QTimer::singleShot(0, this, [this] {
            if (isMinimized())
                hide();
        });
    }
}
