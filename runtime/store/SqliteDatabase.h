#pragma once

// One SQLite connection of the keyed-file layer, and the one place where SQLite's result codes
// become our errors. It owns the connection and closes it; statements are prepared here and
// owned by the caller (finalize them before close()). It also knows the schema of a keyed file:
// the tables `records` and `meta`, the key columns k0, k1, ... and their indexes key0, key1, ...
//
// SQLite is used through its C interface by the keyed-file classes only; nothing above
// runtime/store sees a SQLite code or type.

#include "runtime/core/Error.h"
#include "runtime/store/RecordLayout.h"

#include <QByteArray>
#include <QString>

#include <chrono>

struct sqlite3;
struct sqlite3_stmt;

namespace zemor::runtime::store {

// What a damaged page means where it was met: in a key operation the program can rebuild the
// keys (KeyFileMustBeRebuilt), anywhere else the file is damaged.
enum class Damage { File, Keys };

class SqliteDatabase
{
public:
    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase &) = delete;
    SqliteDatabase &operator=(const SqliteDatabase &) = delete;

    // Opens an existing file (never creates one; a file of zero bytes is an empty database),
    // with the rollback journal and full sync. `busyWait` bounds every wait for another
    // connection's lock.
    [[nodiscard]] Status open(const QString &path, bool readOnly,
                              std::chrono::milliseconds busyWait);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    sqlite3 *handle() const { return m_db; }
    const QString &path() const { return m_path; }

    [[nodiscard]] Status exec(const char *sql, Damage damage = Damage::File);
    // Prepares a statement that the caller finalizes; nullptr with `error` set on failure.
    sqlite3_stmt *prepare(const QByteArray &sql, Error &error, Damage damage = Damage::File);
    bool inTransaction() const;

    // The error for a SQLite result code `rc` met on this connection.
    Error error(int rc, Damage damage, const QString &where = {}) const;
    static Error translate(int rc, const char *message, Damage damage, const QString &where);

    // --- the keyed-file schema
    static QByteArray keyColumn(int key) { return "k" + QByteArray::number(key); }
    static QByteArray keyIndexName(int key) { return "key" + QByteArray::number(key); }
    // Creates `meta` (stamped with the layout) and `records`; the indexes with `withIndexes`.
    [[nodiscard]] Status createSchema(const RecordLayout &layout, bool withIndexes);
    [[nodiscard]] Status createIndexes(const RecordLayout &layout);
    [[nodiscard]] Status dropIndexes(const RecordLayout &layout);
    // Checks that the file holds our tables with the columns of `layout` and its stamp:
    // DamagedFile when it is not a keyed file, LayoutMismatch when the stamp differs.
    [[nodiscard]] Status checkSchema(const RecordLayout &layout);

private:
    sqlite3 *m_db = nullptr;
    QString m_path;
};

} // namespace zemor::runtime::store
