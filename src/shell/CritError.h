#pragma once
// The critical error report: the one window every unexpected failure is
// shown in.

#include "core/Errors.h"

#include <QObject>
#include <functional>

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
int UnattendedFailureCount();
