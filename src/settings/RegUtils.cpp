#include "settings/RegUtils.h"

#include "settings/RegUtilsStore.h"

#include <QStringBuilder>

// Layout of the store file (schema version 1):
//   keys(id, parent, name, fold)  one row per key; name keeps the case it was
//       created in, fold is the case-folded path from the top ("" for the top
//       itself), so a whole path is found with one indexed lookup.
//   vals(id, key, name, fold, kind, data)  one row per value; kind 1 is a
//       string, 4 an integer. Rows are never renumbered, and an existing name
//       is rewritten in place, so ordering by id gives first-written order.

using namespace pollux_store;

namespace {

constexpr int kKindString = 1;
constexpr int kKindInteger = 4;

QStringList keyNames(const QString& path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

QString foldedPath(const QString& path)
{
    return keyNames(path).join(QLatin1Char('\\')).toCaseFolded();
}

// The id of the key, or 0 when it does not exist.
qint64 findKey(Connection& store, const QString& fold)
{
    Statement find(store, "SELECT id FROM keys WHERE fold = ?1");
    find.bind(1, fold);
    return find.step() ? find.int64At(0) : 0;
}

// Opens the key, creating it and every missing key above it. Runs inside a
// write transaction.
qint64 createKey(Connection& store, const QString& path)
{
    const QString fold = foldedPath(path);
    if (const qint64 id = findKey(store, fold))
        return id;
    qint64 parent = kTopKeyId;
    QString prefix;
    for (const QString& name : keyNames(path)) {
        if (!prefix.isEmpty())
            prefix += QLatin1Char('\\');
        prefix += name.toCaseFolded();
        if (const qint64 id = findKey(store, prefix)) {
            parent = id;
            continue;
        }
        Statement insert(store, "INSERT INTO keys(parent, name, fold) VALUES (?1, ?2, ?3)");
        insert.bind(1, parent);
        insert.bind(2, name);
        insert.bind(3, prefix);
        insert.step();
        parent = store.lastInsertId();
    }
    return parent;
}

void writeValue(Connection& store, qint64 key, const SettingEntry& entry)
{
    Statement upsert(store,
                     "INSERT INTO vals(key, name, fold, kind, data) VALUES (?1, ?2, ?3, ?4, ?5) "
                     "ON CONFLICT(key, fold) DO UPDATE SET kind = excluded.kind, data = excluded.data");
    upsert.bind(1, key);
    upsert.bind(2, entry.name);
    upsert.bind(3, entry.name.toCaseFolded());
    if (entry.isInteger) {
        upsert.bind(4, qint64(kKindInteger));
        upsert.bind(5, qint64(entry.integer));
    } else {
        upsert.bind(4, qint64(kKindString));
        upsert.bind(5, entry.text);
    }
    upsert.step();
}

bool writeEntries(const QString& path, const QList<SettingEntry>& entries, const QString& refusedName)
{
    return runWrite(Refusal::SetData, refusedName, [&](Connection& store) {
        Transaction transaction(store);
        const qint64 key = createKey(store, path);
        for (const SettingEntry& entry : entries)
            writeValue(store, key, entry);
        transaction.commit();
        return true;
    });
}

bool writeOne(const QString& path, const SettingEntry& entry)
{
    return writeEntries(path, QList<SettingEntry>{entry}, entry.name);
}

// A stored value as read: whether the key and the value exist, and its data.
struct Lookup {
    bool keyFound = false;
    bool valueFound = false;
    int kind = 0;
    qint64 integer = 0;
    QString text;
};

Lookup lookup(const QString& path, const QString& name)
{
    return runRead(Lookup{}, [&](Connection& store) {
        Statement read(store,
                       "SELECT v.kind, v.data, v.id IS NOT NULL FROM keys k "
                       "LEFT JOIN vals v ON v.key = k.id AND v.fold = ?2 WHERE k.fold = ?1");
        read.bind(1, foldedPath(path));
        read.bind(2, name.toCaseFolded());
        Lookup found;
        if (!read.step())
            return found;
        found.keyFound = true;
        found.valueFound = read.int64At(2) != 0;
        if (found.valueFound) {
            found.kind = int(read.int64At(0));
            if (found.kind == kKindInteger)
                found.integer = read.int64At(1);
            else
                found.text = read.textAt(1);
        }
        return found;
    });
}

// Integers are 32-bit; anything wider in the file is taken modulo 2^32, the
// way the platform's DWORD holds it.
qint32 asInt32(qint64 stored)
{
    return static_cast<qint32>(static_cast<quint32>(static_cast<quint64>(stored) & 0xFFFFFFFFu));
}

qint32 integerOf(const Lookup& found, const QString& name)
{
    if (!found.valueFound)
        throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(name));
    if (found.kind != kKindInteger)
        throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
    return asInt32(found.integer);
}

} // namespace

QString SettingsStorePath()
{
    return StoreFilePath();
}

void CloseSettingsStore()
{
    pollux_store::CloseStore();
}

void SetStoreFailuresFallBack(bool on)
{
    pollux_store::SetFallBack(on);
}

