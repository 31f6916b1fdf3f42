// The names of a year's files: what the per-form and per-year names look like, that every
// caller's spelling reaches the one file that exists (letter case, extension rule, blanks and
// great length in the working directory's name), and which sub-directories are years.

#include "data/FileNames.h"
#include "runtime/fs/Paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace zemor::data;
namespace fs = zemor::runtime::fs;

Q_DECLARE_METATYPE(zemor::data::YearNameSet)

namespace {

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
}

QString extensionOf(NameVariable variable)
{
    return variable == NameVariable::Sapki ? u".TPS"_s : u".DAT"_s;
}

} // namespace

class TestFileNames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void formDataFile_data();
    void formDataFile();
    void formDataFileResolves();
    void everyCallerReachesTheSameFiles_data();
    void everyCallerReachesTheSameFiles();
    void longWorkingDirectory();
    void namesOfFiles();
    void yearDirectories_data();
    void yearDirectories();

private:
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_workDir;
};

// Every case works in a working directory whose name has blanks in it.
void TestFileNames::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    m_workDir = m_root->filePath(u"Рабочая папка статистики"_s);
    QVERIFY(QDir().mkpath(m_workDir + u"/2015"_s));
    fs::setWorkDir(m_workDir);
}

void TestFileNames::formDataFile_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("tail"); // after the working directory; empty: a blank name

    QTest::newRow("form 62") << 2015 << 62 << u"\\2015\\F0062.dat"_s;
    QTest::newRow("form 999") << 2015 << 999 << u"\\2015\\F0999.dat"_s;
    QTest::newRow("form 1") << 1998 << 1 << u"\\1998\\F0001.dat"_s;
    QTest::newRow("year 0") << 0 << 62 << u"\\0000\\F0062.dat"_s;
    QTest::newRow("negative form") << 2015 << -62 << QString();
    QTest::newRow("five-digit form") << 2015 << 10000 << QString();
    QTest::newRow("five-digit year") << 20150 << 62 << QString();
}

void TestFileNames::formDataFile()
{
    QFETCH(int, year);
    QFETCH(int, form);
    QFETCH(QString, tail);

    const QString name = FileNames::otchetFileName(year, form);
    if (tail.isEmpty()) {
        QVERIFY(name.isEmpty());
        return;
    }
    QCOMPARE(name, fs::shortForm(m_workDir) + tail);

    FileNames names;
    names.setOtchetFileName(year, form);
    QCOMPARE(names.otchetFileName(), name);
    QCOMPARE(names.fileName(FileId::otchet), name);
}

void TestFileNames::formDataFileResolves()
{
    touch(m_workDir + u"/2015/F0062.dat"_s);
    touch(m_workDir + u"/2015/F0999.dat"_s);
    for (int form : {62, 999}) {
        const auto path = fs::resolve(FileNames::otchetFileName(2015, form), u".DAT"_s);
        QVERIFY(path);
        QCOMPARE(*path, u"%1/2015/F%2.dat"_s.arg(m_workDir).arg(form, 4, 10, QChar(u'0')));
    }
    // A form without a file yet: the name it will be created under, in the year directory.
    const auto missing = fs::resolve(FileNames::otchetFileName(2015, 3), u".DAT"_s);
    QVERIFY(missing);
    QCOMPARE(*missing, m_workDir + u"/2015/F0003.dat"_s);
}

void TestFileNames::everyCallerReachesTheSameFiles_data()
{
    QTest::addColumn<YearNameSet>("set");
    QTest::addColumn<bool>("setsRash");

    QTest::newRow("report entry") << YearNameSet::ReportEntry << true;
    QTest::newRow("key rebuilding") << YearNameSet::KeyRebuilding << true;
    QTest::newRow("submitting list") << YearNameSet::SubmittingList << false;
    QTest::newRow("report list") << YearNameSet::ReportList << false;
    QTest::newRow("cross-section") << YearNameSet::CrossSection << false;
    QTest::newRow("dBase import") << YearNameSet::DbaseImport << false;
}

