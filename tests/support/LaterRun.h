#pragma once
// Window tests are about the window, not the welcome screen before it: a
// store marked as a later run whose welcome screen is switched off.

#include "settings/RegUtils.h"

inline void MarkLaterRun()
{
    WriteSettingBool(kConfigurationKey, QStringLiteral("PXRun"), true);
    WriteSettingBool(kConfigurationKey, QStringLiteral("DisplaySplash"), false);
}
