#include "settings/RegUtilsStore.h"

#include "core/Guard.h"
#include "core/Paths.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <sqlite3.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <fcntl.h>
#include <sys/file.h>
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
        if (QFileInfo::exists(aside) || QFileInfo::exists(aside + QStringLiteral("-journal"))
            || QFileInfo::exists(aside + QStringLiteral("-wal")))
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

// The folder is made only when a write creates the store.
QString StoreFilePath()
{
    return ConfigDirPath() + QStringLiteral("/settings.db");
}

namespace {

// What stat() says of the store file: which file it is, and whether it has
// changed since it was last looked at.
struct Identity {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 mtimeNs = 0;
    bool sameFile(const Identity& other) const { return device == other.device && inode == other.inode; }
    bool operator==(const Identity&) const = default;
};

// 0, or the errno of stat().
int identityOf(const QByteArray& file, Identity& identity)
{
    struct stat st {};
    if (::stat(file.constData(), &st) != 0)
        return errno;
    identity = Identity{quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
                        qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    return 0;
}

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

// The connection the process keeps open, and what it knows of the file.
class Store {
public:
    enum class Close {
        Clean,   // checkpoint; the log and index beside the file go when no one else uses them
        Stale,   // the path now names another file (or none): checkpoint into the old one, remove nothing
        Discard, // damaged or changed under us: write nothing more into it
    };

    void close(Close how);

    std::recursive_mutex mutex;
    sqlite3* db = nullptr;
    QString path;
    QByteArray file;
    Identity identity;
    Identity log; // the write-ahead log this connection opened
    bool readOnly = false;  // opened for reading only
    bool transient = false; // opened immutable: closed again after the call
    bool needsSchema = false;
    bool damaged = false; // the call found the file damaged or newer: closed untouched
    struct Kept {
        sqlite3_stmt* stmt;
        bool inUse;
    };
    std::unordered_map<const char*, Kept> statements;
};

void Store::close(Close how)
{
    if (!db)
        return;
    for (auto& entry : statements)
        sqlite3_finalize(entry.second.stmt);
    statements.clear();
    if (how == Close::Discard)
        sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    if (how == Close::Stale && !readOnly) {
        // SQLite leaves the log of a file that has moved as it is, and the
        // next file at the path would play it back as its own: what can be
        // is written back into the old file, and a log still under the name
        // that this connection opened goes, with its index.
        sqlite3_busy_timeout(db, 0);
        sqlite3_wal_checkpoint_v2(db, "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        Identity now;
        if (log.inode != 0 && identityOf(file + "-wal", now) == 0 && now.sameFile(log)) {
            ::unlink((file + "-wal").constData());
            ::unlink((file + "-shm").constData());
        }
    }
    if (how == Close::Clean && !readOnly) {
        // The log is kept (SQLite never removes files by name) while the
        // connection is open, since by then the name may be another file's.
        // Still the file at the path: let SQLite remove its log and index.
        Identity now;
        if (identityOf(file, now) == 0 && now.sameFile(identity)) {
            int off = 0;
            sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &off);
        }
    }
    sqlite3_close_v2(db);
    db = nullptr;
    log = Identity{};
    readOnly = transient = needsSchema = damaged = false;
}

namespace {

// Never destroyed, so that a call from another object's destructor at exit
// still finds it; the connection itself is closed (and checkpointed) at
// exit, and opened again should a call come later.
Store& theStore()
{
    static Store* const store = [] {
        auto* made = new Store;
        std::atexit([] { CloseStore(); });
        return made;
    }();
    return *store;
}

// Makes a new store at file, whole: the schema is written into a private
// temporary file in the same folder, which is then linked into place unless
// another copy has made one meanwhile. So no copy ever sees a half-made
// store, and a log or index left by a deleted store is never played into it.
void createStore(const QString& path, const QByteArray& file)
{
    QByteArray temp = file + ".new-XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC); // 0600
    if (fd < 0)
        throw SqlFailure{SqlFailure::Kind::Open, errnoText(errno), path};
    ::close(fd);
    auto removeTemp = qScopeGuard([&] {
        ::unlink(temp.constData());
        ::unlink((temp + "-wal").constData());
        ::unlink((temp + "-shm").constData());
    });
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(temp.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const QString reason = rc == SQLITE_OK ? QString() : errorText(db, rc);
    // Closing checkpoints everything into the file and removes its log.
    if (sqlite3_close(db) != SQLITE_OK && rc == SQLITE_OK)
        rc = SQLITE_ERROR;
    if (rc != SQLITE_OK)
        throw SqlFailure{SqlFailure::Kind::Open, reason.isEmpty() ? errorText(nullptr, rc) : reason, path};

    // Copies making a store at once take turns here; a log or index found
    // beside a path that names no file belongs to no store.
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0)
        ::flock(dir, LOCK_EX);
    struct stat st {};
    if (::stat(file.constData(), &st) != 0 && errno == ENOENT) {
        for (const char* companion : {"-wal", "-shm", "-journal"})
            ::unlink((file + companion).constData());
        if (::link(temp.constData(), file.constData()) != 0 && errno != EEXIST) {
            const int error = errno;
            if (error == EPERM || error == EOPNOTSUPP || error == EXDEV || error == EMLINK) {
                ::rename(temp.constData(), file.constData()); // no hard links here
            } else {
                if (dir >= 0)
                    ::close(dir);
                throw SqlFailure{SqlFailure::Kind::Open, errnoText(error), path};
            }
        }
    }
    if (dir >= 0)
        ::close(dir); // and the lock with it
}

} // namespace

Connection::Connection(Access access)
    : lock_(theStore().mutex), store_(theStore()), access_(access)
{
    Store& s = store_;
    const QString path = StoreFilePath();
    if (s.db && s.path != path)
        s.close(Store::Close::Clean);
    if (s.path != path) {
        s.path = path;
        s.file = QFile::encodeName(path);
    }
    Identity now;
    int error = identityOf(s.file, now);
    if (s.db) {
        if (error != 0 || !now.sameFile(s.identity))
            s.close(Store::Close::Stale); // deleted, moved or replaced
        else if (!(now == s.identity))
            s.close(Store::Close::Discard); // changed under us: read it afresh
        else if (access == Access::Write && s.readOnly)
            s.close(Store::Close::Clean);
    }
    const bool reused = s.db != nullptr;
    bool opened = false;
    try {
        if (!s.db) {
            if (error == ENOENT) {
                if (access == Access::Read)
                    return; // nothing stored yet
                ConfigDir();
                createStore(path, s.file);
                error = 0;
            }
            if (error != 0)
                throw SqlFailure{SqlFailure::Kind::Open, errnoText(error), path};
            open();
            opened = true;
        }
        if (access == Access::Read) {
            // One read transaction for the whole call, ended when it ends.
            run("BEGIN");
            reading_ = true;
        }
        checkSchema(access);
        if (opened)
            configure();
    } catch (...) {
        endReading();
        if (s.db && (!reused || s.damaged))
            s.close(Store::Close::Discard);
        throw;
    }
}

// Opens the file; a read falls back to reading only, and then to reading
// without the shared index (a folder or file the user may not write, or
// whose log cannot be opened).
void Connection::open()
{
    Store& s = store_;
    enum Mode { Write, ReadOnly, Immutable };
    std::optional<SqlFailure> first;
    for (const Mode mode : {Write, ReadOnly, Immutable}) {
        if (mode != Write && access_ == Access::Write)
            break;
        QByteArray name = s.file;
        int flags = mode == Write ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
        if (mode == Immutable) {
            name = "file:" + s.file.toPercentEncoding("/") + "?immutable=1";
            flags |= SQLITE_OPEN_URI;
        }
        const int rc = sqlite3_open_v2(name.constData(), &s.db, flags, nullptr);
        if (rc != SQLITE_OK) {
            const QString reason = errorText(s.db, rc);
            sqlite3_close_v2(s.db);
            s.db = nullptr;
            if (!first)
                first = SqlFailure{SqlFailure::Kind::Open, reason, s.path};
            continue;
        }
        sqlite3_extended_result_codes(s.db, 1);
        sqlite3_busy_timeout(s.db, kBusyTimeoutMs);
        s.readOnly = mode != Write;
        s.transient = mode == Immutable;
        Identity opened;
        if (identityOf(s.file, opened) == 0)
            s.identity = opened;
        try {
            userVersion(); // the first read, which opens the log and index
            return;
        } catch (const SqlFailure& failure) {
            if (failure.kind != SqlFailure::Kind::Refused || access_ == Access::Write)
                throw;
            if (!first)
                first = failure;
            s.close(Store::Close::Discard);
        }
    }
    throw *first;
}

// Once the file is known to be a store: WAL, so that reads never wait for a
// write and a commit is one append; synchronous=NORMAL, so that a commit
// survives the process being killed (a power cut may lose the last ones,
// never the store).
void Connection::configure()
{
    Store& s = store_;
    if (!s.readOnly) {
        sqlite3_exec(s.db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
        sqlite3_exec(s.db, "PRAGMA synchronous = NORMAL; PRAGMA journal_size_limit = 4194304", nullptr, nullptr,
                     nullptr);
        int on = 1;
        sqlite3_file_control(s.db, "main", SQLITE_FCNTL_PERSIST_WAL, &on);
        // Opened by the first read; its name stays with it while the
        // connection is open, since no copy removes it then.
        identityOf(s.file + "-wal", s.log);
    }
    Identity now;
    if (identityOf(s.file, now) == 0)
        s.identity = now;
}

void Connection::endReading()
{
    if (!reading_ || !store_.db)
        return;
    reading_ = false;
    try {
        run("COMMIT");
    } catch (const SqlFailure&) {
        sqlite3_exec(store_.db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

Connection::~Connection()
{
    Store& s = store_;
    endReading();
    if (!s.db)
        return;
    if (s.damaged || s.transient) {
        s.close(Store::Close::Discard);
    } else if (access_ == Access::Write) {
        // A commit may have checkpointed into the file.
        Identity now;
        if (identityOf(s.file, now) == 0 && now.sameFile(s.identity))
            s.identity = now;
        if (s.log.inode == 0)
            identityOf(s.file + "-wal", s.log); // a store turned to WAL by this connection
    }
}

sqlite3* Connection::handle() const
{
    return store_.db;
}

int Connection::userVersion()
{
    Statement version(*this, "PRAGMA user_version");
    return version.step() ? int(version.int64At(0)) : 0;
}

void Connection::checkSchema(Access access)
{
    Store& s = store_;
    s.needsSchema = false;
    const int version = userVersion();
    if (version == kSchemaVersion) {
        ready_ = true;
        return;
    }
    if (version == 0) {
        Statement objects(*this, "SELECT count(*) FROM sqlite_schema");
        if (objects.step() && objects.int64At(0) == 0) {
            // An empty file: a store that has never been written.
            s.needsSchema = true;
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
    Store& s = store_;
    if (!s.needsSchema)
        return;
    // Another copy may have created it since this connection looked.
    if (userVersion() == 0) {
        const int rc = sqlite3_exec(s.db, kSchema, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            fail(rc);
    }
    s.needsSchema = false;
}

qint64 Connection::lastInsertId() const
{
    return sqlite3_last_insert_rowid(store_.db);
}

int Connection::changes() const
{
    return sqlite3_changes(store_.db);
}

void Connection::run(const char* sql)
{
    Statement statement(*this, sql);
    while (statement.step()) {
    }
}

void Connection::fail(int rc, SqlFailure::Kind kind) const
{
    Store& s = store_;
    QString reason;
    if (kind == SqlFailure::Kind::Damaged && rc == SQLITE_NOTADB && sqlite3_errcode(s.db) != SQLITE_NOTADB)
        reason = QStringLiteral("it holds other data");
    else if (kind != SqlFailure::Kind::Newer)
        reason = errorText(s.db, rc);
    if (kind == SqlFailure::Kind::Refused && isDamage(rc))
        kind = SqlFailure::Kind::Damaged;
    if (kind == SqlFailure::Kind::Damaged || kind == SqlFailure::Kind::Newer)
        s.damaged = true; // closed, untouched, when the call ends
    throw SqlFailure{kind, reason, s.path, s.identity.device, s.identity.inode};
}

sqlite3_stmt* Connection::takeStatement(const char* sql, bool& kept)
{
    Store& s = store_;
    const auto found = s.statements.find(sql);
    if (found != s.statements.end() && !found->second.inUse) {
        found->second.inUse = true;
        kept = true;
        return found->second.stmt;
    }
    const bool keep = found == s.statements.end() && !s.transient;
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v3(s.db, sql, -1, keep ? SQLITE_PREPARE_PERSISTENT : 0, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        // The statements only name the store's own tables and columns, so a
        // plain SQL error here means the file holds some other schema.
        fail(rc, (rc & 0xFF) == SQLITE_ERROR ? SqlFailure::Kind::Damaged : SqlFailure::Kind::Refused);
    }
    if (keep)
        s.statements.emplace(sql, Store::Kept{stmt, true});
    kept = keep;
    return stmt;
}

void Connection::giveBack(const char* sql, sqlite3_stmt* stmt, bool kept)
{
    if (!kept) {
        sqlite3_finalize(stmt);
        return;
    }
    // Reset, so that no read transaction stays open after the call.
    sqlite3_reset(stmt);
    const auto found = store_.statements.find(sql);
    if (found != store_.statements.end())
        found->second.inUse = false;
}

Statement::Statement(Connection& store, const char* sql) : store_(store), sql_(sql)
{
    stmt_ = store.takeStatement(sql, kept_);
}

Statement::~Statement()
{
    store_.giveBack(sql_, stmt_, kept_);
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
    store_.run("BEGIN IMMEDIATE");
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
    store_.run("COMMIT");
    open_ = false;
}

void CloseStore()
{
    Store& s = theStore();
    const std::lock_guard<std::recursive_mutex> lock(s.mutex);
    s.close(Store::Close::Clean);
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
