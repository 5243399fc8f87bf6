#include "settings/RegUtilsStore.h"

#include "core/Guard.h"
#include "core/Paths.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pollux_store {

namespace {

constexpr int kSchemaVersion = 1;
constexpr int kApplicationId = 0x50584C58; // "PXLX": marks the file as a Pollux settings store
// Two copies writing at once wait for each other this long (SQLite sleeps
// between tries) before a write counts as refused.
constexpr int kBusyTimeoutMs = 10000;

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS keys("
    " id INTEGER PRIMARY KEY, parent INTEGER, name TEXT NOT NULL, fold TEXT NOT NULL UNIQUE);"
    "CREATE INDEX IF NOT EXISTS keys_parent ON keys(parent);"
    "CREATE TABLE IF NOT EXISTS vals("
    " id INTEGER PRIMARY KEY, key INTEGER NOT NULL, name TEXT NOT NULL, fold TEXT NOT NULL,"
    " kind INTEGER NOT NULL, data, UNIQUE(key, fold));"
    "CREATE INDEX IF NOT EXISTS vals_key ON vals(key);"
    "INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES (1, NULL, '', '');"
    "PRAGMA application_id = 1347963992;"
    "PRAGMA user_version = 1;";
static_assert(kApplicationId == 1347963992);

bool isDamage(int rc)
{
    const int primary = rc & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

QString errorText(sqlite3* db, int rc)
{
    if (db && sqlite3_errcode(db) == rc)
        return QString::fromUtf8(sqlite3_errmsg(db));
    return QString::fromUtf8(sqlite3_errstr(rc));
}

bool sameFile(const QString& path, quint64 device, quint64 inode)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return quint64(st.st_dev) == device && quint64(st.st_ino) == inode;
}

// Moves the damaged file aside under a name of its own, never over another
// file, together with its journal: a journal left behind would be played
// back into the fresh store. Returns the new name, or empty with why.
QString moveAside(const SqlFailure& failure, QString& why)
{
    if (!sameFile(failure.path, failure.device, failure.inode)) {
        // Another copy of the program has already moved it (or replaced it).
        why = QStringLiteral("it has already been replaced");
        return {};
    }
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString base = failure.path + QStringLiteral(".corrupt-") + stamp;
    for (int n = 0; n < 1000; ++n) {
        const QString aside = n == 0 ? base : base + QLatin1Char('-') + QString::number(n);
        if (QFileInfo::exists(aside) || QFileInfo::exists(aside + QStringLiteral("-journal")))
            continue;
        if (!QFile::rename(failure.path, aside)) {
            if (QFileInfo::exists(aside))
                continue;
            why = QString::fromLocal8Bit(std::strerror(errno));
            return {};
        }
        for (const char* companion : {"-journal", "-wal"}) {
            const QString from = failure.path + QLatin1String(companion);
            if (QFileInfo::exists(from) && !QFile::rename(from, aside + QLatin1String(companion)))
                QFile::remove(from);
        }
        QFile::remove(failure.path + QStringLiteral("-shm"));
        return aside;
    }
    why = QStringLiteral("no free name to move it to");
    return {};
}

[[noreturn]] void raiseStoreFailure(const SqlFailure& failure)
{
    switch (failure.kind) {
    case SqlFailure::Kind::Damaged: {
        QString why;
        const QString aside = moveAside(failure, why);
        if (aside.isEmpty())
            throw EStoreError(QStringLiteral("The settings store \"%1\" is damaged or is not a Pollux "
                                             "settings store (%2), and it could not be moved aside: %3.")
                                  .arg(failure.path, failure.reason, why));
        throw EStoreError(QStringLiteral("The settings store \"%1\" is damaged or is not a Pollux settings "
                                         "store (%2). It has been moved to \"%3\" and a new, empty settings "
                                         "store will be started.")
                              .arg(failure.path, failure.reason, aside));
    }
    case SqlFailure::Kind::Newer:
        throw EStoreError(QStringLiteral("The settings store \"%1\" was written by a newer version of Pollux "
                                         "and cannot be used by this one.")
                              .arg(failure.path));
    case SqlFailure::Kind::Open:
        throw EStoreError(QStringLiteral("The settings store \"%1\" could not be opened: %2.")
                              .arg(failure.path, failure.reason));
    case SqlFailure::Kind::Refused:
        break;
    }
    throw EStoreError(QStringLiteral("The settings store \"%1\" could not be read: %2.")
                          .arg(failure.path, failure.reason));
}

} // namespace

QString StoreFilePath()
{
    return ConfigDir() + QStringLiteral("/settings.db");
}

Connection::Connection(Access access) : path_(StoreFilePath())
{
    const QByteArray file = QFile::encodeName(path_);
    struct stat st {};
    if (::stat(file.constData(), &st) != 0) {
        if (errno != ENOENT)
            throw SqlFailure{SqlFailure::Kind::Open, QString::fromLocal8Bit(std::strerror(errno)), path_};
        if (access == Access::Read)
            return; // nothing stored yet
        // Created here rather than by SQLite so that it is private to the user.
        const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::close(fd);
        else if (errno != EEXIST)
            throw SqlFailure{SqlFailure::Kind::Open, QString::fromLocal8Bit(std::strerror(errno)), path_};
    }

    int rc = sqlite3_open_v2(file.constData(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK && access == Access::Read) {
        // A store the user may read but not write still answers reads.
        sqlite3_close_v2(db_);
        db_ = nullptr;
        rc = sqlite3_open_v2(file.constData(), &db_, SQLITE_OPEN_READONLY, nullptr);
    }
    if (rc != SQLITE_OK) {
        const QString reason = errorText(db_, rc);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw SqlFailure{SqlFailure::Kind::Open, reason, path_};
    }
    if (::stat(file.constData(), &st) == 0) {
        device_ = quint64(st.st_dev);
        inode_ = quint64(st.st_ino);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    try {
        if (access == Access::Write)
            exec("PRAGMA synchronous = FULL");
        checkSchema(access);
    } catch (...) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw;
    }
}

Connection::~Connection()
{
    if (db_)
        sqlite3_close_v2(db_);
}

int Connection::userVersion()
{
    Statement version(*this, "PRAGMA user_version");
    return version.step() ? int(version.int64At(0)) : 0;
}

void Connection::checkSchema(Access access)
{
    const int version = userVersion();
    if (version == kSchemaVersion) {
        ready_ = true;
        return;
    }
    if (version == 0) {
        Statement objects(*this, "SELECT count(*) FROM sqlite_schema");
        if (objects.step() && objects.int64At(0) == 0) {
            // An empty file: a store that has never been written.
            needsSchema_ = true;
            ready_ = access == Access::Write;
            return;
        }
        fail(SQLITE_NOTADB, SqlFailure::Kind::Damaged);
    }
    Statement application(*this, "PRAGMA application_id");
    if (application.step() && application.int64At(0) == kApplicationId)
        fail(SQLITE_OK, SqlFailure::Kind::Newer);
    fail(SQLITE_NOTADB, SqlFailure::Kind::Damaged);
}

void Connection::ensureSchema()
{
    if (!needsSchema_)
        return;
    // Another copy may have created it since this connection looked.
    if (userVersion() == 0)
        exec(kSchema);
    needsSchema_ = false;
}

qint64 Connection::lastInsertId() const
{
    return sqlite3_last_insert_rowid(db_);
}

int Connection::changes() const
{
    return sqlite3_changes(db_);
}

void Connection::exec(const char* sql)
{
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(rc);
}

void Connection::fail(int rc, SqlFailure::Kind kind) const
{
    QString reason;
    if (kind == SqlFailure::Kind::Damaged && rc == SQLITE_NOTADB && sqlite3_errcode(db_) != SQLITE_NOTADB)
        reason = QStringLiteral("it holds other data");
    else if (kind != SqlFailure::Kind::Newer)
        reason = errorText(db_, rc);
    if (kind == SqlFailure::Kind::Refused && isDamage(rc))
        kind = SqlFailure::Kind::Damaged;
    throw SqlFailure{kind, reason, path_, device_, inode_};
}

Statement::Statement(Connection& store, const char* sql) : store_(store)
{
    const int rc = sqlite3_prepare_v2(store.handle(), sql, -1, &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        // The statements only name the store's own tables and columns, so a
        // plain SQL error here means the file holds some other schema.
        store.fail(rc, (rc & 0xFF) == SQLITE_ERROR ? SqlFailure::Kind::Damaged : SqlFailure::Kind::Refused);
    }
}

Statement::~Statement()
{
    sqlite3_finalize(stmt_);
}

void Statement::bind(int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    const int rc = sqlite3_bind_text(stmt_, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        store_.fail(rc);
}

void Statement::bind(int index, qint64 number)
{
    const int rc = sqlite3_bind_int64(stmt_, index, number);
    if (rc != SQLITE_OK)
        store_.fail(rc);
}

bool Statement::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    store_.fail(rc);
}

qint64 Statement::int64At(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

QString Statement::textAt(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (!text)
        return QString();
    return QString::fromUtf8(text, sqlite3_column_bytes(stmt_, column));
}

Transaction::Transaction(Connection& store) : store_(store)
{
    store_.exec("BEGIN IMMEDIATE");
    open_ = true;
    store_.ensureSchema();
}

Transaction::~Transaction()
{
    if (open_)
        sqlite3_exec(store_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    store_.exec("COMMIT");
    open_ = false;
}

namespace {
bool& fallBackSlot()
{
    static bool on = false;
    return on;
}
} // namespace

bool StoreFailuresFallBack()
{
    return fallBackSlot();
}

void SetFallBack(bool on)
{
    fallBackSlot() = on;
}

void ReportStoreFailure(const SqlFailure& failure, bool writing)
{
    try {
        if (failure.kind == SqlFailure::Kind::Refused) {
            const QString what = writing ? QStringLiteral("written") : QStringLiteral("read");
            throw EStoreError(QStringLiteral("The settings store \"%1\" cannot be %2 (%3). Pollux goes on with "
                                             "its default settings where it needs them, and what it would store is "
                                             "not kept.")
                                  .arg(failure.path, what, failure.reason));
        }
        raiseStoreFailure(failure);
    } catch (const EPollux& e) {
        ReportFallback(nullptr, e);
    }
}

void RaiseReadFailure(const SqlFailure& failure)
{
    raiseStoreFailure(failure);
}

void RaiseWriteFailure(const SqlFailure& failure, Refusal refusal, const QString& name)
{
    if (failure.kind != SqlFailure::Kind::Refused)
        raiseStoreFailure(failure);
    switch (refusal) {
    case Refusal::SetData:
        throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(name));
    case Refusal::DeleteKey:
        throw ERegistryException(QStringLiteral("Failed to delete the key '%1' (%2)").arg(name, failure.reason));
    case Refusal::DeleteValue:
        throw ERegistryException(QStringLiteral("Failed to delete the value '%1' (%2)").arg(name, failure.reason));
    }
    throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(name));
}

} // namespace pollux_store
