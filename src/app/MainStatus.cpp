// The main window's status bar with its five panels (the keyboard state
// read from the X server where there is one), the tray icon, the view
// toggles and the window's keyboard watch.

#include "app/MainFrm.h"

#include "core/Guard.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include <QtGui/qguiapplication_platform.h>

#include <dlfcn.h>

namespace {

// ---- keyboard lock state, read from the X server where there is one

struct LockState {
    bool known = false;
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

LockState ReadLockState()
{
    LockState state;
#if QT_CONFIG(xcb)
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display())
        return state;
    // libX11 is loaded by the platform plugin already; looking the two calls
    // up at run time keeps Pollux free of a link to it on other platforms.
    using InternAtomFn = unsigned long (*)(Display*, const char*, int);
    using NamedIndicatorFn = int (*)(Display*, unsigned long, int*, int*, void*, int*);
    static InternAtomFn internAtom = nullptr;
    static NamedIndicatorFn namedIndicator = nullptr;
    static bool looked = false;
    if (!looked) {
        looked = true;
        if (void* lib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL)) {
            internAtom = reinterpret_cast<InternAtomFn>(dlsym(lib, "XInternAtom"));
            namedIndicator = reinterpret_cast<NamedIndicatorFn>(dlsym(lib, "XkbGetNamedIndicator"));
        }
    }
    if (!internAtom || !namedIndicator)
        return state;
    Display* display = x11->display();
    auto lit = [&](const char* name, bool& on) {
        const unsigned long atom = internAtom(display, name, 1);
        int index = 0;
        int value = 0;
        if (atom == 0 || !namedIndicator(display, atom, &index, &value, nullptr, nullptr))
            return false;
        on = value != 0;
        return true;
    };
    const bool caps = lit("Caps Lock", state.caps);
    const bool num = lit("Num Lock", state.num);
    lit("Scroll Lock", state.scroll);
    state.known = caps || num;
#endif
    return state;
}

// A status panel of a designed width that gives way when the window is
// narrower than the panels together.
class StatusPanelLabel : public QLabel {
public:
    StatusPanelLabel(QWidget* parent, int width) : QLabel(parent), width_(width)
    {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    }
    QSize sizeHint() const override
    {
        const QSize natural = QLabel::sizeHint();
        return {width_ > 0 ? width_ : natural.width(), natural.height()};
    }
    QSize minimumSizeHint() const override { return {qMin(width_ > 0 ? width_ : 40, 40), QLabel::minimumSizeHint().height()}; }

private:
    int width_;
};

QLabel* MakePanel(QWidget* parent, int width, Qt::Alignment alignment)
{
    auto* label = new StatusPanelLabel(parent, width);
    label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

void TMain::CreateStatusBar()
{
    dxStatusBar1 = new QStatusBar(ResultsPanel);
    dxStatusBar1->setObjectName(QStringLiteral("dxStatusBar1"));
    dxStatusBar1->setSizeGripEnabled(false);
    panels_[0] = MakePanel(dxStatusBar1, 300, Qt::AlignLeft);
    panels_[1] = MakePanel(dxStatusBar1, 0, Qt::AlignHCenter);
    panels_[2] = MakePanel(dxStatusBar1, 150, Qt::AlignHCenter);

    auto* keys = new QFrame(dxStatusBar1);
    keys->setObjectName(QStringLiteral("KeyboardStatePanel"));
    keys->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* keysLayout = new QHBoxLayout(keys);
    keysLayout->setContentsMargins(4, 0, 4, 0);
    keysLayout->setSpacing(8);
    auto makeKey = [&](const QString& text) {
        auto* label = new QLabel(text, keys);
        label->setTextFormat(Qt::PlainText);
        keysLayout->addWidget(label);
        return label;
    };
    capsLabel_ = makeKey(QStringLiteral("CAPS"));
    numLabel_ = makeKey(QStringLiteral("NUM"));
    scrollLabel_ = makeKey(QStringLiteral("SCRL"));
    insLabel_ = makeKey(QStringLiteral("INS"));
    panels_[3] = nullptr;
    panels_[4] = MakePanel(dxStatusBar1, 100, Qt::AlignLeft);

    dxStatusBar1->addWidget(panels_[0], 0);
    dxStatusBar1->addWidget(panels_[1], 1);
    dxStatusBar1->addWidget(panels_[2], 0);
    dxStatusBar1->addWidget(keys, 0);
    dxStatusBar1->addWidget(panels_[4], 0);
    static_cast<QVBoxLayout*>(ResultsPanel->layout())->addWidget(dxStatusBar1, 0);
    UpdateKeyboardState();
}

QLabel* TMain::StatusPanel(int index) const
{
    return index >= 0 && index < 5 ? panels_[index] : nullptr;
}

void TMain::UpdateKeyboardState()
{
    if (!capsLabel_)
        return;
    const LockState state = ReadLockState();
    const QColor on = palette().color(QPalette::WindowText);
    const QColor off = palette().color(QPalette::Disabled, QPalette::WindowText);
    auto show = [&](QLabel* label, bool lit) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, lit ? on : off);
        label->setPalette(p);
    };
    show(capsLabel_, state.known && state.caps);
    show(numLabel_, state.known && state.num);
    show(scrollLabel_, state.known && state.scroll);
    insLabel_->setText(overwriteMode_ ? QStringLiteral("OVR") : QStringLiteral("INS"));
    show(insLabel_, true);
}

bool TMain::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock) {
            Guarded(this, [&] { UpdateKeyboardState(); });
        } else if (key == Qt::Key_Insert && event->type() == QEvent::KeyPress
                   && !static_cast<QKeyEvent*>(event)->isAutoRepeat()
                   && static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
            overwriteMode_ = !overwriteMode_;
            Guarded(this, [&] { UpdateKeyboardState(); });
        }
        break;
    }
    case QEvent::ApplicationActivate:
        Guarded(this, [&] { UpdateKeyboardState(); });
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMain::CreateTrayIcon()
{
    QMenu* trayMenu = new QMenu(this);
    trayMenu->setObjectName(QStringLiteral("TrayMenu"));
    trayMenu->addAction(RestoreButton);
    trayMenu->addAction(MinimiseButton);
    trayMenu->addSeparator();
    trayMenu->addAction(AboutButton);
    trayMenu->addSeparator();
    trayMenu->addAction(ExitButton);

    TrayIcon = new QSystemTrayIcon(windowIcon(), this);
    TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    TrayIcon->setToolTip(QStringLiteral("Pollux"));
    TrayIcon->setContextMenu(trayMenu);
    connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (trayIconActive_ && (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick))
            Guarded(nullptr, [&] { RestoreClick(); });
    });
    if (QSystemTrayIcon::isSystemTrayAvailable())
        TrayIcon->show();
}

void TMain::RestoreClick()
{
    if (isMinimized() || isHidden()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
    }
    raise();
    activateWindow();
}

void TMain::MinimiseClick()
{
    showMinimized();
}

void TMain::StatusBarClick()
{
    dxStatusBar1->setVisible(dxStatusBar1->isHidden());
    StatusBarButton->setChecked(!dxStatusBar1->isHidden());
}

void TMain::ViewPanelClick()
{
    SidePanel->setVisible(SidePanel->isHidden());
    ViewPanelButton->setChecked(!SidePanel->isHidden());
}

void TMain::SetTrayIconActive(bool active)
{
    trayIconActive_ = active;
}
