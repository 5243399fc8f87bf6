// The main window's side of the favourites and the Options dialog: the
// drop-down menu of "&Servers", choosing a favourite, and opening Options.

#include "app/MainFrm.h"

#include "core/Guard.h"
#include "options/OptionsFrm.h"
#include "settings/RegUtils.h"

#include <QAction>
#include <QMenu>

namespace {
const QString kServersKey = kConfigurationKey + QStringLiteral("\\Servers");
const QString kClearFavourites = QStringLiteral("Clear Favorite Sevrer List");

// "&" in a menu caption marks the access key; a favourite's own "&" must
// show as it is.
QString menuCaption(const QString& text)
{
    QString caption = text;
    return caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
}
} // namespace

void TMain::LoadFavQueryServers(bool Rebuild)
{
    Q_UNUSED(Rebuild); // the menu lives as long as the window: a build is always a rebuild
    // The commands go later, not at once: the clear command empties the
    // menu from inside its own handler.
    for (QAction* action : FavouritesMenu->actions()) {
        FavouritesMenu->removeAction(action);
        action->deleteLater();
    }
    QStringList names;
    if (!ListSettingValues(kServersKey, names))
        return;
    auto add = [this](const QString& text) {
        QAction* action = FavouritesMenu->addAction(menuCaption(text));
        action->setData(text);
        connect(action, &QAction::triggered, this, [this, action] { Guarded(this, [&] { FavQueryServerClick(action); }); });
    };
    for (const QString& name : names)
        add(name);
    FavouritesMenu->addSeparator();
    add(kClearFavourites);
}

void TMain::FavQueryServerClick(QAction* Sender)
{
    const QString caption = Sender->data().toString();
    if (caption == kClearFavourites) {
        DeleteSettingsKey(kServersKey);
        LoadFavQueryServers(true);
        return;
    }
    RunQueryJob(this, [this, caption] { ExecuteFingerQuery(caption, false, false, false, QString()); });
}

void TMain::OptionsClick()
{
    TOptions dialog(this);
    dialog.exec();
}
