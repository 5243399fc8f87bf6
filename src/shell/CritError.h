#pragma once

#include "core/Addresses.h"
// The critical error report: the one window every unexpected failure is
// shown in.

#include "core/Errors.h"

#include <QDateTime>
#include <QDialog>
#include <QObject>
#include <functional>

class QLabel;
class QPushButton;
class QWidget;

// Installs ErrorHandler as the application's failure handler (SetErrorHandler).
// `mainWindow` gives the version line (its caption at the moment of the
// failure) and owns the report; `clearActivityPanel` empties status panel 0.
void InstallErrorHandler(QWidget* mainWindow, std::function<void()> clearActivityPanel);

// Shows the report for a failure that arose in the handling of `sender`
// (a window gives the module line with its form name, i.e. objectName()).
// In unattended mode (SetUnattendedErrors(true)) nothing is shown: the
// message goes to standard error and the failure is counted.
void ErrorHandler(QObject* sender, const EPollux& failure);

void SetUnattendedErrors(bool on);
bool UnattendedErrors();
int UnattendedFailureCount();

// Where users are asked to send a copied report.
inline const QString kBugReportAddress = Addresses::BugReportEmail();

// A date and time the way the report writes them: the user's short date, a
// blank and the long time without its zone; the time is left out at exactly
// midnight.
QString ReportDateTimeText(const QDateTime& moment);

// The module line for a failure that arose in the handling of `sender`.
QString ReportModuleLine(QObject* sender);

class TCriticalError : public QDialog {
    Q_OBJECT
public:
    TCriticalError(QWidget* owner, const QString& versionLine, const QString& fileDateLine,
                   const QString& moduleLine, const QString& message, const QString& typeName);

    // The nine lines "&Copy to clipboard" puts on the clipboard, each ended
    // by CR LF, dated `now`.
    QString ReportText(const QDateTime& now) const;

    QLabel* lblVersion;
    QLabel* lblFileDate;
    QLabel* lblModule;
    QLabel* lblMessage;
    QLabel* lblException;
    QPushButton* cmdOK;
    QPushButton* cmdClipboard;

public slots:
    void cmdClipboardClick();

private:
    QString moduleLine_;
    QString message_;
    QString exceptionLine_;
    QString versionLine_;
    QString fileDateLine_;
};
