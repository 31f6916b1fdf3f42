#include "runtime/fs/DurableFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

using zemor::runtime::ErrorCode;
namespace fs = zemor::runtime::fs;
using namespace Qt::StringLiterals;

namespace {

QByteArray readBytes(const QString &path)
{
    return fs::readWholeFile(path).value_or("<unreadable>");
}

// Injected write failures last for one scope only.
struct InjectedWriteFailure
{
    explicit InjectedWriteFailure(int errnum) { fs::failDurableWritesForTesting(errnum); }
    ~InjectedWriteFailure() { fs::failDurableWritesForTesting(0); }
};

} // namespace

class TestDurableFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void commitReplacesTargetWhole();
    void leftUnfinishedKeepsOldContent_data();
    void leftUnfinishedKeepsOldContent();
    void relativeNameStaysInItsFolder();
    void leftoverOfDeadWriterRemoved();
    void missingFolderIsFileNotFound();
    void headerWrittenLast();
    void replacementKeepsPermissions();
    void createIfAbsentNeverTruncates();
    void errnoMapping_data();
    void errnoMapping();

private:
    QStringList entries() const
    {
        return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_target;
};

void TestDurableFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_target = m_dir->filePath(u"out.txt"_s);
}

void TestDurableFile::commitReplacesTargetWhole()
{
    QVERIFY(fs::writeWholeFile(m_target, "old").has_value());
    auto file = fs::DurableFile::begin(m_target);
    QVERIFY(file.has_value());
    QVERIFY(file->write("new ").has_value());
    QCOMPARE(readBytes(m_target), QByteArray("old")); // nothing shows before the commit
    QVERIFY(file->write("content").has_value());
    QVERIFY(file->commit().has_value());
    QCOMPARE(readBytes(m_target), QByteArray("new content"));
    QCOMPARE(entries(), QStringList{u"out.txt"_s});
}

// A writer that is destroyed, discarded or fails (a full disk, a quota) leaves the target as
// it was and no file of its own behind.
void TestDurableFile::leftUnfinishedKeepsOldContent_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("errnum");
    QTest::addColumn<int>("code");
    QTest::newRow("destroyed") << u"destroyed"_s << 0 << 0;
    QTest::newRow("discarded") << u"discarded"_s << 0 << 0;
    QTest::newRow("disk full") << u"failed"_s << ENOSPC << int(ErrorCode::DiskFull);
    QTest::newRow("quota") << u"failed"_s << EDQUOT << int(ErrorCode::DiskFull);
    QTest::newRow("io error") << u"failed"_s << EIO << int(ErrorCode::IoError);
}

void TestDurableFile::leftUnfinishedKeepsOldContent()
{
    QFETCH(QString, how);
    QFETCH(int, errnum);
    QFETCH(int, code);
    QVERIFY(fs::writeWholeFile(m_target, "old").has_value());
    {
        auto file = fs::DurableFile::begin(m_target);
        QVERIFY(file.has_value());
        QCOMPARE(entries().size(), 2);
        if (how == u"discarded") {
            QVERIFY(file->write("x").has_value());
            file->discard();
            QCOMPARE(file->commit().error().code, ErrorCode::FileNotOpen);
        } else if (how == u"failed") {
            InjectedWriteFailure failure(errnum);
            auto written = file->write("x");
            QVERIFY(!written.has_value());
            QCOMPARE(int(written.error().code), code);
            QVERIFY(written.error().message != u"Unknown error"_s);
            auto committed = file->commit();
            QVERIFY(!committed.has_value());
            QCOMPARE(int(committed.error().code), code);
        } else {
            QVERIFY(file->write("x").has_value());
        }
    }
    QCOMPARE(readBytes(m_target), QByteArray("old"));
    QCOMPARE(entries(), QStringList{u"out.txt"_s});
}

// A name relative to the current folder is written there, its new file beside it.
void TestDurableFile::relativeNameStaysInItsFolder()
{
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
    QVERIFY(fs::writeWholeFile(u"rel.txt"_s, "content").has_value());
    QCOMPARE(readBytes(m_dir->filePath(u"rel.txt"_s)), QByteArray("content"));
    QCOMPARE(entries(), QStringList{u"rel.txt"_s});
}

