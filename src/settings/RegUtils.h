#pragma once
// The settings store: a per-user hierarchical key/value store kept in one
// SQLite file (ConfigDir()/settings.db), kept open by the process in WAL mode.
// Every function does one thing in one transaction and keeps nothing from it:
// there is no cache, so two running copies see each other's writes at once.
//
// Key paths are key names joined by "\"; every path callers pass begins with
// "\" and is taken from the top of the per-user branch, e.g.
// "\Software\Marlwick\Pollux\2.0\Configuration". Key and value names compare
// without regard to letter case but keep the case they were first written
// in. Value names are free text ("\", "@", spaces, whole file paths). Values
// keep their kind (string or 32-bit integer; booleans are integers 1/0), and
// the values of a key are enumerated in the order their names were first
// written.

#include "core/Errors.h"

#include <QString>
#include <QList>
#include <QStringList>

inline const QString kRootKey = QStringLiteral("\\Software\\Marlwick\\Pollux\\2.0");
inline const QString kConfigurationKey = kRootKey + QStringLiteral("\\Configuration");

bool SettingsKeyExists(const QString& path);
bool SettingsValueExists(const QString& path, const QString& name);
// " " when the value or its key is missing; "" for a value of zero length;
// the decimal text of an integer value.
QString ReadSettingString(const QString& path, const QString& name);
// -1 when the key is missing; throws ERegistryException "Failed to get data
// for '%s'" for a missing value and "Invalid data type for '%s'" for a value
// that is not an integer.
qint32 ReadSettingInteger(const QString& path, const QString& name);
// false when the value or key is missing; non-zero integers are true.
bool ReadSettingBool(const QString& path, const QString& name);
// Deletes the key with everything below it, all in one step; true if the key
// itself went. The top of the store ("\") is never deleted.
bool DeleteSettingsKey(const QString& path);
// Create missing keys and return true. A write the store refuses (locked by
// another copy for too long, read-only, disk full) throws ERegistryException
// "Failed to set data for '%s'"; a store file that cannot be opened throws
// EStoreError. Nothing is ever dropped silently.
bool WriteSettingString(const QString& path, const QString& name, const QString& text);
bool WriteSettingInteger(const QString& path, const QString& name, qint32 value);
bool WriteSettingBool(const QString& path, const QString& name, bool value);
// Whether the key could be opened (without creating it); names in enumeration order.
bool ListSettingValues(const QString& path, QStringList& names);
// Sub-key names of a key, in first-created order (for pxreg and recursive delete).
bool ListSettingKeys(const QString& path, QStringList& names);

// The kind of a stored value, for pxreg's export: "string", "integer", or
// empty when the value is missing.
QString SettingValueKind(const QString& path, const QString& name);

// Deletes one value; true if it existed. Only pxreg uses it: the program
// itself replaces lists whole by deleting their key.
bool DeleteSettingValue(const QString& path, const QString& name);

// One value with its kind, for pxreg's export and import.
struct SettingEntry {
    QString name;
    bool isInteger = false;
    QString text;       // the data of a string value
    qint32 integer = 0; // the data of an integer value
};
// All values of a key in enumeration order; false when the key is missing.
bool ReadSettingEntries(const QString& path, QList<SettingEntry>& entries);
// Creates the key (and those above it) and writes all the values in one
// step: either all of them are stored or none. An empty list just creates
// the key. A refused write throws ERegistryException.
bool WriteSettingEntries(const QString& path, const QList<SettingEntry>& entries);

// The store file in use.
QString SettingsStorePath();

// The store stays open between calls (one connection per process); this
// closes it, checkpointing its write-ahead log. The next call opens it again.
// Run at exit by itself.
void CloseSettingsStore();

// For the program itself: a store that cannot be opened, read or written
// (an unusable settings folder, a read-only one, a damaged file) no longer
// ends the operation at hand. The failure is reported once through
// ReportFallback, reads answer as for a missing key (" ", -1, false) and
// writes and deletions return false, so Pollux carries on with its
// defaults. Off (pxreg, the store's own tests), such failures are thrown.
// A missing value or one of the wrong kind is not a store failure: those
// still throw.
void SetStoreFailuresFallBack(bool on);
