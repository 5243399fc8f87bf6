#pragma once
// The text form of the settings store that `pxreg export` writes and
// `pxreg import` reads:
//
//   Pollux Settings Version 1
//
//   [\Software\Marlwick\Pollux\2.0]
//   "Debug"=dword:00000001
//
//   [\Software\Marlwick\Pollux\2.0\Configuration\Servers]
//   "user@host"="My server"
//   @="the key's unnamed value"
//
// Names and strings are quoted, with \\ \" \n \r \t \xHH and \uHHHH escapes,
// so every name survives the round trip. A key path holding a control
// character is written quoted as well: ["\\Software\\odd\nname"]. Lines
// beginning with ";" are comments.

#include "settings/RegUtils.h"

#include <QList>
#include <QString>

struct SettingsSection {
    QString path;
    QList<SettingEntry> entries;
};

extern const char kSettingsTextHeader[];

QString QuoteSettingsText(const QString& text);
QString FormatSection(const SettingsSection& section);

// Parses a whole text; on failure returns false with "line N: what" in error.
bool ParseSettingsText(const QString& text, QList<SettingsSection>& sections, QString& error);
