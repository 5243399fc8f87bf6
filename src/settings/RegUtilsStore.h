#pragma once
// The SQLite side of the settings store, for RegUtils.cpp only: the one
// connection the process keeps open (in WAL mode), its prepared statements,
// the write transaction, and the one place that turns an SQLite failure into
// the user's message (moving a damaged store file aside on the way).

#include "core/Errors.h"

#include <QString>
#include <mutex>
#include <utility>

struct sqlite3;
struct sqlite3_stmt;

namespace pollux_store {

// The row of the top of the store (the per-user branch itself).
constexpr qint64 kTopKeyId = 1;

QString StoreFilePath();

// A failure on the way through SQLite, carried up to runRead / runWrite.
struct SqlFailure {
    enum class Kind {
        Open,    // the file could not be opened or created
        Damaged, // corrupt, not a database, or not a settings store: moved aside
        Newer,   // a settings store of a later schema: left alone
        Refused, // a statement failed (locked too long, read-only, disk full, ...)
    };
    Kind kind;
    QString reason;
    QString path;
    quint64 device = 0;
    quint64 inode = 0;
};

class Store;

// A call's hold on the connection kept open for the process: made per call,
// it takes the store's lock, checks that the file on disk is still the one
// open (reopening it when it was replaced, deleted or changed under it) and
// checks the schema. Statements are reset when done, so no read transaction
// outlives the call and other copies' writes are seen at the next one.
class Connection {
public:
    enum class Access { Read, Write };
    explicit Connection(Access access);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // False when reading a store that has never been written: every key is
    // then missing, and no file is created.
    bool ready() const { return ready_; }
    sqlite3* handle() const;
    qint64 lastInsertId() const;
    int changes() const;

    // One statement, prepared once for the life of the connection.
    void run(const char* sql);
    // Creates the tables when the file is new; inside a write transaction.
    void ensureSchema();
    [[noreturn]] void fail(int rc, SqlFailure::Kind kind = SqlFailure::Kind::Refused) const;

    // For Statement: the statement kept for sql (kept true), or one made
    // for this use alone when the kept one is in use (kept false).
    sqlite3_stmt* takeStatement(const char* sql, bool& kept);
    void giveBack(const char* sql, sqlite3_stmt* stmt, bool kept);

private:
    void open();
    void configure();
    void endReading();
    int userVersion();
    void checkSchema(Access access);

    std::unique_lock<std::recursive_mutex> lock_;
    Store& store_;
    Access access_;
    bool ready_ = false;
    bool reading_ = false; // in the call's read transaction
};

class Statement {
public:
    Statement(Connection& store, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, const QString& text);
    void bind(int index, qint64 number);
    // True while there is a row to read.
    bool step();
    qint64 int64At(int column) const;
    QString textAt(int column) const;

private:
    Connection& store_;
    const char* sql_;
    sqlite3_stmt* stmt_ = nullptr;
    bool kept_ = false;
};

// BEGIN IMMEDIATE .. COMMIT; rolled back unless committed.
class Transaction {
public:
    explicit Transaction(Connection& store);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Connection& store_;
    bool open_ = false;
};

// Closes the connection kept open; the next call opens it again.
void CloseStore();

enum class Refusal { SetData, DeleteKey, DeleteValue };

[[noreturn]] void RaiseReadFailure(const SqlFailure& failure);
[[noreturn]] void RaiseWriteFailure(const SqlFailure& failure, Refusal refusal, const QString& name);
// With SetStoreFailuresFallBack(true): reports the failure through
// ReportFallback, in words that do not depend on the value at hand, so that
// one unusable store is reported once.
void ReportStoreFailure(const SqlFailure& failure, bool writing);
bool StoreFailuresFallBack();
void SetFallBack(bool on);

// Runs body on an open store; absent is the answer when no store exists yet.
template <class T, class Body>
T runRead(T absent, Body&& body)
{
    try {
        Connection store(Connection::Access::Read);
        if (!store.ready())
            return absent;
        return std::forward<Body>(body)(store);
    } catch (const SqlFailure& failure) {
        if (!StoreFailuresFallBack())
            RaiseReadFailure(failure);
        ReportStoreFailure(failure, false);
        return absent;
    }
}

template <class Body>
auto runWrite(Refusal refusal, const QString& name, Body&& body)
{
    try {
        Connection store(Connection::Access::Write);
        return std::forward<Body>(body)(store);
    } catch (const SqlFailure& failure) {
        if (!StoreFailuresFallBack())
            RaiseWriteFailure(failure, refusal, name);
        ReportStoreFailure(failure, true);
        // What a write that could not create its key answers.
        return decltype(std::forward<Body>(body)(std::declval<Connection&>())){};
    }
}

} // namespace pollux_store