bool SettingsKeyExists(const QString& path)
{
    return runRead(false, [&](Connection& store) { return findKey(store, foldedPath(path)) != 0; });
}

bool SettingsValueExists(const QString& path, const QString& name)
{
    return lookup(path, name).valueFound;
}

QString ReadSettingString(const QString& path, const QString& name)
{
    const Lookup found = lookup(path, name);
    if (!found.valueFound)
        return QStringLiteral(" ");
    // An integer read as a string gives its decimal text rather than its raw
    // bytes.
    if (found.kind == kKindInteger)
        return QString::number(asInt32(found.integer));
    return found.text;
}

qint32 ReadSettingInteger(const QString& path, const QString& name)
{
    const Lookup found = lookup(path, name);
    if (!found.keyFound)
        return -1;
    return integerOf(found, name);
}

bool ReadSettingBool(const QString& path, const QString& name)
{
    const Lookup found = lookup(path, name);
    if (!found.valueFound)
        return false;
    return integerOf(found, name) != 0;
}

bool DeleteSettingsKey(const QString& path)
{
    const QString fold = foldedPath(path);
    // The top of the store is not a key of its own and is never deleted.
    if (fold.isEmpty())
        return false;
    return runWrite(Refusal::DeleteKey, path, [&](Connection& store) {
        Transaction transaction(store);
        if (!findKey(store, fold))
            return false;
        // The key and everything below it go in one transaction, so a failure
        // part way leaves the whole branch in place rather than half of it.
        const QString below = fold + QLatin1Char('\\');
        const QString beyond = fold + QLatin1Char(']'); // '\\' + 1
        Statement values(store,
                         "DELETE FROM vals WHERE key IN (SELECT id FROM keys WHERE fold = ?1 "
                         "OR (fold >= ?2 AND fold < ?3))");
        values.bind(1, fold);
        values.bind(2, below);
        values.bind(3, beyond);
        values.step();
        Statement keys(store, "DELETE FROM keys WHERE fold = ?1 OR (fold >= ?2 AND fold < ?3)");
        keys.bind(1, fold);
        keys.bind(2, below);
        keys.bind(3, beyond);
        keys.step();
        transaction.commit();
        return true;
    });
}

bool DeleteSettingValue(const QString& path, const QString& name)
{
    return runWrite(Refusal::DeleteValue, name, [&](Connection& store) {
        Transaction transaction(store);
        Statement remove(store,
                         "DELETE FROM vals WHERE key = (SELECT id FROM keys WHERE fold = ?1) AND fold = ?2");
        remove.bind(1, foldedPath(path));
        remove.bind(2, name.toCaseFolded());
        remove.step();
        const bool removed = store.changes() > 0;
        transaction.commit();
        return removed;
    });
}

bool WriteSettingString(const QString& path, const QString& name, const QString& text)
{
    SettingEntry entry;
    entry.name = name;
    entry.text = text;
    return writeOne(path, entry);
}

bool WriteSettingInteger(const QString& path, const QString& name, qint32 value)
{
    SettingEntry entry;
    entry.name = name;
    entry.isInteger = true;
    entry.integer = value;
    return writeOne(path, entry);
}

bool WriteSettingBool(const QString& path, const QString& name, bool value)
{
    return WriteSettingInteger(path, name, value ? 1 : 0);
}

bool WriteSettingEntries(const QString& path, const QList<SettingEntry>& entries)
{
    return writeEntries(path, entries, entries.isEmpty() ? QString() : entries.first().name);
}

namespace {
// The names a query lists for one key, in the order they were first written.
bool listNames(const QString& path, const char* sql, QStringList& names)
{
    names.clear();
    return runRead(false, [&](Connection& store) {
        const qint64 key = findKey(store, foldedPath(path));
        if (!key)
            return false;
        Statement list(store, sql);
        list.bind(1, key);
        while (list.step())
            names.append(list.textAt(0));
        return true;
    });
}
} // namespace

bool ListSettingValues(const QString& path, QStringList& names)
{
    return listNames(path, "SELECT name FROM vals WHERE key = ?1 ORDER BY id", names);
}

bool ListSettingKeys(const QString& path, QStringList& names)
{
    return listNames(path, "SELECT name FROM keys WHERE parent = ?1 ORDER BY id", names);
}

bool ReadSettingEntries(const QString& path, QList<SettingEntry>& entries)
{
    entries.clear();
    return runRead(false, [&](Connection& store) {
        const qint64 key = findKey(store, foldedPath(path));
        if (!key)
            return false;
        Statement list(store, "SELECT name, kind, data FROM vals WHERE key = ?1 ORDER BY id");
        list.bind(1, key);
        while (list.step()) {
            SettingEntry entry;
            entry.name = list.textAt(0);
            entry.isInteger = list.int64At(1) == kKindInteger;
            if (entry.isInteger)
                entry.integer = asInt32(list.int64At(2));
            else
                entry.text = list.textAt(2);
            entries.append(entry);
        }
        return true;
    });
}

QString SettingValueKind(const QString& path, const QString& name)
{
    const Lookup found = lookup(path, name);
    if (!found.valueFound)
        return {};
    return found.kind == kKindInteger ? QStringLiteral("integer") : QStringLiteral("string");
}