// The callers spell the year's files differently ("\Forma", "\Forma.dat", "2015\Forma"); the
// files on disk have yet other letter cases. Every spelling must reach the existing file and
// never a second one beside it.
void TestFileNames::everyCallerReachesTheSameFiles()
{
    QFETCH(YearNameSet, set);
    QFETCH(bool, setsRash);

    const QString year = m_workDir + u"/2015/"_s;
    const QList<std::pair<NameVariable, QString>> onDisk = {
        {NameVariable::Forma, u"FORMA.DAT"_s},       {NameVariable::Tabl, u"tabl.DAT"_s},
        {NameVariable::Stroka, u"Stroka.dat"_s},     {NameVariable::Grafa, u"grafa.dat"_s},
        {NameVariable::ContrStr, u"CONTRSTR.DAT"_s}, {NameVariable::ContrGr, u"ContrGr.dat"_s},
        {NameVariable::ContrTab, u"contrtab.dat"_s}, {NameVariable::Rash, u"Rash.DAT"_s},
        {NameVariable::Sapki, u"SAPKI.TPS"_s},
    };
    for (const auto &[variable, file] : onDisk)
        touch(year + file);

    FileNames names;
    names.setRashFileName(u"kept"_s);
    names.setYearFileNames(2015, set);
    for (const auto &[variable, file] : onDisk) {
        const QString name = names.value(variable);
        if (variable == NameVariable::Rash && !setsRash) {
            QCOMPARE(name, u"kept"_s);
            continue;
        }
        if (variable == NameVariable::Sapki && set != YearNameSet::ReportList) {
            QVERIFY(name.isEmpty());
            continue;
        }
        QVERIFY2(!name.isEmpty(), qPrintable(FileNames::variableName(variable)));
        const auto path = fs::resolve(name, extensionOf(variable));
        QVERIFY2(path, qPrintable(name));
        QCOMPARE(*path, year + file);
    }
}

// A working directory deep enough that its names pass 255 characters: nothing is cut.
void TestFileNames::longWorkingDirectory()
{
    QString deep = m_workDir;
    for (int i = 0; i < 10; ++i)
        deep += u"/каталог_с_очень_длинным_именем_%1"_s.arg(i);
    QVERIFY(QDir().mkpath(deep + u"/2016"_s));
    touch(deep + u"/2016/Forma.DAT"_s);
    fs::setWorkDir(deep);

    FileNames names;
    names.setYearFileNames(2016);
    QVERIFY(names.formaFileName().size() > 300);
    QVERIFY(names.formaFileName().endsWith(u"\\2016\\Forma"_s));
    const auto path = fs::resolve(names.formaFileName(), u".DAT"_s);
    QVERIFY(path);
    QCOMPARE(*path, deep + u"/2016/Forma.DAT"_s);
    QVERIFY(FileNames::otchetFileName(2016, 62).endsWith(u"\\2016\\F0062.dat"_s));
}

void TestFileNames::namesOfFiles()
{
    FileNames names;
    for (const FileDecl &decl : dictionary()) {
        const std::optional<NameVariable> variable = FileNames::variableOf(decl.id);
        QCOMPARE(variable.has_value(), decl.fixedName.isEmpty());
        if (variable) {
            QCOMPARE(FileNames::variableName(*variable), decl.nameVariable);
            QVERIFY(names.fileName(decl.id).isEmpty()); // blank at start
        } else {
            QCOMPARE(names.fileName(decl.id), decl.fixedName);
        }
    }

    // Both dBase layouts read the file chosen last.
    names.setImportFileName(u"\\import\\LPU12.DBF"_s);
    QCOMPARE(names.fileName(FileId::import1), u"\\import\\LPU12.DBF"_s);
    QCOMPARE(names.fileName(FileId::VOV4000), u"\\import\\LPU12.DBF"_s);

    // A fixed name with its extension keeps it.
    touch(m_workDir + u"/NABOR.TPS"_s);
    const auto nabor =
        fs::resolve(names.fileName(FileId::NABOR), defaultExtension(Driver::KeyedTps));
    QVERIFY(nabor);
    QCOMPARE(*nabor, m_workDir + u"/NABOR.TPS"_s);

    names.clear();
    QVERIFY(names.importFileName().isEmpty());
}

void TestFileNames::yearDirectories_data()
{
    QTest::addColumn<QStringList>("directories");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QList<int>>("years");

    QTest::newRow("mixed") << QStringList{u"2015"_s, u"1998"_s,  u"2099"_s, u"2100"_s,
                                          u"2x15"_s, u"20155"_s, u"1989"_s, u"XLS"_s}
                           << QStringList{u"2016"_s, u"2017.dat"_s} << QList<int>{1998, 2015, 2099};
    QTest::newRow("none") << QStringList{u"export"_s, u"199"_s} << QStringList{} << QList<int>{};
    QTest::newRow("bounds") << QStringList{u"1990"_s, u"1999"_s, u"2000"_s, u"2099"_s}
                            << QStringList{} << QList<int>{1990, 1999, 2000, 2099};
}

void TestFileNames::yearDirectories()
{
    QFETCH(QStringList, directories);
    QFETCH(QStringList, files);
    QFETCH(QList<int>, years);

    const QString dir = m_root->filePath(u"years"_s);
    QVERIFY(QDir().mkpath(dir));
    for (const QString &d : directories)
        QVERIFY(QDir(dir).mkdir(d));
    for (const QString &f : files)
        touch(dir + u'/' + f);

    const auto found = zemor::data::yearDirectories(dir);
    QVERIFY(found);
    QCOMPARE(*found, years);

    QVERIFY(!zemor::data::yearDirectories(m_root->filePath(u"no such directory"_s)));
}

QTEST_GUILESS_MAIN(TestFileNames)
#include "test_filenames.moc"
