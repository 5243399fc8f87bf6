// "&Update Pollux": asks the vendor's server for the latest version and says
// whether it is newer than the running one.

#include "app/MainFrm.h"
#include "core/Addresses.h"
#include "settings/DebugLog.h"
#include "shell/VersionCheck.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QPointer>

void TMain::UpdateButtonClick()
{
    if (updateRunning_)
        return;
    WriteDebugLog(DebugNow() + QStringLiteral(" - Checking for an update"));

    QPointer<TMain> self(this);
    updateRunning_ = true;
    UpdateButton->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        QPointer<TMain> window;
        ~Restore()
        {
            QApplication::restoreOverrideCursor();
            if (window) {
                window->updateRunning_ = false;
                window->UpdateButton->setEnabled(true);
            }
        }
    } restore{self};

    const TVersionInfo latest = CheckForUpdate(Addresses::VersionFile(), UpdateTimeOut());
    if (!self || closing_)
        return;
    if (CompareVersions(latest.Version, ProgramVersion()) > 0)
        ShowMessage(QMessageBox::Information, UpdateAvailableText(latest, Addresses::DownloadPage()));
    else
        ShowMessage(QMessageBox::Critical, QStringLiteral("There are currently no updates available."));
}
