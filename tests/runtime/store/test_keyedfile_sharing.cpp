// Share modes between handles and between processes, writers that meet a lock, and what a
// process that is killed in the middle of its work leaves behind.

#include "runtime/store/KeyedFile.h"
#include "runtime/store/KeyedFileFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <thread>

using namespace zemor::runtime;
using namespace zemor::runtime::store;
using namespace zemor::test::store;

Q_DECLARE_METATYPE(zemor::runtime::store::Access)
Q_DECLARE_METATYPE(zemor::runtime::store::Share)

namespace {

// The helper program as a child process that answers line by line.
class Helper
{
public:
    explicit Helper(const QStringList &args)
    {
        m_process.setProgram(QStringLiteral(KEYEDFILE_HELPER));
        m_process.setArguments(args);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        m_started = m_process.waitForStarted(5000);
    }
    ~Helper()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // The next line the helper writes, empty when it wrote none in time.
    QByteArray line(int timeoutMs = 20000)
    {
        while (!m_process.canReadLine()) {
            if (m_process.state() == QProcess::NotRunning || !m_process.waitForReadyRead(timeoutMs))
                return m_process.canReadLine() ? m_process.readLine().trimmed() : QByteArray();
        }
        return m_process.readLine().trimmed();
    }

    void kill()
    {
        ::kill(static_cast<pid_t>(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }

    void finish()
    {
        m_process.closeWriteChannel();
        m_process.waitForFinished(5000);
    }

    bool started() const { return m_started; }

private:
    QProcess m_process;
    bool m_started = false;
};

const char *accessArg(Access a)
{
    return a == Access::ReadOnly ? "ro" : "rw";
}

const char *shareArg(Share s)
{
    switch (s) {
    case Share::DenyNone:
        return "none";
    case Share::DenyWrite:
        return "denywrite";
    case Share::Exclusive:
        return "exclusive";
    }
    return "none";
}

// How many records each key of the report layout visits, and the records of the file: equal
// when the keys agree with the data.
QList<qint64> visitsPerKey(KeyedFile &f)
{
    QList<qint64> counts{*f.records()};
    for (int k = 0; k < f.layout().keys.size(); ++k) {
        f.clearRecord();
        if (!f.set(k, 0))
            return {};
        qint64 n = 0;
        while (f.next())
            ++n;
        counts.append(n);
    }
    return counts;
}

} // namespace

class TestKeyedFileSharing : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

    void addReports(int count, int district = 1)
    {
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        QVERIFY(f.begin());
        for (int i = 0; i < count; ++i) {
            f.record() = reportRecord({district, i, 1000, 1, 1, 1}, i);
            QVERIFY(f.add());
        }
        QVERIFY(f.commit());
    }

    void shareTable()
    {
        QTest::addColumn<Access>("firstAccess");
        QTest::addColumn<Share>("firstShare");
        QTest::addColumn<Access>("secondAccess");
        QTest::addColumn<Share>("secondShare");
        QTest::addColumn<bool>("allowed");
        const Access ro = Access::ReadOnly, rw = Access::ReadWrite;
        const Share none = Share::DenyNone, dw = Share::DenyWrite, ex = Share::Exclusive;
        QTest::newRow("deny none allows a writer") << rw << none << rw << none << true;
        QTest::newRow("deny write allows a reader") << rw << dw << ro << none << true;
        QTest::newRow("deny write refuses a writer") << rw << dw << rw << none << false;
        QTest::newRow("deny write refuses a second deny-writer") << rw << dw << rw << dw << false;
        QTest::newRow("two readers denying write") << ro << dw << ro << dw << true;
        QTest::newRow("a reader denying write refuses a writer") << ro << dw << rw << none << false;
        QTest::newRow("a writer refuses deny write") << rw << none << ro << dw << false;
        QTest::newRow("a reader allows deny write") << ro << none << rw << dw << true;
        QTest::newRow("exclusive refuses a reader") << rw << ex << ro << none << false;
        QTest::newRow("exclusive refuses exclusive") << rw << ex << rw << ex << false;
        QTest::newRow("a reader refuses exclusive") << ro << none << rw << ex << false;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        static int n = 0;
        m_path = m_dir.filePath(QStringLiteral("F%1.dat").arg(++n));
        QVERIFY(KeyedFile::create(m_path, reportLayout()));
        KeyedFile::setShareWait(std::chrono::milliseconds(150));
    }

    void shareModesInOneProcess_data() { shareTable(); }

