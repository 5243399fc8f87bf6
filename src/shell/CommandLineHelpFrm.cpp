#include "shell/CommandLineHelpFrm.h"

#include "core/Guard.h"
#include "settings/DebugLog.h"
#include "shell/CommandLine.h"
#include "shell/CritError.h"

#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <cstdio>

namespace {
QLabel* cell(const QString& text, QWidget* parent, bool wrap)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}
// The description with a word joiner after every slash, so that a switch
// ("/f:...", "/t:nnn") is never broken at its slash when the line wraps.
QLabel* descriptionCell(const QString& text, QWidget* parent)
{
    QString shown = text;
    shown.replace(QLatin1Char('/'), QStringLiteral("/\u2060"));
    auto* label = cell(shown, parent, true);
    label->setAccessibleDescription(text);
    return label;
}
} // namespace

TCLHelp::TCLHelp(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                         | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("CLHelp"));
    setWindowTitle(QStringLiteral("Command Line Help"));

    constexpr int kOptionColumn = 150;
    constexpr int kDescriptionColumn = 330;

    auto* header = new QFrame(this);
    header->setObjectName(QStringLiteral("HeaderStrip"));
    header->setAutoFillBackground(true);
    QPalette strip = header->palette();
    strip.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    strip.setColor(QPalette::WindowText, Qt::white);
    header->setPalette(strip);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(8, 4, 8, 4);
    QFont bold = font();
    bold.setBold(true);
    auto* optionsTitle = cell(QStringLiteral("Options"), header, false);
    auto* descriptionTitle = cell(QStringLiteral("Description"), header, false);
    for (QLabel* title : {optionsTitle, descriptionTitle}) {
        title->setFont(bold);
        title->setPalette(strip);
    }
    optionsTitle->setFixedWidth(kOptionColumn);
    headerLayout->addWidget(optionsTitle);
    headerLayout->addWidget(descriptionTitle, 1);

    auto* rows = new QGridLayout;
    rows->setContentsMargins(8, 4, 8, 4);
    rows->setHorizontalSpacing(headerLayout->spacing());
    rows->setVerticalSpacing(8);
    rows->setColumnMinimumWidth(0, kOptionColumn);
    rows->setColumnMinimumWidth(1, kDescriptionColumn);
    rows->setColumnStretch(1, 1);
    int row = 0;
    for (const CommandLineHelpRow& r : CommandLineHelpRows()) {
        auto* option = cell(r.Option, this, false);
        option->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* description = descriptionCell(r.Description, this);
        rows->addWidget(option, row, 0);
        rows->addWidget(description, row, 1);
        ++row;
    }

    OKBtn = new QPushButton(QStringLiteral("O&K"), this);
    OKBtn->setDefault(true);
    OKBtn->setMinimumWidth(kOptionColumn + kDescriptionColumn);
    connect(OKBtn, &QPushButton::clicked, this, [this] { Guarded(this, [&] { accept(); }); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 10);
    layout->addWidget(header);
    layout->addLayout(rows);
    layout->addSpacing(6);
    layout->addWidget(OKBtn, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    if (QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(sizeHint().width() / 2, sizeHint().height() / 2));
    OKBtn->setFocus();
}

void ShowCommandLineHelp(QWidget* owner)
{
    LogDebug(QStringLiteral(" - Showing Command Line Help"));
    if (CmdLine().Quit || UnattendedErrors()) {
        // Nothing may wait for a user who is not there.
        const QByteArray text = CommandLineHelpText().toLocal8Bit();
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        std::fflush(stdout);
    } else {
        QPointer<TCLHelp> help = new TCLHelp(owner);
        help->exec();
        delete help.data();
    }
    RequestProgramEnd();
}
