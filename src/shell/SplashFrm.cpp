#include "shell/SplashFrm.h"

#include "core/Guard.h"
#include "core/Paths.h"
#include "shell/Launch.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const QColor kNavy(0x00, 0x00, 0x80);

// An SVG picture as a label, drawn for the screen's pixel ratio so that it
// stays crisp on a high-density screen.
QLabel* Picture(const QString& file, QSize size, QWidget* parent)
{
    auto* label = new QLabel(parent);
    const qreal ratio = parent->devicePixelRatioF();
    label->setPixmap(QIcon(QStringLiteral(":/pollux/pictures/") + file).pixmap(size, ratio));
    label->setFixedSize(size);
    return label;
}
} // namespace

TSplash::TSplash(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Splash"));
    setWindowTitle(QStringLiteral("Pollux"));
    setToolTip(QStringLiteral("Show the welcome screen every time Pollux starts up"));
    setFixedSize(554, 307);
    setAutoFillBackground(true);
    QPalette navy = palette();
    navy.setColor(QPalette::Window, kNavy);
    setPalette(navy);
    // The one-pixel frame of a borderless window.
    setStyleSheet(QStringLiteral("TSplash { border: 1px solid #000040; }"));

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->setSpacing(6);
    outer->addWidget(Picture(QStringLiteral("splash-side.svg"), QSize(150, 150), this), 0, Qt::AlignVCenter);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setAutoFillBackground(true);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    white.setColor(QPalette::Text, Qt::black);
    white.setColor(QPalette::Base, Qt::white);
    panel->setPalette(white);
    outer->addWidget(panel, 1);

    auto* body = new QVBoxLayout(panel);
    body->setContentsMargins(0, 0, 10, 8);
    body->setSpacing(6);
    body->addWidget(Picture(QStringLiteral("splash-banner.svg"), QSize(386, 34), panel));
    auto* text = new QVBoxLayout;
    text->setContentsMargins(12, 0, 0, 0);
    text->setSpacing(8);
    body->addLayout(text, 1);
    text->addWidget(Picture(QStringLiteral("splash-title.svg"), QSize(260, 46), panel));

    lblversion = new QLabel(panel);
    lblversion->setObjectName(QStringLiteral("lblversion"));
    lblversion->setStyleSheet(QStringLiteral("color: blue;"));
    text->addWidget(lblversion);

    auto* thanks = new QLabel(panel);
    thanks->setObjectName(QStringLiteral("lblThanks"));
    thanks->setTextFormat(Qt::RichText);
    thanks->setWordWrap(true);
    // The platform named is the one this build runs on.
    thanks->setText(QStringLiteral("Thanks for choosing <b>Pollux</b>, one of the leading finger clients for Linux."));
    text->addWidget(thanks);

    lblTutorial = new QLabel(panel);
    lblTutorial->setObjectName(QStringLiteral("lblTutorial"));
    lblTutorial->setTextFormat(Qt::RichText);
    lblTutorial->setWordWrap(true);
    lblTutorial->setText(QStringLiteral(
        "If you're new to the finger protocol, we recommend that you take our "
        "<a href=\"tutorial\" style=\"color: blue; text-decoration: underline;\">online tutorial</a>"
        ", otherwise click the continue button to start Pollux."));
    lblTutorial->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    lblTutorial->setToolTip(QStringLiteral("Click here to launch the online finger tutorial"));
    connect(lblTutorial, &QLabel::linkActivated, this, [this] { Guarded(this, [&] { TutorialLinkClick(); }); });
    text->addWidget(lblTutorial);
    text->addStretch(1);

    auto* foot = new QHBoxLayout;
    foot->setContentsMargins(12, 0, 0, 0);
    DisplaySplash = new QCheckBox(QStringLiteral("&Always show welcome screen at startup"), panel);
    DisplaySplash->setObjectName(QStringLiteral("DisplaySplash"));
    DisplaySplash->setChecked(true);
    DisplaySplash->setToolTip(QStringLiteral("Uncheck this option if you dont want to see this screen before using Pollux."));
    foot->addWidget(DisplaySplash, 0, Qt::AlignBottom);
    foot->addStretch(1);
    lblContinue = new QPushButton(QStringLiteral("&Continue..."), panel);
    lblContinue->setObjectName(QStringLiteral("lblContinue"));
    lblContinue->setFlat(true);
    lblContinue->setCursor(Qt::PointingHandCursor);
    lblContinue->setToolTip(QStringLiteral("Click here to start using Pollux"));
    lblContinue->setStyleSheet(QStringLiteral(
        "QPushButton { color: blue; font-weight: bold; border: none; background: transparent; padding: 2px 4px; }"
        "QPushButton:focus { border: 1px dotted blue; }"
        "QPushButton:hover { text-decoration: underline; }"));
    lblContinue->setDefault(true);
    lblContinue->setAutoDefault(true);
    connect(lblContinue, &QPushButton::clicked, this, &QDialog::accept);
    foot->addWidget(lblContinue, 0, Qt::AlignBottom);
    body->addLayout(foot);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    lblContinue->setFocus();
}

void TSplash::TutorialLinkClick()
{
    // The screen stays open behind the browser.
    OpenWithDesktop(QUrl::fromLocalFile(DataDir() + QStringLiteral("/help/tutorial/tutindex.htm")));
}