    void shareModesInOneProcess()
    {
        QFETCH(Access, firstAccess);
        QFETCH(Share, firstShare);
        QFETCH(Access, secondAccess);
        QFETCH(Share, secondShare);
        QFETCH(bool, allowed);
        KeyedFile first(reportLayout());
        KeyedFile second(reportLayout());
        QVERIFY(first.open(m_path, firstAccess, firstShare));
        const auto s = second.open(m_path, secondAccess, secondShare);
        QCOMPARE(bool(s), allowed);
        if (!allowed) {
            QCOMPARE(s.error().number(), 5);
            QVERIFY(!second.isOpen());
            QCOMPARE(second.next().error().code, ErrorCode::FileNotOpen);
        }
        second.close();
        // Once the first has gone, the second opens at once.
        first.close();
        KeyedFile::setShareWait(std::chrono::milliseconds(0));
        QVERIFY(second.open(m_path, secondAccess, secondShare));
    }

    void shareModesAcrossProcesses_data() { shareTable(); }

    void shareModesAcrossProcesses()
    {
        QFETCH(Access, firstAccess);
        QFETCH(Share, firstShare);
        QFETCH(Access, secondAccess);
        QFETCH(Share, secondShare);
        QFETCH(bool, allowed);
        // The helper opens first; this process second.
        Helper holder({QStringLiteral("hold"), m_path, QString::fromLatin1(accessArg(firstAccess)),
                       QString::fromLatin1(shareArg(firstShare))});
        QVERIFY(holder.started());
        QCOMPARE(holder.line(), QByteArray("open"));
        KeyedFile second(reportLayout());
        const auto s = second.open(m_path, secondAccess, secondShare);
        QCOMPARE(bool(s), allowed);
        if (!allowed)
            QCOMPARE(s.error().code, ErrorCode::AccessDenied);
        second.close();

        // And the other way round: this process holds, the helper comes second.
        holder.finish();
        KeyedFile first(reportLayout());
        QVERIFY(first.open(m_path, firstAccess, firstShare));
        Helper other({QStringLiteral("hold"), m_path, QString::fromLatin1(accessArg(secondAccess)),
                      QString::fromLatin1(shareArg(secondShare))});
        QCOMPARE(other.line(), allowed ? QByteArray("open") : QByteArray("error 5"));
        other.finish();
    }

