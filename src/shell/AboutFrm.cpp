#include "shell/AboutFrm.h"

#include "core/Addresses.h"
#include "core/Guard.h"
#include "core/Version.h"
#include "shell/Launch.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
QString Link(const QString& href, const QString& text)
{
    return QStringLiteral("<a href=\"") + href.toHtmlEscaped() + QStringLiteral("\">") + text.toHtmlEscaped()
           + QStringLiteral("</a>");
}
} // namespace

TAboutBox::TAboutBox(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Pollux"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* top = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    top->addLayout(row);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    const QIcon programIcon = QIcon::fromTheme(QStringLiteral("pollux"), QIcon(QStringLiteral(":/pollux/icons/pollux.svg")));
    icon->setPixmap(programIcon.pixmap(QSize(64, 64), devicePixelRatioF()));
    icon->setFixedSize(64, 64);
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(12);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    row->addLayout(grid, 1);
    QFont bold = font();
    bold.setBold(true);
    lblProduct = new QLabel(QStringLiteral("Pollux Professional"), this);
    lblProduct->setObjectName(QStringLiteral("lblProduct"));
    lblProduct->setFont(bold);
    lblVersion = new QLabel(GetFileVersionString(ProgramFilePath()), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setFont(bold);
    lblVersion->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(lblProduct, 0, 0, 1, 2);
    grid->addWidget(lblVersion, 1, 0, 1, 2);
    grid->setRowMinimumHeight(2, 10);

    lblEmail = new QLabel(Link(QStringLiteral("mailto:") + Addresses::SupportEmail(), Addresses::SupportEmail()), this);
    lblEmail->setObjectName(QStringLiteral("lblEmail"));
    const QString home = Addresses::HomePage().toString();
    lblWeb = new QLabel(Link(home, home), this);
    lblWeb->setObjectName(QStringLiteral("lblWeb"));
    for (QLabel* link : {lblEmail, lblWeb}) {
        link->setTextFormat(Qt::RichText);
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        connect(link, &QLabel::linkActivated, this,
                [this](const QString& url) { Guarded(this, [&] { OpenWithDesktop(QUrl(url)); }); });
    }
    grid->addWidget(new QLabel(QStringLiteral("Email:"), this), 3, 0);
    grid->addWidget(lblEmail, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("WWW:"), this), 4, 0);
    grid->addWidget(lblWeb, 4, 1);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QDialogButtonBox(this);
    OKButton = buttons->addButton(QStringLiteral("O&K"), QDialogButtonBox::AcceptRole);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    top->addSpacing(8);
    top->addWidget(buttons);

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}
