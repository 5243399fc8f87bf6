#include "options/SevrerFrm.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TServer::TServer(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Server"));
    setWindowTitle(QStringLiteral("Configure Servers"));

    auto* intro = new QLabel(
        QStringLiteral("Configure Servers allows you to add your favorite servers or queries to  your favorites list.  "
                       "These will be listed under the File->Servers menu."),
        this);
    intro->setWordWrap(true);

    auto* frame = new QGroupBox(this);
    auto* nameLabel = new QLabel(QStringLiteral("&Server / Query:"), frame);
    ServerName = new QLineEdit(frame);
    ServerName->setObjectName(QStringLiteral("ServerName"));
    ServerName->setPlaceholderText(QStringLiteral("@host or user@host"));
    nameLabel->setBuddy(ServerName);
    auto* descriptionLabel = new QLabel(QStringLiteral("&Descritpion:"), frame);
    ServerDescription = new QLineEdit(frame);
    ServerDescription->setObjectName(QStringLiteral("ServerDescription"));
    ServerDescription->setToolTip(QStringLiteral("Description of the query"));
    descriptionLabel->setBuddy(ServerDescription);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(nameLabel);
    frameLayout->addWidget(ServerName);
    frameLayout->addWidget(descriptionLabel);
    frameLayout->addWidget(ServerDescription);

    cmdOK = new QPushButton(QStringLiteral("O&K"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setToolTip(QStringLiteral("Exit and save the current favorite server"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setToolTip(QStringLiteral("Exit without saving current entry"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(cmdOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(cmdCancel, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(frame);
    layout->addStretch(1);
    layout->addWidget(buttons);

    setTabOrder(ServerName, ServerDescription);
    setTabOrder(ServerDescription, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    setFixedSize(QSize(417, 201).expandedTo(sizeHint()));
}

bool TServer::event(QEvent* event)
{
    // Whenever the dialog becomes active the server box has the focus.
    if (event->type() == QEvent::WindowActivate)
        ServerName->setFocus(Qt::ActiveWindowFocusReason);
    return QDialog::event(event);
}