    void waitingOpenSucceedsWhenHolderLeaves()
    {
        KeyedFile holder(reportLayout());
        QVERIFY(holder.open(m_path, Access::ReadWrite, Share::Exclusive));
        KeyedFile::setShareWait(std::chrono::seconds(10));
        std::thread closer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            holder.close();
        });
        KeyedFile waiter(reportLayout());
        const auto s = waiter.open(m_path);
        closer.join();
        QVERIFY(s);
    }

    void killedHolderReleasesItsLocks()
    {
        Helper holder(
            {QStringLiteral("hold"), m_path, QStringLiteral("rw"), QStringLiteral("exclusive")});
        QCOMPARE(holder.line(), QByteArray("open"));
        KeyedFile f(reportLayout());
        QCOMPARE(f.open(m_path, Access::ReadOnly).error().code, ErrorCode::AccessDenied);
        holder.kill();
        KeyedFile::setShareWait(std::chrono::milliseconds(0));
        QVERIFY(f.open(m_path, Access::ReadOnly));
    }

    void writerMeetingALockIsDenied()
    {
        addReports(1);
        KeyedFile a(reportLayout());
        KeyedFile b(reportLayout());
        QVERIFY(a.open(m_path));
        QVERIFY(b.open(m_path));
        QVERIFY(a.begin());
        a.record() = reportRecord({1, 100, 1000, 1, 1, 1});
        QVERIFY(a.add());
        b.record() = reportRecord({1, 200, 1000, 1, 1, 1});
        QCOMPARE(b.add().error().code, ErrorCode::AccessDenied);
        QCOMPARE(b.begin().error().code, ErrorCode::AccessDenied);
        QVERIFY(!b.inTransaction());
        QCOMPARE(*b.records(), 1); // reading goes on
        QVERIFY(a.commit());
        QVERIFY(b.add());
        QCOMPARE(*a.records(), 3);
    }

    void closingAnotherHandleKeepsTheWritersLock()
    {
        // Closing a descriptor drops all of a process's POSIX locks on the file, SQLite's too:
        // a handle that closes must not take away the lock of a writer on another handle.
        addReports(1);
        KeyedFile writer(reportLayout());
        QVERIFY(writer.open(m_path));
        QVERIFY(writer.begin());
        writer.record() = reportRecord({1, 100, 1000, 1, 1, 1});
        QVERIFY(writer.add());
        {
            KeyedFile passer(reportLayout());
            QVERIFY(passer.open(m_path, Access::ReadOnly));
            QCOMPARE(*passer.records(), 1);
        }
        Helper other({QStringLiteral("add"), m_path, QStringLiteral("300"), QStringLiteral("7")});
        QCOMPARE(other.line(), QByteArray("error 5"));
        QVERIFY(writer.commit());
        Helper again({QStringLiteral("add"), m_path, QStringLiteral("300"), QStringLiteral("7")});
        QCOMPARE(again.line(), QByteArray("ok"));
    }

    void killedInTransactionLeavesLastCommit()
    {
        addReports(100);
        // Enough records that the transaction spills pages into the file before it is killed.
        Helper writer({QStringLiteral("pending"), m_path, QStringLiteral("20000")});
        QCOMPARE(writer.line(), QByteArray("ready"));
        writer.kill();
        QVERIFY(QFile::exists(m_path + QStringLiteral("-journal")));

        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        QCOMPARE(visitsPerKey(f), (QList<qint64>{100, 100, 100, 100, 100}));
        f.record() = reportRecord({1, 5000, 1000, 1, 1, 1});
        QVERIFY(f.add());
        f.close();
        QVERIFY(!QFile::exists(m_path + QStringLiteral("-journal")));
    }

    void newFileIgnoresJournalOfRemovedFile()
    {
        // A writer dies mid-transaction, and its file is then deleted by hand, leaving the
        // journal: a file made new under that name must not have the old pages played into it.
        addReports(100);
        Helper writer({QStringLiteral("pending"), m_path, QStringLiteral("20000")});
        QCOMPARE(writer.line(), QByteArray("ready"));
        writer.kill();
        QVERIFY(QFile::remove(m_path));
        QVERIFY(QFile::exists(m_path + QStringLiteral("-journal")));

        QVERIFY(KeyedFile::create(m_path, reportLayout()));
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        QCOMPARE(visitsPerKey(f), (QList<qint64>{0, 0, 0, 0, 0}));
        f.record() = reportRecord({1, 1, 1000, 1, 1, 1});
        QVERIFY(f.add());
    }

    // A creator killed before its file is in place leaves a temporary file and its journal
    // beside the name; the next creation or opening of that name removes them, while the
    // temporary file of a creator that is still alive is left alone.
    void temporaryFilesOfDeadCreatorRemoved_data()
    {
        QTest::addColumn<bool>("byOpening");
        QTest::newRow("next creation") << false;
        QTest::newRow("next opening") << true;
    }

    void temporaryFilesOfDeadCreatorRemoved()
    {
        QFETCH(bool, byOpening);
        QVERIFY(QFile::remove(m_path));
        if (byOpening)
            QVERIFY(KeyedFile::create(m_path, reportLayout()));
        const auto hidden = [&] {
            return QDir(m_dir.path())
                .entryList(QDir::Hidden | QDir::Files)
                .filter(QFileInfo(m_path).fileName() + QStringLiteral("."));
        };
        Helper creator({QStringLiteral("creating"), m_path});
        QCOMPARE(creator.line(), QByteArray("ready"));
        QCOMPARE(hidden().size(), 2); // the file and its journal

        // Alive: its file is not touched.
        if (byOpening) {
            KeyedFile f(reportLayout());
            QVERIFY(f.open(m_path));
        } else {
            QVERIFY(KeyedFile::create(m_dir.filePath(QStringLiteral("other.dat")), reportLayout()));
        }
        QCOMPARE(hidden().size(), 2);

        creator.kill();
        if (byOpening) {
            KeyedFile f(reportLayout());
            QVERIFY(f.open(m_path));
        } else {
            QVERIFY(KeyedFile::create(m_path, reportLayout()));
        }
        QCOMPARE(hidden(), QStringList());
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        f.record() = reportRecord({1, 1, 1000, 1, 1, 1});
        QVERIFY(f.add());
    }

    void killedBetweenCommitsLosesNoCommit()
    {
        Helper writer({QStringLiteral("commits"), m_path, QStringLiteral("25")});
        int committed = 0;
        while (committed < 500) {
            const QByteArray line = writer.line();
            QVERIFY2(line.startsWith("committed "), line.constData());
            committed = line.mid(10).toInt();
        }
        writer.kill();
        KeyedFile f(reportLayout());
        QVERIFY(f.open(m_path));
        const QList<qint64> counts = visitsPerKey(f);
        QCOMPARE(counts.size(), 5);
        QVERIFY(counts[0] >= committed);
        QCOMPARE(counts[0] % 25, 0);
        for (qint64 n : counts)
            QCOMPARE(n, counts[0]);
    }
};

QTEST_GUILESS_MAIN(TestKeyedFileSharing)
#include "test_keyedfile_sharing.moc"
