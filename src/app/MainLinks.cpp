// The main window's side of finger links opened from outside: the desktop
// starts Pollux with a link, or a second Pollux hands one over.

#include "app/MainFrm.h"

#include "core/Guard.h"
#include "settings/DebugLog.h"

#include <QComboBox>
#include <QPointer>

void TMain::OpenLink(const QString& expression)
{
    Guarded(this, [&] {
        LogDebug(QStringLiteral(" - Opening link->") + expression);
        if (isMinimized() || !isVisible())
            showNormal();
        raise();
        activateWindow();
        // As if typed: the box shows it, and the history keeps it.
        if (!QueryInProgress())
            QueryComboBox->setEditText(expression);
        QPointer<TMain> self(this);
        RunQueryJob(this, [self, expression] {
            if (self)
                self->ExecuteFingerQuery(expression, false, false, false, QString());
        });
    });
}
