#include "runtime/fs/DurableFile.h"
#include "runtime/fs/FileOperations.h"
#include "runtime/fs/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

using namespace zemor::runtime;
using namespace zemor::runtime::fs;
using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(content);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

// Every entry under `dir`, hidden ones too, as relative paths: shows stray files.
QStringList allEntries(const QString &dir)
{
    QStringList names;
    const QDir root(dir);
    const QFileInfoList infos = root.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &fi : infos) {
        names << fi.fileName();
        if (fi.isDir() && !fi.isSymLink()) {
            for (const QString &sub : allEntries(fi.filePath()))
                names << fi.fileName() + u'/' + sub;
        }
    }
    return names;
}

QStringList namesOf(const QList<DirEntry> &entries)
{
    QStringList names;
    for (const DirEntry &e : entries)
        names << e.name;
    return names;
}

} // namespace

class TestPaths : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_work;

    QString at(const QString &relative) const { return m_work + u'/' + relative; }

private Q_SLOTS:
    void init()
    {
        m_dir = QTemporaryDir();
        QVERIFY(m_dir.isValid());
        m_work = QDir(m_dir.path()).canonicalPath();
        setWorkDir(m_work);
    }

    void resolveMatchesWhatExists_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("expected"); // relative to the working directory

        QTest::newRow("extension rule finds other case")
            << u"Forma"_s << u".DAT"_s << u"forma.DAT"_s;
        QTest::newRow("whole name in other case") << u"FORMA.DAT"_s << QString() << u"forma.DAT"_s;
        QTest::newRow("rooted with extension") << u"\\Forma.dat"_s << u".DAT"_s << u"forma.DAT"_s;
        QTest::newRow("extension without dot") << u"forma"_s << u"DAT"_s << u"forma.DAT"_s;
        QTest::newRow("trailing blanks dropped") << u"Forma      "_s << u".DAT"_s << u"forma.DAT"_s;
        QTest::newRow("rooted folder and file")
            << u"\\XLS\\ras1.xls"_s << QString() << u"XLS/Ras1.xls"_s;
        QTest::newRow("forward slashes") << u"xls/RAS1.XLS"_s << QString() << u"XLS/Ras1.xls"_s;
        QTest::newRow("year directory") << u"2015\\stroka"_s << u".DAT"_s << u"2015/Stroka.dat"_s;
        QTest::newRow("doubled separators")
            << u"\\\\2015\\\\STROKA.DAT"_s << QString() << u"2015/Stroka.dat"_s;
        QTest::newRow("dot component") << u".\\zemor.ini"_s << QString() << u"zemor.INI"_s;
        QTest::newRow("dot-dot component") << u"2015\\..\\forma"_s << u".DAT"_s << u"forma.DAT"_s;
        QTest::newRow("folder with trailing separator")
            << u"IMPORT\\"_s << u".DAT"_s << u"Import"_s;
        QTest::newRow("nested mixed case")
            << u"doc\\BLANKI\\f12.DOC"_s << QString() << u"Doc/Blanki/F12.doc"_s;
        QTest::newRow("cyrillic case") << u"Нов\\Отчет"_s << u".DAT"_s << u"НОВ/отчет.DAT"_s;
        QTest::newRow("missing file keeps spelling")
            << u"\\import\\New.txt"_s << QString() << u"Import/New.txt"_s;
        QTest::newRow("missing file gets extension") << u"Grafa"_s << u".DAT"_s << u"Grafa.DAT"_s;
        QTest::newRow("own extension kept") << u"NABOR.TPS"_s << u".TPS"_s << u"NABOR.TPS"_s;
        QTest::newRow("extension not added to a dotted name")
            << u"Forma."_s << u".DAT"_s << u"Forma."_s;
        QTest::newRow("missing folder keeps the rest")
            << u"XLS\\Old\\RAS1.XLS"_s << QString() << u"XLS/Old/RAS1.XLS"_s;
        QTest::newRow("working directory itself") << u"\\"_s << QString() << QString();
    }

    void resolveMatchesWhatExists()
    {
        QFETCH(QString, name);
        QFETCH(QString, extension);
        QFETCH(QString, expected);
        for (const char *f :
             {"forma.DAT", "zemor.INI", "2015/Stroka.dat", "XLS/Ras1.xls", "Doc/Blanki/F12.doc"})
            writeFile(at(QString::fromUtf8(f)), "x");
        writeFile(at(u"НОВ/отчет.DAT"_s), "x");
        QVERIFY(QDir(m_work).mkdir(u"Import"_s));
        const QStringList before = allEntries(m_work);

        const auto resolved = resolve(name, extension);
        QVERIFY2(resolved, resolved ? "" : qPrintable(resolved.error().message));
        QCOMPARE(*resolved, expected.isEmpty() ? m_work : at(expected));
        QCOMPARE(allEntries(m_work), before);
    }

    void resolvePicksOneOfSeveralCaseVariants()
    {
        for (const char *f : {"data.dat", "Data.Dat", "DATA.DAT"})
            writeFile(at(QString::fromUtf8(f)), f);
        for (const QString &spelling : {u"data"_s, u"DATA.dat"_s, u"Data.Dat"_s, u"dAtA"_s}) {
            const auto resolved = resolve(spelling, u".DAT"_s);
            QVERIFY(resolved);
            QCOMPARE(*resolved, at(u"DATA.DAT"_s));
        }
        // The listing puts the same one first.
        const auto entries = list(u"\\"_s, u"data.*"_s);
        QVERIFY(entries);
        QCOMPARE(namesOf(*entries), (QStringList{u"DATA.DAT"_s, u"Data.Dat"_s, u"data.dat"_s}));
    }

    void resolveAbsoluteAndMappedPaths()
    {
        writeFile(at(u"2015/Forma.DAT"_s), "x");
        // A name built from the working directory in its short form.
        auto built = resolve(shortForm(workDir()) + u"\\2015\\FORMA"_s, u".DAT"_s);
        QVERIFY(built);
        QCOMPARE(*built, at(u"2015/Forma.DAT"_s));

        // An absolute path outside the working directory stays there, matched without case.
        QTemporaryDir other;
        const QString otherRoot = QDir(other.path()).canonicalPath();
        writeFile(otherRoot + u"/Export/OT.dat"_s, "x");
        auto outside = resolve(otherRoot + u"/export/ot.DAT"_s);
        QVERIFY(outside);
        QCOMPARE(*outside, otherRoot + u"/Export/OT.dat"_s);

        // A drive other than the Windows temporary folder lies under the working directory.
        auto drive = resolve(u"D:\\2015\\forma.dat"_s);
        QVERIFY(drive);
        QCOMPARE(*drive, at(u"2015/Forma.DAT"_s));

        auto bareDrive = resolve(u"C:"_s, u".DAT"_s);
        QVERIFY(bareDrive);
        QCOMPARE(*bareDrive, m_work);

        auto temp = resolve(u"C:\\WINDOWS\\TEMP\\"_s);
        QVERIFY(temp);
        QCOMPARE(*temp, QDir(QDir::tempPath()).canonicalPath());
    }

    // Names that climb above the working directory are refused, whatever writes with them;
    // ".." that stays inside is fine.
    void namesLeavingWorkDirAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("rooted") << u"\\..\\zemor-outside"_s;
        QTest::newRow("drive") << u"D:\\..\\zemor-outside"_s;
        QTest::newRow("two up") << u"a\\..\\..\\zemor-outside"_s;
        QTest::newRow("relative") << u"..\\zemor-outside"_s;
        QTest::newRow("forward slashes") << u"2015/../../zemor-outside"_s;
        QTest::newRow("drive relative") << u"e:..\\zemor-outside"_s;
        QTest::newRow("deep") << u"a\\b\\..\\..\\..\\etc\\zemor-outside"_s;
        QTest::newRow("windows temp") << u"C:\\WINDOWS\\TEMP\\..\\zemor-outside"_s;
    }

    void namesLeavingWorkDirAreRefused()
    {
        QFETCH(QString, name);
        writeFile(at(u"src.txt"_s), "x");
        const QString parent = QFileInfo(m_work).absolutePath();
        const auto resolved = resolve(name);
        QVERIFY(!resolved);
        QCOMPARE(resolved.error().code, ErrorCode::InvalidName);
        QVERIFY(resolved.error().message.contains(u"outside"_s));
        QCOMPARE(copyFile(u"src.txt"_s, name).error().code, ErrorCode::InvalidName);
        QCOMPARE(makeDir(name).error().code, ErrorCode::InvalidName);
        QVERIFY(!QFileInfo::exists(parent + u"/zemor-outside"_s));

        auto inside = resolve(u"a\\..\\x"_s);
        QVERIFY(inside);
        QCOMPARE(*inside, at(u"x"_s));
    }

    // Every name of the system comes back as the same bytes, UTF-8 or not.
    void namesKeepTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text"); // what it reads as, when that is plain
        QTest::newRow("ascii") << QByteArray("Forma.DAT") << u"Forma.DAT"_s;
        QTest::newRow("utf-8 cyrillic") << QByteArray("\xd0\x9e\xd1\x82\xd1\x87") << u"Отч"_s;
        QTest::newRow("four-byte utf-8") << QByteArray("a\xf0\x9f\x98\x80") << u"a😀"_s;
        QTest::newRow("windows-1251") << QByteArray("\xce\xf2\xf7\xe5\xf2\xfb") << QString();
        QTest::newRow("mixed") << QByteArray("2015/\xce\xf2/\xd0\x9e") << QString();
        QTest::newRow("cut sequence") << QByteArray("ab\xd0") << QString();
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << QString();
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80") << QString();
        QTest::newRow("beyond unicode") << QByteArray("\xf4\x90\x80\x80") << QString();
    }

    void namesKeepTheirBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const QString name = fs::decodeName(bytes);
        QCOMPARE(fs::encodeName(name), bytes);
        if (!text.isEmpty())
            QCOMPARE(name, text);
        else
            QVERIFY(!name.contains(QChar::ReplacementCharacter));

        // On disk too: made, found and listed under those bytes.
        const QByteArray leaf = bytes.mid(bytes.lastIndexOf('/') + 1);
        const QString made = at(fs::decodeName(leaf));
        QVERIFY(fs::writeWholeFile(made, "x").has_value());
        QVERIFY(QFile::exists(QFile::decodeName(fs::encodeName(m_work) + '/' + leaf)) ||
                !leaf.isValidUtf8());
        const auto listed = fs::list(m_work);
        QVERIFY(listed);
        QCOMPARE(listed->size(), 1);
        QCOMPARE(fs::encodeName(listed->first().name), leaf);
        const auto found = resolve(u"\\"_s + fs::decodeName(leaf));
        QVERIFY(found);
        QCOMPARE(*found, made);
    }

    void mapWindowsPath_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        const QString tmp = QDir::tempPath();
        QTest::newRow("temp folder") << u"C:\\WINDOWS\\TEMP\\"_s << tmp + u"/"_s;
        QTest::newRow("temp folder without separator") << u"c:\\windows\\temp"_s << tmp;
        QTest::newRow("file in temp") << u"c:\\Windows\\Temp\\a.txt"_s << tmp + u"/a.txt"_s;
        QTest::newRow("similar folder is not temp")
            << u"C:\\WINDOWS\\TEMPS\\a"_s << u"\\WINDOWS\\TEMPS\\a"_s;
        QTest::newRow("other drive") << u"D:\\data\\x.dat"_s << u"\\data\\x.dat"_s;
        QTest::newRow("drive relative") << u"e:data\\x"_s << u"data\\x"_s;
        QTest::newRow("rooted name unchanged") << u"\\XLS\\a.xls"_s << u"\\XLS\\a.xls"_s;
        QTest::newRow("relative name unchanged") << u"2015\\Forma"_s << u"2015\\Forma"_s;
        QTest::newRow("colon later is no drive") << u"ab:c"_s << u"ab:c"_s;
    }

    void mapWindowsPath()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(fs::mapWindowsPath(name), expected);
    }

    void blankNamesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << u"      "_s;
        QTest::newRow("tab") << u"\t "_s;
        QTest::newRow("embedded NUL") << u"Forma"_s + QChar(0) + u"x"_s;
    }

    void blankNamesAreRefused()
    {
        QFETCH(QString, name);
        writeFile(at(u"src.txt"_s), "x");
        const QStringList before = allEntries(m_work);

        const auto resolved = resolve(name, u".DAT"_s);
        QVERIFY(!resolved);
        QCOMPARE(resolved.error().code, ErrorCode::InvalidName);
        QCOMPARE(copyFile(u"src.txt"_s, name).error().code, ErrorCode::InvalidName);
        QCOMPARE(renameFile(u"src.txt"_s, name).error().code, ErrorCode::InvalidName);
        QCOMPARE(makeDir(name).error().code, ErrorCode::InvalidName);
        QCOMPARE(removeFile(name).error().code, ErrorCode::InvalidName);
        QCOMPARE(allEntries(m_work), before);
    }

    void join_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << u"/w"_s << u"1\\"_s << u"/w/1\\"_s;
        QTest::newRow("both have separators") << u"/w/"_s << u"\\x.dat"_s << u"/w/x.dat"_s;
        QTest::newRow("dos separators") << u"\\export\\\\"_s << u"//a"_s << u"\\export/a"_s;
        QTest::newRow("root") << u"/"_s << u"x"_s << u"/x"_s;
        QTest::newRow("empty dir") << QString() << u"x"_s << u"x"_s;
        QTest::newRow("empty name") << u"/w/"_s << QString() << u"/w/"_s;
    }

    void join()
    {
        QFETCH(QString, dir);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(fs::join(dir, name), expected);
    }

    void listSortsAndMatches_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("expected");
        const QStringList all{u".hidden"_s, u"10.XLS"_s,  u"9.xls"_s,     u"A.XLS"_s, u"b.xls"_s,
                              u"c.txt"_s,   u"dir.XLS"_s, u"F0062.dat"_s, u"noext"_s};
        QTest::newRow("star") << u"*"_s << all;
        QTest::newRow("star dot star includes names without a dot") << u"*.*"_s << all;
        QTest::newRow("empty pattern") << QString() << all;
        QTest::newRow("extension ignores case")
            << u"*.xls"_s
            << QStringList{u"10.XLS"_s, u"9.xls"_s, u"A.XLS"_s, u"b.xls"_s, u"dir.XLS"_s};
        QTest::newRow("question mark is one character")
            << u"?.XLS"_s << QStringList{u"9.xls"_s, u"A.XLS"_s, u"b.xls"_s};
        QTest::newRow("form file") << u"f????.DAT"_s << QStringList{u"F0062.dat"_s};
        QTest::newRow("too few characters") << u"F?????.dat"_s << QStringList{};
        QTest::newRow("exact name other case") << u"NOEXT"_s << QStringList{u"noext"_s};
        QTest::newRow("star in the middle") << u"*o*t"_s << QStringList{u"noext"_s};
        QTest::newRow("nothing") << u"*.doc"_s << QStringList{};
    }

    void listSortsAndMatches()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, expected);
        for (const char *f :
             {"b.xls", "A.XLS", "c.txt", "10.XLS", "9.xls", "noext", ".hidden", "F0062.dat"})
            writeFile(at(u"Sub/"_s + QString::fromUtf8(f)), "x");
        QVERIFY(QDir(at(u"Sub"_s)).mkdir(u"dir.XLS"_s));

        const auto entries = list(u"\\SUB\\"_s, pattern);
        QVERIFY(entries);
        QCOMPARE(namesOf(*entries), expected);
    }

    void listReportsAttributes()
    {
        writeFile(at(u"d/Ras1.xls"_s), "12345");
        writeFile(at(u"d/.conf"_s), "");
        writeFile(at(u"d/locked.txt"_s), "ab");
        QVERIFY(QDir(at(u"d"_s)).mkdir(u"Sub"_s));
        QVERIFY(::chmod(QFile::encodeName(at(u"d/locked.txt"_s)).constData(), 0444) == 0);
        const QDateTime stamp = QDateTime::fromString(u"2015-03-01T10:20:30"_s, Qt::ISODate);
        {
            QFile f(at(u"d/Ras1.xls"_s));
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(stamp, QFileDevice::FileModificationTime));
        }

        const auto entries = listMatching(u"D\\*.*"_s);
        QVERIFY(entries);
        QCOMPARE(namesOf(*entries),
                 (QStringList{u".conf"_s, u"locked.txt"_s, u"Ras1.xls"_s, u"Sub"_s}));
        const DirEntry &conf = entries->at(0), &locked = entries->at(1), &ras = entries->at(2),
                       &sub = entries->at(3);
        QVERIFY(conf.hidden && !conf.isDir && !conf.readOnly);
        QVERIFY(locked.readOnly && !locked.hidden);
        QCOMPARE(locked.size, 2);
        QCOMPARE(ras.size, 5);
        QCOMPARE(ras.modified, stamp);
        QVERIFY(sub.isDir && !sub.hidden);

        const auto missing = list(u"\\nothere"_s);
        QVERIFY(!missing);
        QCOMPARE(missing.error().code, ErrorCode::FileNotFound);
        QCOMPARE(missing.error().where, at(u"nothere"_s));
        QCOMPARE(list(u"d\\Ras1.xls"_s).error().code, ErrorCode::FileNotFound);
    }

    void renameNeverReplaces()
    {
        writeFile(at(u"impfile/ot.dat"_s), "old");
        writeFile(at(u"import/OT.DAT"_s), "new");
        writeFile(at(u"import/other.dat"_s), "other");

        // The target exists in another letter case: refused, both files intact.
        auto refused = renameFile(u"\\import\\OT.DAT"_s, u"\\IMPFILE\\OT.DAT"_s);
        QVERIFY(!refused);
        QCOMPARE(refused.error().code, ErrorCode::AlreadyExists);
        QCOMPARE(refused.error().where, at(u"impfile/ot.dat"_s));
        QCOMPARE(readFile(at(u"impfile/ot.dat"_s)), QByteArray("old"));
        QCOMPARE(readFile(at(u"import/OT.DAT"_s)), QByteArray("new"));

        // The fallback name goes through, into the folder as it is spelled on disk.
        QVERIFY(renameFile(u"\\import\\ot.dat"_s, u"\\IMPFILE\\OT_1.DAT"_s));
        QCOMPARE(readFile(at(u"impfile/OT_1.DAT"_s)), QByteArray("new"));
        QVERIFY(!QFile::exists(at(u"import/OT.DAT"_s)));

        auto missing = renameFile(u"\\import\\gone.dat"_s, u"\\impfile\\gone.dat"_s);
        QCOMPARE(missing.error().code, ErrorCode::FileNotFound);
        QCOMPARE(missing.error().where, at(u"import/gone.dat"_s));

        auto noFolder = renameFile(u"\\import\\other.dat"_s, u"\\nofolder\\other.dat"_s);
        QCOMPARE(noFolder.error().code, ErrorCode::FileNotFound);
        QCOMPARE(readFile(at(u"import/other.dat"_s)), QByteArray("other"));

        // Only the letter case changes.
        QVERIFY(renameFile(u"import\\other.dat"_s, u"import\\Other.DAT"_s));
        QCOMPARE(allEntries(at(u"import"_s)), QStringList{u"Other.DAT"_s});

        // Directories move too, and never onto an existing one.
        QVERIFY(renameFile(u"import"_s, u"Import2"_s));
        QCOMPARE(renameFile(u"Import2"_s, u"IMPFILE"_s).error().code, ErrorCode::AlreadyExists);
        QCOMPARE(readFile(at(u"Import2/Other.DAT"_s)), QByteArray("other"));
    }

    void renameAcrossFileSystems()
    {
        QTemporaryDir shm(u"/dev/shm/zemor-test-XXXXXX"_s);
        struct stat a, b;
        if (!shm.isValid() || ::stat("/dev/shm", &a) != 0 ||
            ::stat(QFile::encodeName(m_work).constData(), &b) != 0 || a.st_dev == b.st_dev)
            QSKIP("no second file system at hand");
        writeFile(at(u"ex.dat"_s), "payload");
        writeFile(shm.path() + u"/taken.dat"_s, "keep");
        const QString target = shm.path() + u"/EX.dat"_s;

        QVERIFY(renameFile(u"ex.dat"_s, target));
        QCOMPARE(readFile(target), QByteArray("payload"));
        QVERIFY(!QFile::exists(at(u"ex.dat"_s)));

        QVERIFY(renameFile(target, u"back.dat"_s));
        writeFile(at(u"ex2.dat"_s), "second");
        QCOMPARE(renameFile(u"ex2.dat"_s, shm.path() + u"/TAKEN.DAT"_s).error().code,
                 ErrorCode::AlreadyExists);
        QCOMPARE(readFile(shm.path() + u"/taken.dat"_s), QByteArray("keep"));
        QCOMPARE(allEntries(shm.path()), QStringList{u"taken.dat"_s});
        QCOMPARE(readFile(at(u"ex2.dat"_s)), QByteArray("second"));
    }

    void copyFiles()
    {
        writeFile(at(u"XLS/ras1.xls"_s), "template");
        writeFile(at(u"temp1/1.XLS"_s), "open workbook");
        const QDateTime stamp = QDateTime::fromString(u"2014-12-31T23:59:58"_s, Qt::ISODate);
        {
            QFile f(at(u"XLS/ras1.xls"_s));
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(stamp, QFileDevice::FileModificationTime));
        }

        QVERIFY(copyFile(u"\\xls\\RAS1.XLS"_s, u"\\TEMP1\\2.XLS"_s));
        QCOMPARE(readFile(at(u"temp1/2.XLS"_s)), QByteArray("template"));
        QCOMPARE(QFileInfo(at(u"temp1/2.XLS"_s)).lastModified(), stamp);

        auto refused = copyFile(u"\\xls\\ras1.xls"_s, u"\\temp1\\1.xls"_s);
        QCOMPARE(refused.error().code, ErrorCode::AlreadyExists);
        QCOMPARE(refused.error().where, at(u"temp1/1.XLS"_s));
        QCOMPARE(readFile(at(u"temp1/1.XLS"_s)), QByteArray("open workbook"));

        QVERIFY(copyFile(u"\\xls\\ras1.xls"_s, u"\\temp1\\1.xls"_s, true));
        QCOMPARE(readFile(at(u"temp1/1.XLS"_s)), QByteArray("template"));
        QVERIFY(copyFile(u"\\xls\\ras1.xls"_s, u"\\xls\\ras1.xls"_s, true));
        QCOMPARE(readFile(at(u"XLS/ras1.xls"_s)), QByteArray("template"));

        auto missing = copyFile(u"\\xls\\ras2.xls"_s, u"\\temp1\\3.xls"_s);
        QCOMPARE(missing.error().code, ErrorCode::FileNotFound);
        QCOMPARE(missing.error().where, at(u"XLS/ras2.xls"_s));
        QCOMPARE(copyFile(u"\\xls"_s, u"\\temp1\\d"_s).error().code, ErrorCode::AccessDenied);
        QCOMPARE(copyFile(u"\\xls\\ras1.xls"_s, u"\\nofolder\\x"_s).error().code,
                 ErrorCode::FileNotFound);

        // No temporary is left behind.
        QCOMPARE(allEntries(at(u"temp1"_s)), (QStringList{u"1.XLS"_s, u"2.XLS"_s}));
    }

    // The first bytes and the identity come from one opening; a file put in the name's place
    // is another file even with the same size and bytes.
    void readHeadSeesOneStateOfAFile()
    {
        const QString path = at(u"a.dat"_s);
        writeFile(path, "0123456789");
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);

        const auto head = readHead(path, 4);
        QVERIFY(head);
        QCOMPARE(head->bytes, QByteArray("0123"));
        QCOMPARE(head->size, qint64(10));
        QCOMPARE(head->device, qint64(st.st_dev));
        QCOMPARE(head->inode, qint64(st.st_ino));
        QCOMPARE(head->modifiedSeconds, qint64(st.st_mtim.tv_sec));
        QCOMPARE(head->modifiedNanoseconds, qint64(st.st_mtim.tv_nsec));
        QCOMPARE(readHead(path, 32)->bytes, QByteArray("0123456789"));
        QCOMPARE(readHead(path, 0)->bytes, QByteArray());

        writeFile(at(u"b.dat"_s), "0123456789");
        QCOMPARE(::rename(QFile::encodeName(at(u"b.dat"_s)).constData(),
                          QFile::encodeName(path).constData()),
                 0);
        const auto replaced = readHead(path, 4);
        QVERIFY(replaced);
        QCOMPARE(replaced->bytes, head->bytes);
        QVERIFY(replaced->inode != head->inode);

        const auto missing = readHead(at(u"none.dat"_s), 4);
        QVERIFY(!missing);
        QCOMPARE(missing.error().code, ErrorCode::FileNotFound);
        QCOMPARE(missing.error().where, at(u"none.dat"_s));
    }

    void removeAndMakeDirectories()
    {
        writeFile(at(u"XLS/old.xls"_s), "x");
        QVERIFY(removeFile(u"\\xls\\OLD.XLS"_s));
        QVERIFY(!QFile::exists(at(u"XLS/old.xls"_s)));
        QCOMPARE(removeFile(u"\\xls\\OLD.XLS"_s).error().code, ErrorCode::FileNotFound);
        QCOMPARE(removeFile(u"\\xls"_s).error().code, ErrorCode::AccessDenied);

        // Existing components are reused in their own spelling; the rest is created.
        QVERIFY(makeDir(u"\\xls\\New\\Deeper\\"_s));
        QVERIFY(QFileInfo(at(u"XLS/New/Deeper"_s)).isDir());
        QVERIFY(makeDir(u"XLS\\NEW"_s));
        QCOMPARE(allEntries(at(u"XLS"_s)), (QStringList{u"New"_s, u"New/Deeper"_s}));

        writeFile(at(u"plain"_s), "x");
        QCOMPARE(makeDir(u"PLAIN"_s).error().code, ErrorCode::AlreadyExists);
        QCOMPARE(makeDir(u"plain\\sub"_s).error().code, ErrorCode::AlreadyExists);
    }

    void permissionsAreReported()
    {
        if (::geteuid() == 0)
            QSKIP("permissions do not bind the superuser");
        writeFile(at(u"ro/a.dat"_s), "x");
        writeFile(at(u"b.dat"_s), "y");
        QVERIFY(::chmod(QFile::encodeName(at(u"ro"_s)).constData(), 0555) == 0);
        QCOMPARE(renameFile(u"b.dat"_s, u"ro\\b.dat"_s).error().code, ErrorCode::AccessDenied);
        QCOMPARE(removeFile(u"ro\\a.dat"_s).error().code, ErrorCode::AccessDenied);
        QCOMPARE(copyFile(u"b.dat"_s, u"ro\\c.dat"_s).error().code, ErrorCode::AccessDenied);
        QVERIFY(::chmod(QFile::encodeName(at(u"ro"_s)).constData(), 0755) == 0);
    }

    void longPaths()
    {
        // Well beyond the old 255-character name variables.
        QString dosName;
        QString diskName;
        for (int i = 0; i < 8; ++i) {
            const QString part = u"Folder_%1_"_s.arg(i) + QString(40, u'a');
            dosName += u'\\' + part.toUpper();
            diskName += u'/' + part;
        }
        QVERIFY(QDir().mkpath(m_work + diskName));
        dosName += u"\\Report"_s;
        QVERIFY(dosName.size() > 300);

        const auto resolved = resolve(dosName, u".DAT"_s);
        QVERIFY(resolved);
        QCOMPARE(*resolved, m_work + diskName + u"/Report.DAT"_s);
        QVERIFY(resolved->size() > 300);

        writeFile(at(u"src.dat"_s), "long");
        QVERIFY(copyFile(u"src.dat"_s, dosName + u".DAT"_s));
        QCOMPARE(readFile(*resolved), QByteArray("long"));
        QVERIFY(renameFile(dosName + u".dat"_s, dosName + u"2.dat"_s));
        const auto entries = list(dosName.left(dosName.lastIndexOf(u'\\')));
        QVERIFY(entries);
        QCOMPARE(namesOf(*entries), QStringList{u"Report2.dat"_s});
        QVERIFY(makeDir(dosName + u"\\Sub"_s));
        QVERIFY(QFileInfo(m_work + diskName + u"/Report/Sub"_s).isDir());
    }
};

QTEST_GUILESS_MAIN(TestPaths)
#include "test_paths.moc"
