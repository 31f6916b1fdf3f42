#include "runtime/store/SqliteDatabase.h"
#include "runtime/fs/Paths.h"

#include <QFile>

#include <sqlite3.h>

namespace zemor::runtime::store {

namespace {

// Error texts are the platform's; SQLite's own words are added where they help to find the
// damage.
Error make(ErrorCode code, const QString &where, const char *detail = nullptr)
{
    QString message = errorText(code);
    if (detail && *detail)
        message += QStringLiteral(" (%1)").arg(QString::fromUtf8(detail));
    return Error{code, message, where};
}

} // namespace

SqliteDatabase::~SqliteDatabase()
{
    close();
}

Status SqliteDatabase::open(const QString &path, bool readOnly, std::chrono::milliseconds busyWait)
{
    close();
    const int flags =
        (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(fs::encodeName(path).constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        Error e = translate(rc, db ? sqlite3_errmsg(db) : nullptr, Damage::File, path);
        if (rc == SQLITE_CANTOPEN)
            e = make(ErrorCode::IoError, path, db ? sqlite3_errmsg(db) : nullptr);
        sqlite3_close(db);
        return std::unexpected(e);
    }
    m_db = db;
    m_path = path;
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, static_cast<int>(std::min<long long>(busyWait.count(), 1 << 30)));
    // Never WAL: a working directory on a shared folder must work, and a completed write must
    // survive a crash of the program or of the machine.
    for (const char *sql : {"PRAGMA synchronous=FULL", "PRAGMA journal_mode=DELETE"}) {
        if (auto s = exec(sql); !s) {
            close();
            return s;
        }
    }
    return {};
}

void SqliteDatabase::close()
{
    if (!m_db)
        return;
    // Every statement is finalized by its owner before; close_v2 still frees the connection
    // should one be left.
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_path.clear();
}

Status SqliteDatabase::exec(const char *sql, Damage damage)
{
    char *message = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &message);
    if (rc == SQLITE_OK)
        return {};
    Error e = translate(rc, message ? message : sqlite3_errmsg(m_db), damage, m_path);
    sqlite3_free(message);
    return std::unexpected(e);
}

