// The keyed file on one handle at a time: keys and their order, scans, writes, transactions,
// key rebuilding, and files that are damaged or of another layout.

#include "runtime/store/KeyEncoding.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/KeyedFileFixtures.h"
#include "runtime/text/Cp1251.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <functional>
#include <limits>

using namespace zemor::runtime;
using namespace zemor::runtime::store;
using namespace zemor::test::store;

Q_DECLARE_METATYPE(zemor::runtime::ErrorCode)

namespace {

QByteArray cp(const char *utf8)
{
    return text::toCp1251(QString::fromUtf8(utf8));
}

// A raw connection, to look at or tamper with a file as a person with the sqlite3 shell would.
class Raw
{
public:
    explicit Raw(const QString &path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    }
    ~Raw() { sqlite3_close_v2(m_db); }
    bool exec(const char *sql)
    {
        return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    QList<QByteArray> column(const char *sql)
    {
        QList<QByteArray> out;
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr) != SQLITE_OK)
            return out;
        while (sqlite3_step(s) == SQLITE_ROW)
            out.append(QByteArray(static_cast<const char *>(sqlite3_column_blob(s, 0)),
                                  sqlite3_column_bytes(s, 0)));
        sqlite3_finalize(s);
        return out;
    }
    bool setData(qint64 id, const QByteArray &data)
    {
        sqlite3_stmt *s = nullptr;
        sqlite3_prepare_v2(m_db, "UPDATE records SET data = ?1 WHERE id = ?2", -1, &s, nullptr);
        sqlite3_bind_blob(s, 1, data.constData(), static_cast<int>(data.size()), SQLITE_STATIC);
        sqlite3_bind_int64(s, 2, id);
        const bool ok = sqlite3_step(s) == SQLITE_DONE;
        sqlite3_finalize(s);
        return ok;
    }

private:
    sqlite3 *m_db = nullptr;
};

// Reads on with `step` until the end and returns the uniCodStr of every record read.
QList<int> readRows(KeyedFile &f, bool forward = true)
{
    QList<int> rows;
    for (;;) {
        auto s = forward ? f.next() : f.previous();
        if (!s) {
            if (s.error().code != ErrorCode::EndOfFile)
                rows.append(-1000 - s.error().number());
            return rows;
        }
        rows.append(getShort(f.record(), 13));
    }
}

QList<qint32> readIds(KeyedFile &f, bool forward = true)
{
    QList<qint32> ids;
    while (forward ? f.next() : f.previous())
        ids.append(getLong(f.record(), 0));
    return ids;
}

} // namespace

class TestKeyedFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // A report file with the given rows, each added as it stands.
    void makeReports(const QList<Report> &rows)
    {
        QVERIFY(KeyedFile::create(m_path, reportLayout()));
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        QVERIFY(f.begin());
        for (int i = 0; i < rows.size(); ++i) {
            f.record() = reportRecord(rows[i], i + 1);
            QVERIFY2(f.add(), qPrintable(f.lastError().message));
        }
        QVERIFY(f.commit());
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        static int n = 0;
        m_path = m_dir.filePath(QStringLiteral("F%1.dat").arg(++n));
        KeyedFile::setShareWait(std::chrono::milliseconds(200));
    }

    // --- the order of encoded keys

    void keyOrder_data()
    {
        // One layout with a field of every type and a key on each.
        QTest::addColumn<int>("key");
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<int>("order"); // sign of a <=> b

        const RecordLayout l = orderLayout();
        auto rec = [&](const std::function<void(QByteArray &)> &fill) {
            QByteArray r = l.clearedRecord();
            fill(r);
            return r;
        };
        auto byte = [&](int v) { return rec([=](QByteArray &r) { putByte(r, 0, v); }); };
        auto shortV = [&](int v) { return rec([=](QByteArray &r) { putShort(r, 1, v); }); };
        auto longV = [&](qint64 v) { return rec([=](QByteArray &r) { putLong(r, 3, v); }); };
        auto real = [&](double v) { return rec([=](QByteArray &r) { putReal(r, 7, v); }); };
        auto dec = [&](qint64 units, int sign = 0xD) {
            return rec([=](QByteArray &r) { putPacked(r, 15, 9, units, sign); });
        };
        auto str = [&](const QByteArray &s) {
            return rec([=](QByteArray &r) { putString(r, 24, 6, s); });
        };
        auto pair = [&](const QByteArray &s, int v) {
            return rec([=](QByteArray &r) {
                putString(r, 24, 6, s);
                putByte(r, 0, v);
            });
        };

        QTest::newRow("byte is unsigned") << 0 << byte(1) << byte(200) << -1;
        QTest::newRow("short negative below zero") << 1 << shortV(-1) << shortV(0) << -1;
        QTest::newRow("short extremes") << 1 << shortV(-32768) << shortV(32767) << -1;
        QTest::newRow("long negative below positive") << 2 << longV(-5) << longV(3) << -1;
        QTest::newRow("long extremes") << 2 << longV(std::numeric_limits<qint32>::min())
                                       << longV(std::numeric_limits<qint32>::max()) << -1;
        QTest::newRow("real negatives") << 3 << real(-1.5) << real(-0.5) << -1;
        QTest::newRow("real -0 is 0") << 3 << real(-0.0) << real(0.0) << 0;
        QTest::newRow("real fraction") << 3 << real(0.25) << real(2.0) << -1;
        QTest::newRow("decimal -0.001 below 0") << 4 << dec(-1) << dec(0) << -1;
        QTest::newRow("decimal -0 is 0")
            << 4 << rec([](QByteArray &r) { r[15] = '\xD0'; }) << dec(0) << 0;
        QTest::newRow("decimal -2 below -1") << 4 << dec(-2000) << dec(-1000) << -1;
        QTest::newRow("decimal any sign is negative") << 4 << dec(-5, 0x1) << dec(-5, 0xF) << 0;
        QTest::newRow("decimal largest")
            << 4 << dec(99999999999999998LL) << dec(99999999999999999LL) << -1;
        QTest::newRow("decimal most negative") << 4 << dec(-99999999999999999LL) << dec(-1) << -1;
        QTest::newRow("string trailing blanks") << 5 << str("AB") << str("AB    ") << 0;
        QTest::newRow("string prefix first") << 5 << str("AB") << str("AB\x01") << -1;
        QTest::newRow("string control before letter") << 5 << str("AB\x01") << str("ABC") << -1;
        QTest::newRow("string zero byte kept") << 5 << str(QByteArray("A\0", 2)) << str("A") << 1;
        QTest::newRow("string case matters") << 5 << str("B") << str("a") << -1;
        QTest::newRow("string cp1251 above ascii") << 5 << str("Z") << str(cp("А")) << -1;
        QTest::newRow("folded latin") << 6 << str("abc") << str("ABC") << 0;
        QTest::newRow("folded cyrillic") << 6 << str(cp("иванов")) << str(cp("ИВАНОВ")) << 0;
        QTest::newRow("folded yo") << 6 << str(cp("ёж")) << str(cp("ЁЖ")) << 0;
        QTest::newRow("folded order") << 6 << str(cp("а")) << str(cp("Б")) << -1;
        QTest::newRow("string prefix in composite") << 7 << pair("A", 200) << pair("AB", 1) << -1;
        QTest::newRow("composite second component") << 7 << pair("AB", 1) << pair("AB  ", 2) << -1;
    }

    void keyOrder()
    {
        QFETCH(int, key);
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(int, order);
        const KeyEncoding encoding(orderLayout(), key);
        QByteArray ka, kb;
        QVERIFY(encoding.encode(a.constData(), -1, ka));
        QVERIFY(encoding.encode(b.constData(), -1, kb));
        const int c = std::memcmp(ka.constData(), kb.constData(), std::min(ka.size(), kb.size()));
        const int sign = c != 0 ? (c < 0 ? -1 : 1)
                                : (ka.size() < kb.size()   ? -1
                                   : ka.size() > kb.size() ? 1
                                                           : 0);
        QCOMPARE(sign, order);
    }

    void invalidPackedDigitRefused()
    {
        QByteArray r = orderLayout().clearedRecord();
        r[16] = '\x0A'; // a digit half-byte of 10
        QByteArray out;
        const auto s = KeyEncoding(orderLayout(), 4).encode(r.constData(), -1, out);
        QVERIFY(!s);
        QCOMPARE(s.error().code, ErrorCode::InvalidData);

        makeReports({});
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        f.record() = reportRecord({1, 10, 1000, 1, 1, 5});
        f.record()[6] = '\xB0'; // in OTC:CODTAB, a key component
        auto added = f.add();
        QVERIFY(!added);
        QCOMPARE(added.error().code, ErrorCode::InvalidData);
        QCOMPARE(*f.records(), 0);

        f.record() = reportRecord({1, 10, 1000, 1, 1, 5});
        QVERIFY(f.add());
        QVERIFY(f.getByPosition(f.position()));
        f.record()[5] = '\x0C';
        auto put = f.put();
        QVERIFY(!put);
        QCOMPARE(put.error().code, ErrorCode::InvalidData);
        f.record() = reportRecord({1, 10, 1000, 1, 1, 5});
        QVERIFY(f.get(KeyCodUch));
        QCOMPARE(static_cast<unsigned char>(f.record()[6]), 0x10u);
    }

    // --- the file as a whole

    void createAndOpen()
    {
        KeyedFile f(reportLayout());
        QCOMPARE(KeyedFile::create(QStringLiteral("   "), reportLayout()).error().code,
                 ErrorCode::InvalidName);
        QCOMPARE(KeyedFile::create(path("missing/F.dat"), reportLayout()).error().code,
                 ErrorCode::FileNotFound);
        QVERIFY(!QFile::exists(path("missing")));
        QCOMPARE(f.open(QString()).error().code, ErrorCode::InvalidName);
        QCOMPARE(f.open(m_path).error().code, ErrorCode::FileNotFound);
        QCOMPARE(f.lastError().code, ErrorCode::FileNotFound);
        QVERIFY(!QFile::exists(m_path)); // opening never creates

        QVERIFY(KeyedFile::create(m_path, reportLayout()));
        QVERIFY(f.open(m_path));
        f.record() = reportRecord({1, 10, 1000, 1, 1, 5});
        QVERIFY(f.add());
        f.close();
        QVERIFY(!f.isOpen());

        // Creating again leaves the file as it is.
        QVERIFY(KeyedFile::create(m_path, reportLayout()));
        QVERIFY(f.open(m_path));
        QCOMPARE(*f.records(), 1);
        f.close();

        // What a person sees with the sqlite3 shell.
        Raw raw(m_path);
        const auto data = raw.column("SELECT data FROM records");
        QCOMPARE(data.size(), 1);
        QCOMPARE(data.first(), reportRecord({1, 10, 1000, 1, 1, 5}));
        QCOMPARE(raw.column("PRAGMA journal_mode").value(0), QByteArray("delete"));
        QCOMPARE(raw.column("SELECT value FROM meta WHERE name = 'label'").value(0),
                 QByteArray("otchet"));
        QVERIFY(QDir(m_dir.path())
                    .entryList(QDir::Hidden | QDir::Files)
                    .filter(QStringLiteral(".new-"))
                    .isEmpty());
    }

    void removeFile()
    {
        QCOMPARE(KeyedFile::remove(path("nothing.dat")).error().code, ErrorCode::FileNotFound);
        QVERIFY(KeyedFile::create(m_path, reportLayout()));
        {
            KeyedFile f(reportLayout());
            QVERIFY(f.open(m_path, Access::ReadOnly));
            QCOMPARE(KeyedFile::remove(m_path).error().code, ErrorCode::AccessDenied);
            QVERIFY(QFile::exists(m_path));
        }
        QVERIFY(KeyedFile::remove(m_path));
        QVERIFY(!QFile::exists(m_path));
    }

    void closedHandleAnswersFileNotOpen()
    {
        QVERIFY(KeyedFile::create(m_path, reportLayout()));
        const QList<std::pair<const char *, std::function<Status(KeyedFile &)>>> operations = {
            {"get", [](KeyedFile &f) { return f.get(0); }},
            {"set", [](KeyedFile &f) { return f.set(0, 1); }},
            {"setEnd", [](KeyedFile &f) { return f.setEnd(0); }},
            {"setPhysical", [](KeyedFile &f) { return f.setPhysical(); }},
            {"next", [](KeyedFile &f) { return f.next(); }},
            {"previous", [](KeyedFile &f) { return f.previous(); }},
            {"getByPosition", [](KeyedFile &f) { return f.getByPosition(1); }},
            {"records",
             [](KeyedFile &f) {
                 return f.records() ? Status{} : std::unexpected(f.records().error());
             }},
            {"add", [](KeyedFile &f) { return f.add(); }},
            {"put", [](KeyedFile &f) { return f.put(); }},
            {"erase", [](KeyedFile &f) { return f.erase(); }},
            {"nextAutoNumber",
             [](KeyedFile &f) {
                 auto n = f.nextAutoNumber(0);
                 return n ? Status{} : std::unexpected(n.error());
             }},
            {"rebuildKeys", [](KeyedFile &f) { return f.rebuildKeys(); }},
            {"begin", [](KeyedFile &f) { return f.begin(); }},
            {"commit", [](KeyedFile &f) { return f.commit(); }},
            {"rollback", [](KeyedFile &f) { return f.rollback(); }},
            {"setMaxPageCount", [](KeyedFile &f) { return f.setMaxPageCount(10); }},
        };
        KeyedFile never(reportLayout());
        KeyedFile closed(reportLayout());
        QVERIFY(closed.open(m_path));
        closed.record() = reportRecord({1, 10, 1000, 1, 1, 5});
        QVERIFY(closed.add());
        QVERIFY(closed.setPhysical());
        closed.close();
        KeyedFile failed(reportLayout());
        QVERIFY(!failed.open(path("absent.dat")));
        for (KeyedFile *f : {&never, &closed, &failed}) {
            for (const auto &[name, op] : operations) {
                const Status s = op(*f);
                QVERIFY2(!s, name);
                QVERIFY2(s.error().code == ErrorCode::FileNotOpen, name);
            }
            QCOMPARE(f->position(), 0);
        }
    }

    void layoutMismatch()
    {
        QVERIFY(KeyedFile::create(m_path, reportLayout()));
        RecordLayout moved = reportLayout();
        moved.fields[UniCodStr].offset = 12; // one byte off
        moved.fields[Tip].offset = 14;
        RecordLayout otherKey = reportLayout();
        otherKey.keys[KeyCodReg].unique = true;
        for (const RecordLayout &l : {moved, otherKey, catalogueLayout()}) {
            KeyedFile f(l);
            const auto s = f.open(m_path);
            QVERIFY(!s);
            QCOMPARE(s.error().code, ErrorCode::LayoutMismatch);
            QVERIFY(!f.isOpen());
        }
    }

    void damagedFile_data()
    {
        QTest::addColumn<QByteArray>("damage");
        QTest::newRow("garbage") << QByteArray("garbage");
        QTest::newRow("empty file") << QByteArray("empty");
        QTest::newRow("database of another program") << QByteArray("foreign");
        QTest::newRow("truncated") << QByteArray("truncated");
        QTest::newRow("header overwritten") << QByteArray("header");
    }

    void damagedFile()
    {
        QFETCH(QByteArray, damage);
        QList<Report> rows;
        for (int i = 0; i < 3000; ++i)
            rows.append({1, i, 1000, 1, 1, static_cast<qint16>(i % 100)});
        makeReports(rows);
        {
            QFile file(m_path);
            if (damage == "garbage") {
                QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
                QByteArray junk(70000, '\0');
                for (int i = 0; i < junk.size(); ++i)
                    junk[i] = static_cast<char>((i * 7919) % 251);
                file.write(junk);
            } else if (damage == "empty") {
                QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            } else if (damage == "foreign") {
                QVERIFY(file.remove());
            } else if (damage == "truncated") {
                QVERIFY(file.resize(file.size() * 2 / 5));
            } else if (damage == "header") {
                QVERIFY(file.open(QIODevice::ReadWrite));
                file.write(QByteArray(100, 'x'));
            }
        }
        if (damage == "foreign") {
            sqlite3 *db = nullptr;
            sqlite3_open(QFile::encodeName(m_path).constData(), &db);
            sqlite3_exec(db, "CREATE TABLE other(x); INSERT INTO other VALUES(1);", nullptr,
                         nullptr, nullptr);
            sqlite3_close(db);
        }

        KeyedFile f(reportLayout());
        auto opened = f.open(m_path);
        if (!opened) {
            QCOMPARE(opened.error().code, ErrorCode::DamagedFile);
            return;
        }
        // Damage further in shows when the pages are read, as an error.
        QVERIFY(f.setEnd(KeyCodUch));
        Status s;
        int read = 0;
        while ((s = f.previous()))
            ++read;
        QVERIFY(s.error().code == ErrorCode::KeyFileMustBeRebuilt ||
                s.error().code == ErrorCode::DamagedFile);
        QVERIFY(read < 3000);
    }

    // --- keys

    void uniqueKeyRefusesDuplicate()
    {
        makeReports({{1, 10, 1000, 3, 1, 5}});
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        f.record() = reportRecord({2, 10, 2000, 3, 1, 5}, 7); // same month, institution, row
        const auto s = f.add();
        QVERIFY(!s);
        QCOMPARE(s.error().number(), 40);
        QVERIFY(s.error().where.contains(QStringLiteral("OTC:KEYCODUCH")));
        QCOMPARE(*f.records(), 1);
        f.record() = reportRecord({2, 10, 2000, 4, 1, 5}, 7); // another month is another report
        QVERIFY(f.add());
        QCOMPARE(*f.records(), 2);
    }

    void duplicatesKeepInsertionOrder()
    {
        // Many records of one district and row: more than one batch of read-ahead.
        QList<Report> rows;
        for (int i = 0; i < 700; ++i)
            rows.append({7, (i * 37) % 700 + 1, 1000, 1, 1, 3});
        rows.append({7, 5000, 1000, 1, 1, 2});
        rows.append({7, 6000, 1000, 1, 1, 4});
        makeReports(rows);
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));

        QList<qint32> expected;
        expected.append(5000);
        for (int i = 0; i < 700; ++i)
            expected.append((i * 37) % 700 + 1);
        expected.append(6000);
        QVERIFY(f.set(KeyCodReg, 0));
        QList<qint32> forward;
        while (f.next())
            forward.append(getLong(f.record(), 1));
        QCOMPARE(forward, expected);

        QVERIFY(f.setEnd(KeyCodReg));
        QList<qint32> backward;
        while (f.previous())
            backward.prepend(getLong(f.record(), 1));
        QCOMPARE(backward, expected);

        f.record() = reportRecord({7, 0, 0, 0, 0, 3});
        QVERIFY(f.get(KeyCodReg));
        QCOMPARE(getLong(f.record(), 1), expected[1]);
    }

    void scopedScans_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("components");
        QTest::addColumn<QByteArray>("from"); // a report record giving the key values
        QTest::addColumn<bool>("fromEnd");    // setEnd + previous
        QTest::addColumn<QList<int>>("rows");

        // mes, coduch, unicodstr as laid out by reports() below
        auto at = [](int codUch, int codTab, int mes, int row) {
            return reportRecord({1, codUch, codTab, mes, 1, static_cast<qint16>(row)});
        };
        QTest::newRow("one report")
            << int(KeyCodUch) << 2 << at(20, 0, 3, 0) << false << QList<int>{1, 2, 3};
        QTest::newRow("one report backward")
            << int(KeyCodUch) << 2 << at(20, 0, 3, 0) << true << QList<int>{3, 2, 1};
        QTest::newRow("one report from its second row")
            << int(KeyCodUch) << 3 << at(20, 0, 3, 2) << false << QList<int>{2};
        QTest::newRow("one report's table")
            << int(KeyCodTab) << 2 << at(20, 2000, 0, 0) << false << QList<int>{2, 2, 3, 3};
        QTest::newRow("no such report")
            << int(KeyCodUch) << 2 << at(25, 0, 3, 0) << false << QList<int>{};
        QTest::newRow("no such report backward")
            << int(KeyCodUch) << 2 << at(25, 0, 3, 0) << true << QList<int>{};
        QTest::newRow("unscoped from a key")
            << int(KeyCodUch) << -1 << at(30, 0, 4, 2) << false << QList<int>{2, 3};
        QTest::newRow("unscoped to a key")
            << int(KeyCodUch) << -1 << at(10, 0, 3, 2) << true << QList<int>{2, 1};
        QTest::newRow("whole key") << int(KeyCodStr) << 0 << at(0, 0, 0, 0) << false
                                   << QList<int>{1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3};
        QTest::newRow("whole key backward") << int(KeyCodStr) << 0 << at(0, 0, 0, 0) << true
                                            << QList<int>{3, 3, 3, 3, 2, 2, 2, 2, 1, 1, 1, 1};
        QTest::newRow("one row over periods")
            << int(KeyCodStr) << 1 << at(0, 0, 0, 2) << false << QList<int>{2, 2, 2, 2};
    }

    void scopedScans()
    {
        QFETCH(int, key);
        QFETCH(int, components);
        QFETCH(QByteArray, from);
        QFETCH(bool, fromEnd);
        QFETCH(QList<int>, rows);
        // Institutions 10, 20 (months 3, 4) and 30 (month 4); rows 1 in table 1000, 2 and 3 in
        // table 2000. Added out of order.
        QList<Report> reports;
        for (int row : {3, 1, 2}) {
            for (auto [uch, mes] : {std::pair{20, 4}, {10, 3}, {30, 4}, {20, 3}})
                reports.append({1, uch, row == 1 ? 1000 : 2000, mes, 1, static_cast<qint16>(row)});
        }
        makeReports(reports);
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        f.record() = from;
        QVERIFY(fromEnd ? f.setEnd(key, components) : f.set(key, components));
        QCOMPARE(readRows(f, !fromEnd), rows);
        // Running off the end again stays at the end.
        QCOMPARE((fromEnd ? f.previous() : f.next()).error().code, ErrorCode::EndOfFile);
    }

    void turningRound()
    {
        makeReports({{1, 1, 1000, 1, 1, 1}, {1, 2, 1000, 1, 1, 1}, {1, 3, 1000, 1, 1, 1}});
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        f.clearRecord();
        QVERIFY(f.set(KeyCodTab, 0));
        QVERIFY(f.next());
        QVERIFY(f.next());
        QCOMPARE(getLong(f.record(), 1), 2);
        QVERIFY(f.previous());
        QCOMPARE(getLong(f.record(), 1), 1);
        QCOMPARE(f.previous().error().code, ErrorCode::EndOfFile);
        QVERIFY(f.next()); // from before the first
        QCOMPARE(getLong(f.record(), 1), 1);
        while (f.next()) {
        }
        QVERIFY(f.previous()); // from after the last
        QCOMPARE(getLong(f.record(), 1), 3);
        // Without a positioned scan there is nothing to read on from.
        KeyedFile g(reportLayout());
        QVERIFY(g.open(m_path, Access::ReadOnly));
        QCOMPARE(g.next().error().code, ErrorCode::InvalidArgument);
    }

    void scanOutlivesRecordDeletedElsewhere()
    {
        // Another handle deletes the record this scan stands on; turning round and going on
        // still take its neighbours.
        QList<Report> rows;
        for (int i = 1; i <= 5; ++i)
            rows.append({1, i, 1000, 1, 1, 1});
        makeReports(rows);
        KeyedFile f(reportLayout());
        KeyedFile other(reportLayout());
        QVERIFY(f.open(m_path));
        QVERIFY(other.open(m_path));
        f.clearRecord();
        QVERIFY(f.set(KeyCodTab, 0));
        QVERIFY(f.next());
        QVERIFY(f.next());
        QCOMPARE(getLong(f.record(), 1), 2);
        other.record() = reportRecord({1, 2, 1000, 1, 1, 1});
        QVERIFY(other.get(KeyCodUch));
        QVERIFY(other.erase());
        QVERIFY(f.previous());
        QCOMPARE(getLong(f.record(), 1), 1);
        QVERIFY(f.next());
        QCOMPARE(getLong(f.record(), 1), 3);
    }

    void negativeDecimalsInKeyOrder()
    {
        // OTC:CODTAB carries the order of signed decimal values; -0 and 0 are one value.
        QList<Report> rows;
        const QList<int> codes = {5, -3, 0, 120, -1, 0, 99999};
        for (int i = 0; i < codes.size(); ++i)
            rows.append({1, 10, codes[i], 1, 1, static_cast<qint16>(i + 1)});
        makeReports(rows);
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        // Make the first zero a -0 (sign half-byte set, digits zero).
        f.record() = reportRecord({1, 10, 0, 1, 1, 3});
        QVERIFY(f.get(KeyCodUch));
        f.record()[5] = '\xB0';
        QVERIFY(f.put());

        f.record() = reportRecord({1, 10, 0, 0, 0, 0});
        QVERIFY(f.set(KeyCodTab, 1));
        QCOMPARE(readRows(f), (QList<int>{2, 5, 3, 6, 1, 4, 7}));
        f.record() = reportRecord({1, 10, 0, 0, 0, 6});
        QVERIFY(f.set(KeyCodTab, 2)); // +0 finds -0 as well
        QCOMPARE(readRows(f), (QList<int>{3, 6}));
    }

    void blankValuesLeftOut()
    {
        QVERIFY(KeyedFile::create(m_path, catalogueLayout()));
        KeyedFile f(catalogueLayout());
        QVERIFY(f.open(m_path));
        f.record() = catalogueRecord(1, "Beta", 1, 1);
        QVERIFY(f.add());
        f.record() = catalogueRecord(2, "   ", 0, 0); // blank name, blank code
        QVERIFY(f.add());
        f.record() = catalogueRecord(3, "", 0, 0); // a second blank code is no duplicate
        QVERIFY(f.add());
        f.record() = catalogueRecord(0, "Alpha", 2, 0); // blank id
        QVERIFY(f.add());

        f.clearRecord();
        QVERIFY(f.set(KeyName, 0));
        QCOMPARE(readIds(f), (QList<qint32>{0, 1}));
        QVERIFY(f.setEnd(KeyCode));
        QCOMPARE(readIds(f, false), (QList<qint32>{0, 1}));
        QVERIFY(f.set(KeyId, 0));
        QCOMPARE(readIds(f), (QList<qint32>{1, 2, 3}));
        QVERIFY(f.setPhysical());
        QCOMPARE(readIds(f), (QList<qint32>{1, 2, 3, 0}));

        f.record() = catalogueRecord(9, "", 0, 0);
        QCOMPARE(f.get(KeyName).error().code, ErrorCode::RecordNotFound);
        QCOMPARE(f.get(KeyCode).error().code, ErrorCode::RecordNotFound);
        f.record() = catalogueRecord(0, "x");
        QCOMPARE(f.get(KeyId).error().code, ErrorCode::RecordNotFound);

        // A record that becomes blank leaves the key, and comes back when it is not blank.
        f.record() = catalogueRecord(1, "");
        QVERIFY(f.get(KeyId));
        putString(f.record(), 4, 20, "");
        QVERIFY(f.put());
        f.clearRecord();
        QVERIFY(f.set(KeyName, 0));
        QCOMPARE(readIds(f), (QList<qint32>{0}));
    }

    void caseInsensitiveCyrillic()
    {
        QVERIFY(KeyedFile::create(m_path, catalogueLayout()));
        KeyedFile f(catalogueLayout());
        QVERIFY(f.open(m_path));
        const QList<QByteArray> names = {cp("иванов"), cp("Ёлкин"), cp("ИВАНОВ"), cp("Абрамов"),
                                         cp("ёлкин"),  cp("Zeta"),  cp("бобров")};
        for (int i = 0; i < names.size(); ++i) {
            f.record() = catalogueRecord(i + 1, names[i], i + 1);
            QVERIFY(f.add());
        }
        f.record() = catalogueRecord(0, cp("ИвАнОв   "));
        QVERIFY(f.get(KeyName));
        QCOMPARE(getLong(f.record(), 0), 1); // the first of the two in insertion order
        f.record() = catalogueRecord(0, cp("ЁЛКИН"));
        QVERIFY(f.set(KeyName, 1));
        QCOMPARE(readIds(f), (QList<qint32>{2, 5}));
        // Upper-case Windows-1251 order: Latin, then Ё (0xA8), then А..Я.
        f.clearRecord();
        QVERIFY(f.set(KeyName, 0));
        QCOMPARE(readIds(f), (QList<qint32>{6, 2, 5, 4, 7, 1, 3}));
    }

    void textObjectTravelsWithRecord()
    {
        QVERIFY(KeyedFile::create(m_path, catalogueLayout()));
        KeyedFile f(catalogueLayout());
        QVERIFY(f.open(m_path));
        f.record() = catalogueRecord(1, "one");
        f.textObject() = QByteArray(100, 'n'); // longer than the 64 allowed
        QVERIFY(f.add());
        f.record() = catalogueRecord(2, "two");
        f.textObject().clear();
        QVERIFY(f.add());

        f.record() = catalogueRecord(1, "");
        QVERIFY(f.get(KeyId));
        QCOMPARE(f.textObject(), QByteArray(64, 'n'));
        f.textObject() = "changed";
        QVERIFY(f.put());
        QVERIFY(f.setPhysical());
        QVERIFY(f.next());
        QCOMPARE(f.textObject(), QByteArray("changed"));
        QVERIFY(f.next());
        QCOMPARE(f.textObject(), QByteArray());
    }

    // --- writing

    void eraseDuringScan_data()
    {
        QTest::addColumn<bool>("forward");
        QTest::addColumn<bool>("physical");
        QTest::newRow("forward by key") << true << false;
        QTest::newRow("backward by key") << false << false;
        QTest::newRow("physical") << true << true;
    }

    void eraseDuringScan()
    {
        QFETCH(bool, forward);
        QFETCH(bool, physical);
        // One group of 600 duplicates in KEYCODREG, so that erasing crosses read-ahead batches.
        QList<Report> rows;
        for (int i = 0; i < 600; ++i)
            rows.append({4, i, 1000, 1, 1, 9});
        makeReports(rows);
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        f.clearRecord();
        if (physical)
            QVERIFY(f.setPhysical());
        else
            QVERIFY(forward ? f.set(KeyCodReg, 0) : f.setEnd(KeyCodReg));
        QList<qint32> seen;
        QVERIFY(f.begin()); // one sync instead of 400
        while (forward ? f.next() : f.previous()) {
            const qint32 uch = getLong(f.record(), 1);
            seen.append(uch);
            if (uch % 3 != 0)
                QVERIFY(f.erase());
        }
        QVERIFY(f.commit());
        QCOMPARE(seen.size(), 600);
        for (int i = 0; i < 600; ++i)
            QCOMPARE(seen[i], forward ? i : 599 - i);
        QCOMPARE(*f.records(), 200);
        QVERIFY(f.getByPosition(1));
        QVERIFY(f.erase());
        QCOMPARE(f.erase().error().code, ErrorCode::NoCurrentRecord);
    }

    void putRecordLastRead()
    {
        makeReports({{1, 10, 1000, 1, 1, 1}, {1, 10, 1000, 1, 1, 2}, {1, 10, 1000, 1, 1, 3}});
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        QCOMPARE(f.put().error().code, ErrorCode::NoCurrentRecord);

        // Every record of a scan changed on the way: each is met once.
        f.clearRecord();
        QVERIFY(f.set(KeyCodStr, 0));
        int visits = 0;
        while (f.next()) {
            ++visits;
            putPacked(f.record(), 15, 9, -1); // value 1 becomes -0.001
            QVERIFY(f.put());
        }
        QCOMPARE(visits, 3);

        // A put that would break a unique key is refused and changes nothing.
        f.record() = reportRecord({1, 10, 1000, 1, 1, 2});
        QVERIFY(f.get(KeyCodUch));
        const qint64 at = f.position();
        putShort(f.record(), 13, 3);
        QCOMPARE(f.put().error().code, ErrorCode::DuplicateKey);
        QVERIFY(f.getByPosition(at));
        QCOMPARE(getShort(f.record(), 13), 2);
        QCOMPARE(static_cast<unsigned char>(f.record()[15]), 0xD0u);
        QCOMPARE(static_cast<unsigned char>(f.record()[23]), 0x01u);

        // A put that moves the record in the scan's key: the scan goes on from its new place.
        f.record() = reportRecord({1, 10, 1000, 1, 1, 0});
        QVERIFY(f.set(KeyCodStr, 0));
        QVERIFY(f.next());
        QCOMPARE(getShort(f.record(), 13), 1);
        putShort(f.record(), 13, 7);
        QVERIFY(f.put());
        QCOMPARE(readRows(f), QList<int>{});
        QVERIFY(f.previous());
        QCOMPARE(getShort(f.record(), 13), 7);

        // A record buffer of the wrong size is never written.
        f.record().chop(1);
        QCOMPARE(f.put().error().code, ErrorCode::InvalidArgument);
        QCOMPARE(f.add().error().code, ErrorCode::InvalidArgument);
    }

    void positions()
    {
        makeReports({{1, 1, 1000, 1, 1, 1}, {1, 2, 1000, 1, 1, 1}, {1, 3, 1000, 1, 1, 1}});
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        QCOMPARE(f.position(), 0);
        QCOMPARE(*f.records(), 3);
        f.record() = reportRecord({1, 3, 1000, 1, 1, 1});
        QVERIFY(f.get(KeyCodUch));
        const qint64 third = f.position();
        f.record() = reportRecord({1, 1, 1000, 1, 1, 1});
        QVERIFY(f.get(KeyCodUch));
        QVERIFY(f.erase());
        f.clearRecord();
        QVERIFY(f.getByPosition(third));
        QCOMPARE(getLong(f.record(), 1), 3);
        QCOMPARE(f.position(), third);
        QCOMPARE(f.getByPosition(third + 100).error().code, ErrorCode::RecordNotFound);
        QCOMPARE(*f.records(), 2);
        // A lookup does not move a scan.
        QVERIFY(f.setPhysical());
        QVERIFY(f.next());
        QCOMPARE(getLong(f.record(), 1), 2);
        f.record() = reportRecord({1, 2, 1000, 1, 1, 1});
        QVERIFY(f.getByPosition(third));
        QVERIFY(f.next()); // on from the record the scan read last
        QCOMPARE(getLong(f.record(), 1), 3);
        QCOMPARE(f.next().error().code, ErrorCode::EndOfFile);
    }

    void autoNumber()
    {
        QVERIFY(KeyedFile::create(m_path, catalogueLayout()));
        KeyedFile f(catalogueLayout());
        QVERIFY(f.open(m_path));
        QCOMPARE(*f.nextAutoNumber(KeyId), 1);
        for (qint32 id : {5, 2, 9}) {
            f.record() = catalogueRecord(id, "x", id);
            QVERIFY(f.add());
        }
        QCOMPARE(*f.nextAutoNumber(KeyId), 10);
        QVERIFY(f.begin());
        const qint64 n = *f.nextAutoNumber(KeyId);
        f.record() = catalogueRecord(static_cast<qint32>(n), "y", 11);
        QVERIFY(f.add());
        QVERIFY(f.commit());
        QCOMPARE(*f.nextAutoNumber(KeyId), 11);
        // The numbered key's code component works too; a full field is an overflow.
        QCOMPARE(*f.nextAutoNumber(KeyCode), 12);
        f.record() = catalogueRecord(std::numeric_limits<qint32>::max(), "z", 999);
        QVERIFY(f.add());
        QCOMPARE(f.nextAutoNumber(KeyId).error().code, ErrorCode::Overflow);
        QCOMPARE(f.nextAutoNumber(KeyCode).error().code, ErrorCode::Overflow);
        QCOMPARE(f.nextAutoNumber(KeyName).error().code, ErrorCode::InvalidArgument);
    }

    void transactions()
    {
        makeReports({});
        {
            KeyedFile f(reportLayout());
            KeyedFile other(reportLayout());
            QVERIFY(f.open(m_path));
            QVERIFY(other.open(m_path, Access::ReadOnly));
            QCOMPARE(f.commit().error().code, ErrorCode::InvalidArgument);
            QVERIFY(f.begin());
            QCOMPARE(f.begin().error().code, ErrorCode::InvalidArgument);
            for (int i = 1; i <= 3; ++i) {
                f.record() = reportRecord({1, i, 1000, 1, 1, 1});
                QVERIFY(f.add());
            }
            QCOMPARE(*f.records(), 3);
            QCOMPARE(*other.records(), 0); // not before the commit
            QVERIFY(f.rollback());
            QCOMPARE(*f.records(), 0);
            QVERIFY(f.begin());
            f.record() = reportRecord({1, 1, 1000, 1, 1, 1});
            QVERIFY(f.add());
            QVERIFY(f.commit());
            QCOMPARE(*other.records(), 1);
            QVERIFY(!f.inTransaction());

            // A reader cannot write.
            other.record() = reportRecord({1, 2, 1000, 1, 1, 1});
            QCOMPARE(other.add().error().code, ErrorCode::AccessDenied);
            QCOMPARE(other.begin().error().code, ErrorCode::AccessDenied);

            // An open transaction is rolled back when the handle goes.
            QVERIFY(f.begin());
            f.record() = reportRecord({1, 3, 1000, 1, 1, 1});
            QVERIFY(f.add());
        }
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        QCOMPARE(*f.records(), 1);
    }

    void diskFullKeepsEarlierData()
    {
        QList<Report> rows;
        for (int i = 0; i < 50; ++i)
            rows.append({1, i, 1000, 1, 1, 1});
        makeReports(rows);
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        QVERIFY(f.setMaxPageCount(1)); // no more pages than the file has now
        QVERIFY(f.begin());
        Status s;
        for (int i = 50; i < 5000 && s; ++i) {
            f.record() = reportRecord({1, i, 1000, 1, 1, 1});
            s = f.add();
        }
        QVERIFY(!s);
        QCOMPARE(s.error().code, ErrorCode::DiskFull);
        if (f.inTransaction())
            QVERIFY(f.rollback());
        f.close();

        QVERIFY(f.open(m_path));
        QCOMPARE(*f.records(), 50);
        f.clearRecord();
        QVERIFY(f.set(KeyCodTab, 0));
        QList<qint32> uch;
        while (f.next())
            uch.append(getLong(f.record(), 1));
        QCOMPARE(uch.size(), 50);
        QCOMPARE(uch.last(), 49);
    }

    // --- key rebuilding

    void rebuildRecomputesKeys()
    {
        makeReports({{1, 10, 1000, 1, 1, 1}, {1, 20, 1000, 1, 1, 1}});
        // Change a record's bytes behind the keys' back.
        {
            Raw raw(m_path);
            QVERIFY(raw.setData(1, reportRecord({1, 30, 1000, 1, 1, 1})));
        }
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        f.record() = reportRecord({1, 30, 1000, 1, 1, 1});
        QCOMPARE(f.get(KeyCodUch).error().code, ErrorCode::RecordNotFound);
        QCOMPARE(f.rebuildKeys().error().code, ErrorCode::AccessDenied); // not exclusive
        f.close();

        QVERIFY(f.open(m_path, Access::ReadWrite, Share::Exclusive));
        QVERIFY(f.rebuildKeys());
        f.record() = reportRecord({1, 30, 1000, 1, 1, 1});
        QVERIFY(f.get(KeyCodUch));
        QCOMPARE(f.position(), 1);
        f.record() = reportRecord({1, 10, 1000, 1, 1, 1});
        QCOMPARE(f.get(KeyCodUch).error().code, ErrorCode::RecordNotFound);

        // Records that break a unique key: refused, and nothing changes.
        f.close();
        {
            Raw raw(m_path);
            QVERIFY(raw.setData(2, reportRecord({1, 30, 1000, 1, 1, 1})));
        }
        QVERIFY(f.open(m_path, Access::ReadWrite, Share::Exclusive));
        const auto s = f.rebuildKeys();
        QCOMPARE(s.error().code, ErrorCode::DuplicateKey);
        QVERIFY(s.error().where.contains(QStringLiteral("OTC:KEYCODUCH")));
        f.record() = reportRecord({1, 20, 1000, 1, 1, 1});
        QVERIFY(f.get(KeyCodUch)); // the old key still stands
        QCOMPARE(f.position(), 2);
    }

    void rebuildRepairsDamagedIndex()
    {
        QList<Report> rows;
        for (int i = 0; i < 4000; ++i)
            rows.append({static_cast<int>(i % 50), i, 1000 + i % 7, i % 12, 1,
                         static_cast<qint16>(i % 300)});
        makeReports(rows);
        QList<QByteArray> pages;
        {
            Raw raw(m_path);
            pages =
                raw.column("SELECT pageno FROM dbstat WHERE name = 'key1' AND pagetype = 'leaf'");
        }
        if (pages.isEmpty())
            QSKIP("this SQLite has no dbstat table");
        {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            for (int i = 0; i < 3 && i < pages.size(); ++i) {
                const qint64 page = QByteArray(pages[i]).toLongLong();
                QVERIFY(file.seek((page - 1) * 4096));
                file.write(QByteArray(4096, '\x5A'));
            }
        }
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path, Access::ReadWrite, Share::Exclusive));
        f.clearRecord();
        QVERIFY(f.set(KeyCodUch, 0));
        Status s;
        while ((s = f.next())) {
        }
        QCOMPARE(s.error().code, ErrorCode::KeyFileMustBeRebuilt);
        QCOMPARE(s.error().number(), 46);

        QVERIFY2(f.rebuildKeys(), qPrintable(f.lastError().message));
        QCOMPARE(*f.records(), 4000);
        QVERIFY(f.set(KeyCodUch, 0));
        int n = 0;
        while (f.next())
            ++n;
        QCOMPARE(n, 4000);
        f.record() = reportRecord({0, 1234, 0, 1234 % 12, 0, 1234 % 300});
        QVERIFY(f.get(KeyCodUch));
        QCOMPARE(f.position(), 1235); // positions survive the rebuild
        f.close();
        Raw raw(m_path);
        QCOMPARE(raw.column("PRAGMA integrity_check").value(0), QByteArray("ok"));
        QCOMPARE(QDir(m_dir.path())
                     .entryList(QDir::Hidden | QDir::Files)
                     .filter(QStringLiteral(".rebuild-")),
                 QStringList());
    }

private:
    static RecordLayout orderLayout()
    {
        RecordLayout l;
        l.label = QStringLiteral("order");
        l.size = 30;
        l.fields = {field("B", 0, FieldType::Byte, 1),        field("S", 1, FieldType::Short, 2),
                    field("L", 3, FieldType::Long, 4),        field("R", 7, FieldType::Real, 8),
                    field("D", 15, FieldType::Decimal, 9, 3), field("T", 24, FieldType::String, 6)};
        l.keys = {key("KB", {0}, false),
                  key("KS", {1}, false),
                  key("KL", {2}, false),
                  key("KR", {3}, false),
                  key("KD", {4}, false),
                  key("KT", {5}, false),
                  key("KTI", {5}, false, false, true),
                  key("KTB", {5, 0}, false)};
        return l;
    }
};

QTEST_GUILESS_MAIN(TestKeyedFile)
#include "test_keyedfile.moc"
