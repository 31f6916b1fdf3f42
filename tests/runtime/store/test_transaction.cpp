// The transaction guard and the key-range scan over keyed files: a guard commits all or rolls
// back all, also when it is left by an early return; a read guard gives every read under it one
// committed state while another connection saves; a scan walks exactly its range, in key order,
// and stops where its taker says; a lookup tells a missing record from a failed read.

#include "runtime/store/KeyedFile.h"
#include "runtime/store/KeyedFileFixtures.h"
#include "runtime/store/Scan.h"
#include "runtime/store/Transaction.h"

#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

using namespace zemor::runtime;
using namespace zemor::runtime::store;
using namespace zemor::test::store;

namespace {

qint64 countAll(KeyedFile &f)
{
    qint64 n = 0;
    const Status s = scanPhysical(f, [&] {
        ++n;
        return true;
    });
    return s ? n : -1;
}

} // namespace

class TestTransaction : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

    void addReports(int count, int district, int firstRow = 0)
    {
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        auto tx = Transaction::begin(f);
        QVERIFY(tx);
        for (int i = 0; i < count; ++i) {
            f.record() = reportRecord({district, firstRow + i, 1000, 1, 1, qint16(firstRow + i)});
            QVERIFY(f.add());
        }
        QVERIFY(tx->commit());
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        static int n = 0;
        m_path = m_dir.filePath(QStringLiteral("F%1.dat").arg(++n));
        QVERIFY(KeyedFile::create(m_path, reportLayout()));
        KeyedFile::setShareWait(std::chrono::milliseconds(5000));
    }

    // How a write guard ends decides what another handle sees.
    void writeGuardEnds_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<qint64>("seen");
        QTest::newRow("committed") << QStringLiteral("commit") << qint64(15);
        QTest::newRow("left uncommitted") << QStringLiteral("scope") << qint64(5);
        QTest::newRow("rolled back") << QStringLiteral("rollback") << qint64(5);
        QTest::newRow("failed on the way") << QStringLiteral("duplicate") << qint64(5);
    }

    void writeGuardEnds()
    {
        QFETCH(QString, ending);
        QFETCH(qint64, seen);
        addReports(5, 1);
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        const auto save = [&]() -> Status {
            auto tx = Transaction::begin(f);
            if (!tx)
                return std::unexpected(tx.error());
            for (int i = 0; i < 10; ++i) {
                f.record() = reportRecord({2, 100 + i, 1000, 1, 1, qint16(i)});
                if (Status s = f.add(); !s)
                    return s;
            }
            if (ending == u"duplicate") {
                f.record() = reportRecord({2, 100, 1000, 1, 1, 0}); // the unique key again
                if (Status s = f.add(); !s)
                    return s; // the guard rolls the nine back
            }
            if (ending == u"rollback")
                return tx->rollback();
            if (ending == u"commit")
                return tx->commit();
            return {};
        };
        const Status saved = save();
        QCOMPARE(saved.has_value(), ending != u"duplicate");
        if (!saved)
            QCOMPARE(saved.error().code, ErrorCode::DuplicateKey);
        QVERIFY(!f.inTransaction());
        KeyedFile other(reportLayout());
        QVERIFY(other.open(m_path));
        QCOMPARE(countAll(other), seen);
        QCOMPARE(countAll(f), seen);
    }

    void guardMovedAndEndedOnce()
    {
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        auto tx = Transaction::begin(f);
        QVERIFY(tx);
        Transaction moved(std::move(*tx));
        QVERIFY(!tx->isOpen());
        QVERIFY(moved.isOpen());
        f.record() = reportRecord({1, 1, 1000, 1, 1, 1});
        QVERIFY(f.add());
        QVERIFY(moved.commit());
        QVERIFY(!moved.commit()); // nothing open any more
        QCOMPARE(countAll(f), qint64(1));
    }

    // Another connection saves while a reader walks the file under a read guard: the walk sees
    // the state it began with from its first record to its last, and the save lands after it.
    void readGuardSeesOneState()
    {
        addReports(200, 1);
        KeyedFile reader(reportLayout());
        QVERIFY(reader.open(m_path, Access::ReadOnly, Share::DenyNone));
        auto read = Transaction::begin(reader, Transaction::Kind::Read);
        QVERIFY(read);

        std::atomic<bool> saved{false};
        Status writerStatus;
        std::thread writer([&] {
            KeyedFile w(reportLayout());
            writerStatus = w.open(m_path);
            if (writerStatus) {
                if (auto tx = Transaction::begin(w); !tx) {
                    writerStatus = std::unexpected(tx.error());
                } else {
                    for (int i = 0; i < 50 && writerStatus; ++i) {
                        w.record() = reportRecord({1, 1000 + i, 1000, 1, 1, qint16(300 + i)});
                        writerStatus = w.add();
                    }
                    if (writerStatus)
                        writerStatus = tx->commit();
                }
            }
            saved = true;
        });

        qint64 walked = 0;
        const Status walk = scan(reader, KeyCodReg, -1, [&] {
            if (++walked == 100)
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            return true;
        });
        QVERIFY(walk);
        QCOMPARE(walked, qint64(200));
        QCOMPARE(countAll(reader), qint64(200)); // still the same state
        QVERIFY(!saved);
        QVERIFY(read->commit());
        writer.join();
        QVERIFY2(writerStatus, writerStatus ? "" : qPrintable(writerStatus.error().message));
        QCOMPARE(countAll(reader), qint64(250));
    }

    // A scan walks its range only, in key order, and stops where its taker says; a failure of
    // the taker ends it with that failure; an empty range is no error.
    void scanWalksItsRange_data()
    {
        QTest::addColumn<int>("district");
        QTest::addColumn<int>("components");
        QTest::addColumn<int>("stopAfter"); // 0: never
        QTest::addColumn<bool>("failInTaker");
        QTest::addColumn<QList<int>>("rows"); // UNICODSTR seen, in order
        QTest::newRow("one district") << 2 << 1 << 0 << false << QList<int>{10, 11, 12};
        QTest::newRow("from a district on")
            << 2 << -1 << 0 << false << QList<int>{10, 11, 12, 20, 21};
        QTest::newRow("empty district") << 4 << 1 << 0 << false << QList<int>{};
        QTest::newRow("stopped") << 1 << 1 << 2 << false << QList<int>{0, 1};
        QTest::newRow("failing taker") << 3 << 1 << 1 << true << QList<int>{20};
    }

    void scanWalksItsRange()
    {
        QFETCH(int, district);
        QFETCH(int, components);
        QFETCH(int, stopAfter);
        QFETCH(bool, failInTaker);
        QFETCH(QList<int>, rows);
        // Added out of key order: district 3, then 1, then 2.
        addReports(2, 3, 20);
        addReports(3, 1, 0);
        addReports(3, 2, 10);
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        f.clearRecord();
        putByte(f.record(), 0, district);
        QList<int> seen;
        Status walked;
        if (failInTaker) {
            walked = scan(f, KeyCodReg, components, [&]() -> Status {
                seen.append(reportOf(f.record()).uniCodStr);
                if (seen.size() == stopAfter)
                    return fail(ErrorCode::Cancelled, QStringLiteral("taker"));
                return {};
            });
            QVERIFY(!walked);
            QCOMPARE(walked.error().code, ErrorCode::Cancelled);
        } else {
            walked = scan(f, KeyCodReg, components, [&] {
                seen.append(reportOf(f.record()).uniCodStr);
                return seen.size() != stopAfter;
            });
            QVERIFY(walked);
        }
        QCOMPARE(seen, rows);

        // Insertion order over the whole file.
        QList<int> physical;
        QVERIFY(scanPhysical(f, [&] {
            physical.append(reportOf(f.record()).uniCodStr);
            return true;
        }));
        QCOMPARE(physical, (QList<int>{20, 21, 0, 1, 2, 10, 11, 12}));
    }

    // A taker that can both stop the walk and fail: false stops it without an error, a failure
    // ends it with that failure.
    void resultTakerStopsOrFails()
    {
        addReports(3, 1, 0);
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        f.clearRecord();
        putByte(f.record(), 0, 1);
        QList<int> seen;
        QVERIFY(scan(f, KeyCodReg, 1, [&]() -> Result<bool> {
            seen.append(reportOf(f.record()).uniCodStr);
            return seen.size() < 2;
        }));
        QCOMPARE(seen, (QList<int>{0, 1}));

        seen.clear();
        const Status failed = scan(f, KeyCodReg, 1, [&]() -> Result<bool> {
            seen.append(reportOf(f.record()).uniCodStr);
            if (seen.size() == 2)
                return fail(ErrorCode::Cancelled, QStringLiteral("taker"));
            return true;
        });
        QVERIFY(!failed);
        QCOMPARE(failed.error().code, ErrorCode::Cancelled);
        QCOMPARE(seen, (QList<int>{0, 1}));
    }

    // find() and last(): a record that is there, one that is not, and a file that cannot be
    // read, which is a failure and never taken for a missing record.
    void findAndLastTellAMissFromAFailure()
    {
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        auto none = last(f, KeyCodUch);
        QVERIFY(none);
        QVERIFY(!*none);
        f.close();

        addReports(3, 1, 0);
        addReports(2, 3, 20);
        QVERIFY(f.open(m_path));
        auto found = last(f, KeyCodUch);
        QVERIFY(found);
        QVERIFY(*found);
        QCOMPARE(reportOf(f.record()).codUch, 21);

        f.record() = reportRecord({0, 1, 0, 1, 0, 1});
        found = find(f, KeyCodUch);
        QVERIFY(found);
        QVERIFY(*found);
        QCOMPARE(reportOf(f.record()).codReg, 1);
        f.record() = reportRecord({0, 7, 0, 1, 0, 7});
        found = find(f, KeyCodUch);
        QVERIFY(found);
        QVERIFY(!*found);

        f.close();
        f.record() = reportRecord({0, 1, 0, 1, 0, 1});
        QVERIFY(!find(f, KeyCodUch));
        QVERIFY(!last(f, KeyCodUch));
    }
};

QTEST_GUILESS_MAIN(TestTransaction)
#include "test_transaction.moc"