// The new file of a writer that died stays beside its target until the target is written
// again; that of a writer still at work is left alone.
void TestDurableFile::leftoverOfDeadWriterRemoved()
{
    const QString leftover = m_dir->filePath(u".out.txt.0123abcd.tmp"_s);
    QVERIFY(fs::writeWholeFile(leftover, "cut sho").has_value());
    QVERIFY(fs::writeWholeFile(m_dir->filePath(u".out.txt.89abcdef.tmp-journal"_s), "j"));
    QVERIFY(fs::writeWholeFile(m_dir->filePath(u".other.txt.0123abcd.tmp"_s), "keep"));
    auto busy = fs::DurableFile::begin(m_target); // at work meanwhile
    QVERIFY(busy.has_value());
    QVERIFY(fs::writeWholeFile(m_target, "whole").has_value());
    QCOMPARE(readBytes(m_target), QByteArray("whole"));
    QStringList left = entries();
    left.removeOne(QFileInfo(busy->tempPath()).fileName());
    QCOMPARE(left, (QStringList{u".other.txt.0123abcd.tmp"_s, u"out.txt"_s}));
    QVERIFY(busy->write("later").has_value());
    QVERIFY(busy->commit().has_value());
    QCOMPARE(readBytes(m_target), QByteArray("later"));
}

void TestDurableFile::missingFolderIsFileNotFound()
{
    auto file = fs::DurableFile::begin(m_dir->filePath(u"no/such.txt"_s));
    QVERIFY(!file.has_value());
    QCOMPARE(file.error().code, ErrorCode::FileNotFound);
    QCOMPARE(fs::DurableFile::begin(u"  "_s).error().code, ErrorCode::InvalidName);
}

void TestDurableFile::headerWrittenLast()
{
    auto file = fs::DurableFile::begin(m_target);
    QVERIFY(file.has_value());
    QVERIFY(file->write("0000body").has_value());
    QVERIFY(file->writeAt(0, "HEAD").has_value());
    QVERIFY(file->setMode(0600).has_value());
    QVERIFY(file->commit().has_value());
    QCOMPARE(readBytes(m_target), QByteArray("HEADbody"));
    QCOMPARE(QFile::permissions(m_target) & 0x7777,
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                 QFileDevice::WriteUser);
}

void TestDurableFile::replacementKeepsPermissions()
{
    QVERIFY(fs::writeWholeFile(m_target, "old").has_value());
    QVERIFY(QFile::setPermissions(m_target, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QVERIFY(fs::writeWholeFile(m_target, "new").has_value());
    QCOMPARE(readBytes(m_target), QByteArray("new"));
    QCOMPARE(QFile::permissions(m_target) & 0x7777,
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                 QFileDevice::WriteUser);
}

void TestDurableFile::createIfAbsentNeverTruncates()
{
    auto created = fs::createIfAbsent(m_target);
    QVERIFY(created.has_value());
    QVERIFY(*created);
    QVERIFY(fs::writeWholeFile(m_target, "kept").has_value());
    created = fs::createIfAbsent(m_target);
    QVERIFY(created.has_value());
    QVERIFY(!*created);
    QCOMPARE(readBytes(m_target), QByteArray("kept"));
    QCOMPARE(fs::createIfAbsent(m_dir->filePath(u"no/x"_s)).error().code, ErrorCode::FileNotFound);
}

void TestDurableFile::errnoMapping_data()
{
    QTest::addColumn<int>("errnum");
    QTest::addColumn<int>("code");
    QTest::newRow("ENOSPC") << ENOSPC << int(ErrorCode::DiskFull);
    QTest::newRow("EDQUOT") << EDQUOT << int(ErrorCode::DiskFull);
    QTest::newRow("EACCES") << EACCES << int(ErrorCode::AccessDenied);
    QTest::newRow("EROFS") << EROFS << int(ErrorCode::AccessDenied);
    QTest::newRow("ENOENT") << ENOENT << int(ErrorCode::FileNotFound);
    QTest::newRow("EEXIST") << EEXIST << int(ErrorCode::AlreadyExists);
    QTest::newRow("ENAMETOOLONG") << ENAMETOOLONG << int(ErrorCode::InvalidName);
    QTest::newRow("EIO") << EIO << int(ErrorCode::IoError);
}

void TestDurableFile::errnoMapping()
{
    QFETCH(int, errnum);
    QFETCH(int, code);
    QCOMPARE(int(fs::codeForErrno(errnum)), code);
    const auto error = fs::failWithErrno(errnum, u"/x"_s).error();
    QCOMPARE(int(error.code), code);
    QCOMPARE(error.where, u"/x"_s);
}

QTEST_APPLESS_MAIN(TestDurableFile)
#include "test_durablefile.moc"