sqlite3_stmt *SqliteDatabase::prepare(const QByteArray &sql, Error &error, Damage damage)
{
    sqlite3_stmt *stmt = nullptr;
    const int rc = sqlite3_prepare_v3(m_db, sql.constData(), static_cast<int>(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        error = this->error(rc, damage);
        sqlite3_finalize(stmt);
        return nullptr;
    }
    return stmt;
}

bool SqliteDatabase::inTransaction() const
{
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

Error SqliteDatabase::error(int rc, Damage damage, const QString &where) const
{
    return translate(rc, m_db ? sqlite3_errmsg(m_db) : nullptr, damage,
                     where.isEmpty() ? m_path : where);
}

Error SqliteDatabase::translate(int rc, const char *message, Damage damage, const QString &where)
{
    if (rc == SQLITE_CORRUPT_INDEX)
        return make(ErrorCode::KeyFileMustBeRebuilt, where, message);
    switch (rc & 0xFF) {
    case SQLITE_CONSTRAINT:
        if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY)
            return make(ErrorCode::DuplicateKey, where);
        return make(ErrorCode::InvalidData, where, message);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return make(ErrorCode::AccessDenied, where);
    case SQLITE_FULL:
        return make(ErrorCode::DiskFull, where);
    case SQLITE_CORRUPT:
        return make(damage == Damage::Keys ? ErrorCode::KeyFileMustBeRebuilt
                                           : ErrorCode::DamagedFile,
                    where, message);
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
    case SQLITE_EMPTY:
    case SQLITE_SCHEMA:
    case SQLITE_ERROR: // "no such table", "no such column": not a file of ours
        return make(ErrorCode::DamagedFile, where, message);
    case SQLITE_CANTOPEN:
        return make(ErrorCode::FileNotFound, where);
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
    case SQLITE_MISMATCH:
    case SQLITE_MISUSE:
        return make(ErrorCode::InvalidArgument, where, message);
    default: // SQLITE_IOERR, SQLITE_NOMEM, SQLITE_PROTOCOL, SQLITE_NOLFS ...
        return make(ErrorCode::IoError, where, message);
    }
}

Status SqliteDatabase::createSchema(const RecordLayout &layout, bool withIndexes)
{
    if (auto s = exec("CREATE TABLE meta(name TEXT PRIMARY KEY, value TEXT NOT NULL)"); !s)
        return s;
    QByteArray sql = "CREATE TABLE records(id INTEGER PRIMARY KEY, data BLOB NOT NULL";
    if (layout.textObjectSize > 0)
        sql += ", memo BLOB";
    for (int k = 0; k < layout.keys.size(); ++k)
        sql += ", " + keyColumn(k) + " BLOB";
    sql += ')';
    if (auto s = exec(sql.constData()); !s)
        return s;

    Error error;
    sqlite3_stmt *insert = prepare("INSERT INTO meta(name, value) VALUES(?1, ?2)", error);
    if (!insert)
        return std::unexpected(error);
    const QByteArray entries[][2] = {
        {"format", "1"}, {"label", layout.label.toUtf8()}, {"signature", layout.signature()}};
    for (const auto &entry : entries) {
        sqlite3_bind_text(insert, 1, entry[0].constData(), static_cast<int>(entry[0].size()),
                          SQLITE_STATIC);
        sqlite3_bind_text(insert, 2, entry[1].constData(), static_cast<int>(entry[1].size()),
                          SQLITE_STATIC);
        const int rc = sqlite3_step(insert);
        sqlite3_reset(insert);
        if (rc != SQLITE_DONE) {
            sqlite3_finalize(insert);
            return std::unexpected(this->error(rc, Damage::File));
        }
    }
    sqlite3_finalize(insert);
    return withIndexes ? createIndexes(layout) : Status{};
}

Status SqliteDatabase::createIndexes(const RecordLayout &layout)
{
    for (int k = 0; k < layout.keys.size(); ++k) {
        // A non-unique index holds the rowid after the key, so duplicates come out in the order
        // they were added; NULL keys (blank values left out) sort first and are never visited.
        const QByteArray sql =
            QByteArray(layout.keys[k].unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") +
            keyIndexName(k) + " ON records(" + keyColumn(k) + ')';
        if (auto s = exec(sql.constData()); !s) {
            Error e = s.error();
            if (e.code == ErrorCode::DuplicateKey)
                e.where = m_path + QStringLiteral(", ключ ") + layout.keys[k].name;
            return std::unexpected(e);
        }
    }
    return {};
}

Status SqliteDatabase::dropIndexes(const RecordLayout &layout)
{
    for (int k = 0; k < layout.keys.size(); ++k) {
        const QByteArray sql = "DROP INDEX IF EXISTS " + keyIndexName(k);
        if (auto s = exec(sql.constData(), Damage::Keys); !s)
            return s;
    }
    return {};
}

Status SqliteDatabase::checkSchema(const RecordLayout &layout)
{
    Error error;
    sqlite3_stmt *stmt = prepare("SELECT value FROM meta WHERE name = 'signature'", error);
    if (!stmt) {
        // A database without our tables, or not a database at all.
        if (error.code != ErrorCode::AccessDenied && error.code != ErrorCode::IoError)
            error.code = ErrorCode::DamagedFile;
        error.message = errorText(error.code);
        return std::unexpected(error);
    }
    const int rc = sqlite3_step(stmt);
    QByteArray stamp;
    if (rc == SQLITE_ROW) {
        stamp = QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, 0)),
                           sqlite3_column_bytes(stmt, 0));
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return std::unexpected(this->error(rc, Damage::File));
    if (rc == SQLITE_DONE)
        return fail(ErrorCode::DamagedFile, m_path,
                    QStringLiteral("Файл поврежден (в нем нет описания структуры записи)"));
    if (stamp != layout.signature())
        return fail(ErrorCode::LayoutMismatch, m_path);

    QByteArray columns = "SELECT id, data";
    if (layout.textObjectSize > 0)
        columns += ", memo";
    for (int k = 0; k < layout.keys.size(); ++k)
        columns += ", " + keyColumn(k);
    stmt = prepare(columns + " FROM records LIMIT 0", error);
    if (!stmt) {
        error.code = ErrorCode::DamagedFile;
        error.message = errorText(error.code);
        return std::unexpected(error);
    }
    sqlite3_finalize(stmt);
    return {};
}

} // namespace zemor::runtime::store
