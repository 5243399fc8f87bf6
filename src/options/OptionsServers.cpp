// The Servers panel of the Options dialog: a working copy of the favourite
// servers, stored only when the dialog is confirmed.

#include "options/OptionsFrm.h"

#include "app/MainFrm.h"
#include "core/Guard.h"
#include "options/OptionsWidgets.h"
#include "options/SevrerFrm.h"
#include "settings/RegUtils.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const QString kServersKey = kConfigurationKey + QStringLiteral("\\Servers");

QIcon favouriteIcon()
{
    return ThemedIcon(QStringLiteral("network-server|network-workgroup"), QStyle::SP_DriveNetIcon);
}
} // namespace

QWidget* TOptions::BuildServers()
{
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("Servers"));
    ListView2 = MakeReportList(panel, "ListView2", {QStringLiteral("Server"), QStringLiteral("Description")},
                               {150, 220}, QStringLiteral("Lists all the favorite servers that you can select from"));
    cmdAdd = MakeButton(panel, "cmdAdd", QStringLiteral("&Add"),
                        QStringLiteral("Add a new server to be added to the favorite sevrer list"));
    cmdEdit = MakeButton(panel, "cmdEdit", QStringLiteral("&Edit"),
                         QStringLiteral("Edit an existing favforite server entry"));
    cmdDelete = MakeButton(panel, "cmdDelete", QStringLiteral("&Delete"),
                           QStringLiteral("Delete an existing favorite server entry"));
    cmdEdit->setEnabled(false);
    cmdDelete->setEnabled(false);

    connect(ListView2, &QTreeWidget::itemClicked, this, [this] { Guarded(this, [&] { ListView2Click(); }); });
    connect(ListView2, &QTreeWidget::currentItemChanged, this, [this] { Guarded(this, [&] { ListView2Click(); }); });
    connect(ListView2, &QTreeWidget::itemDoubleClicked, this, [this] { Guarded(this, [&] { cmdEditClick(); }); });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { Guarded(this, [&] { cmdAddClick(); }); });
    connect(cmdEdit, &QPushButton::clicked, this, [this] { Guarded(this, [&] { cmdEditClick(); }); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { Guarded(this, [&] { cmdDeleteClick(); }); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAdd);
    buttons->addWidget(cmdEdit);
    buttons->addWidget(cmdDelete);
    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(ListView2, 1);
    layout->addLayout(buttons);
    return panel;
}

void TOptions::AddServerEntry(const QString& server, const QString& description)
{
    auto* item = new QTreeWidgetItem(ListView2, {server, description});
    item->setIcon(0, favouriteIcon());
}

void TOptions::LoadServers()
{
    ListView2->clear();
    QStringList names;
    if (ListSettingValues(kServersKey, names)) {
        for (const QString& name : names)
            AddServerEntry(name, ReadSettingString(kServersKey, name));
    }
    ListView2->setCurrentItem(nullptr);
    cmdEdit->setEnabled(false);
    cmdDelete->setEnabled(false);
}

void TOptions::SaveServers()
{
    QList<SettingEntry> entries;
    for (int i = 0; i < ListView2->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = ListView2->topLevelItem(i);
        entries.append({item->text(0), false, item->text(1), 0});
    }
    DeleteSettingsKey(kServersKey);
    // All favourites in one step; two with the same text keep the later
    // description.
    if (!entries.isEmpty())
        WriteSettingEntries(kServersKey, entries);
    if (main_)
        main_->LoadFavQueryServers(true);
}

void TOptions::ListView2Click()
{
    if (ListView2->topLevelItemCount() == 0)
        return;
    const bool selected = !ListView2->selectedItems().isEmpty();
    cmdEdit->setEnabled(selected);
    cmdDelete->setEnabled(selected);
}

void TOptions::cmdAddClick()
{
    TServer dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    AddServerEntry(dialog.ServerName->text(), dialog.ServerDescription->text());
}

void TOptions::cmdEditClick()
{
    const QList<QTreeWidgetItem*> selected = ListView2->selectedItems();
    if (selected.isEmpty())
        return;
    QTreeWidgetItem* item = selected.first();
    TServer dialog(this);
    dialog.ServerName->setText(item->text(0));
    dialog.ServerDescription->setText(item->text(1));
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The edited favourite moves to the end of the list.
    delete item;
    AddServerEntry(dialog.ServerName->text(), dialog.ServerDescription->text());
    ListView2->setCurrentItem(ListView2->topLevelItem(ListView2->topLevelItemCount() - 1));
}

void TOptions::cmdDeleteClick()
{
    const QList<QTreeWidgetItem*> selected = ListView2->selectedItems();
    if (selected.isEmpty())
        return;
    QMessageBox ask(QMessageBox::Question, QStringLiteral("Confirm"),
                    QStringLiteral("Are you sure you want to delete the selected item?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    ask.setDefaultButton(QMessageBox::No);
    if (ask.exec() != QMessageBox::Yes)
        return;
    delete selected.first();
    if (ListView2->topLevelItemCount() == 0) {
        cmdEdit->setEnabled(false);
        cmdDelete->setEnabled(false);
    }
}
