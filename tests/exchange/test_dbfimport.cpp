// Loading dBase files of the institutions' accounting program into the demo's data files: which
// year and period each file goes to, which forms are refused for their period, what is counted
// as present and as not found, and files that cannot be loaded leaving every data file as it
// was. The files are written by the demo's dBase writer; those of other writers are golden
// cases (tests/golden/dbfimport).

#include "data/records/OtchetRecord.h"
#include "entry/ReportMarker.h"
#include "exchange/DbfImport.h"
#include "runtime/core/Progress.h"
#include "tests/exchange/ExchangeFixture.h"
#include "tests/support/ScriptedPrompter.h"
#include "tools/DemoImportsDbf.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

using namespace zemor;
using namespace zemor::exchange;
using data::OtchetRecord;

namespace {

constexpr qint32 institution = tools::DemoImportsDbf::institution;
constexpr int district = tools::DemoImportsDbf::district;

using Row = QList<QByteArray>;

// A copy of the demo working directory, made the working directory for the copy's lifetime.
// The demo is built once per run; copying it is much quicker than building it for each case.
class Work
{
public:
    Work() : m_previous(runtime::fs::workDir())
    {
        QDirIterator it(master(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        const QDir from(master());
        while (it.hasNext()) {
            const QString path = it.next();
            const QString relative = from.relativeFilePath(path);
            // The map pictures (a thousand files) play no part in a load.
            if (relative.startsWith(u"Images"_qs, Qt::CaseInsensitive))
                continue;
            const QString to = m_root.filePath(relative);
            if (it.fileInfo().isDir())
                QDir().mkpath(to);
            else if (!QFile::copy(path, to))
                qFatal("cannot copy %s", qPrintable(path));
        }
        runtime::fs::setWorkDir(m_root.path());
    }
    ~Work() { runtime::fs::setWorkDir(m_previous); }
    Work(const Work &) = delete;
    Work &operator=(const Work &) = delete;

    QString filePath(const QString &name) const { return m_root.filePath(name); }
    void makeDir(const QString &name) const { QDir(m_root.path()).mkpath(name); }
    void writeFile(const QString &name, const QByteArray &content) const
    {
        QFile file(filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

private:
    static QString master()
    {
        static QTemporaryDir dir;
        static const QString root = [] {
            const QString path = dir.filePath(QStringLiteral("demo"));
            if (const QString failed = test::writeDemo(path); !failed.isEmpty())
                qFatal("demo directory not built: %s", qPrintable(failed));
            return path;
        }();
        return root;
    }

    QTemporaryDir m_root;
    QString m_previous;
};

Row row(int form, int rowId, const QList<QByteArray> &values = {"3", "1", "2", "1"})
{
    Row r{QByteArray::number(form), QByteArray::number(rowId)};
    r += values;
    return r;
}

// Four rows of the monthly form 7.
QList<Row> form7()
{
    return {row(7, 1), row(7, 2), row(7, 3), row(7, 4)};
}

void writeDbf(const Work &work, const QString &name, const QList<Row> &rows)
{
    work.makeDir(u"dbf"_qs);
    work.writeFile(u"dbf/"_qs + name, tools::dbaseFile(tools::dbaseImportColumns(), rows));
}

// The stored records of the institution in `form` of `year`, any period.
QByteArrayList stored(data::DataContext &ctx, int year, int form)
{
    return test::storedRecords(ctx, year, form,
                               [](const OtchetRecord &r) { return r.codUch() == institution; });
}

QList<int> periodsAndRows(QByteArrayList records, QList<int> *periods = nullptr)
{
    QList<int> rows;
    for (QByteArray &bytes : records) {
        const OtchetRecord r(bytes);
        rows.append(r.unicodStr());
        if (periods && !periods->contains(r.mes()))
            periods->append(r.mes());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

QList<DbfFile> scanMarked(const Work &work, const QString &folder, const QStringList &names = {})
{
    auto files = DbfImport::scan(work.filePath(folder));
    if (!files)
        qFatal("scan failed: %s", qPrintable(files.error().message));
    for (DbfFile &f : *files)
        f.marked = names.isEmpty() || names.contains(f.name);
    return *files;
}

// A fingerprint of every file under the year folders, to show that nothing was written.
QByteArray dataFingerprint(const Work &work)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    QStringList paths;
    for (const QString &year : {u"2025"_qs, u"2026"_qs}) {
        QDirIterator it(work.filePath(year), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            paths.append(it.next());
    }
    paths.sort();
    for (const QString &p : paths) {
        hash.addData(p.toUtf8());
        hash.addData(test::readBytes(p));
    }
    return hash.result();
}

class CancelAfter final : public runtime::Progress
{
public:
    explicit CancelAfter(qint64 steps) : m_steps(steps) {}
    void setTotal(qint64) override {}
    void step(qint64 done, const QString &) override { m_done = done; }
    bool cancelled() const override { return m_done >= m_steps; }

private:
    qint64 m_steps;
    qint64 m_done = 0;
};

} // namespace

class TestDbfImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void monthAndYearFromName_data();
    void monthAndYearFromName();
    void targetPeriodAndRefusals_data();
    void targetPeriodAndRefusals();
    void twoFormsThenLoadedAgain();
    void rowsTheFormDoesNotHave();
    void valuesOfEveryColumn();
    void filesNotLoaded_data();
    void filesNotLoaded();
    void vanishedFileIsNotCreated();
    void formNotWritten_data();
    void formNotWritten();
    void stopBetweenFiles();
};

void TestDbfImport::monthAndYearFromName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("year");
    QTest::newRow("month and year") << u"lpu052011.dBF"_qs << 5 << 2011;
    QTest::newRow("nothing else") << u"122026.dbf"_qs << 12 << 2026;
    QTest::newRow("no extension") << u"lpu032026"_qs << 3 << 2026;
    QTest::newRow("first dot counts") << u"lpu052026.old.dBF"_qs << 5 << 2026;
    QTest::newRow("one letter") << u"a.dBF"_qs << 0 << 0;
    QTest::newRow("one digit") << u"1.dBF"_qs << 0 << 0;
    QTest::newRow("five characters") << u"52026.dBF"_qs << 0 << 0;
    QTest::newRow("letter in the year") << u"lpu05201x.dBF"_qs << 0 << 0;
    QTest::newRow("letter in the month") << u"lpuo52026.dBF"_qs << 0 << 0;
    QTest::newRow("dot first") << u".052026.dBF"_qs << 0 << 0;
}

void TestDbfImport::monthAndYearFromName()
{
    QFETCH(QString, name);
    QFETCH(int, month);
    QFETCH(int, year);
    QCOMPARE(DbfImport::monthAndYear(name), std::pair(month, year));
}

void TestDbfImport::targetPeriodAndRefusals_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("form");
    QTest::addColumn<bool>("typed");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("storedYear"); // where the rows must be; 0: nowhere
    QTest::addColumn<int>("storedPeriod");
    QTest::addColumn<QString>("message"); // a message the load must give, empty: none

    QTest::newRow("name's month and year")
        << u"lpu052026.dBF"_qs << 7 << false << 2025 << 0 << 2026 << 5 << QString();
    QTest::newRow("typed year and period")
        << u"lpu052026.dBF"_qs << 7 << true << 2025 << 3 << 2025 << 3 << QString();
    QTest::newRow("annual form, period 5 of the name")
        << u"lpu052026.dBF"_qs << 12 << false << 2025 << 0 << 0 << 0 << DbfImport::periodText(12);
    QTest::newRow("annual form, typed period 5")
        << u"lpu002026.dBF"_qs << 12 << true << 2026 << 5 << 0 << 0 << DbfImport::periodText(12);
    QTest::newRow("annual form, month 00 of the name")
        << u"lpu002026.dBF"_qs << 12 << false << 2025 << 5 << 2026 << 0 << QString();
    QTest::newRow("monthly form, month 13 of the name")
        << u"lpu132026.dBF"_qs << 7 << false << 2025 << 0 << 0 << 0 << DbfImport::periodText(7);
    QTest::newRow("monthly form, typed period 13")
        << u"lpu052026.dBF"_qs << 7 << true << 2026 << 13 << 0 << 0 << DbfImport::periodText(7);
    QTest::newRow("quarterly form, typed quarter 5")
        << u"lpu052026.dBF"_qs << 14 << true << 2026 << 5 << 0 << 0 << DbfImport::periodText(14);
    QTest::newRow("form not in the catalogue")
        << u"lpu052026.dBF"_qs << 555 << false << 2025 << 0 << 0 << 0 << DbfImport::noFormText(555);
    QTest::newRow("name without a year")
        << u"a.dBF"_qs << 7 << false << 2025 << 0 << 0 << 0 << DbfImport::noYearText(u"a.dBF"_qs);
    QTest::newRow("name of one digit")
        << u"1.dBF"_qs << 7 << false << 2025 << 0 << 0 << 0 << DbfImport::noYearText(u"1.dBF"_qs);
    QTest::newRow("typed year blank")
        << u"lpu052026.dBF"_qs << 7 << true << 0 << 5 << 0 << 0
        << DbfImport::notLoadedText(u"lpu052026.dBF"_qs, u"не указан год"_qs);
    const auto noCatalogue = [](const QString &file, int year) {
        return DbfImport::notLoadedText(file, u"нет справочника форм за %1 год"_qs.arg(year));
    };
    QTest::newRow("year without its folder") << u"lpu052011.dBF"_qs << 7 << false << 2025 << 0 << 0
                                             << 0 << noCatalogue(u"lpu052011.dBF"_qs, 2011);
    // The year's folder is there but holds no catalogue: the rows are looked up in that year's
    // forms, never in those of the typed year, and no empty catalogue is made.
    QTest::newRow("year without its catalogue") << u"lpu052024.dBF"_qs << 7 << false << 2025 << 0
                                                << 0 << 0 << noCatalogue(u"lpu052024.dBF"_qs, 2024);
    QTest::newRow("typed year without its folder")
        << u"lpu052026.dBF"_qs << 7 << true << 2011 << 5 << 0 << 0
        << noCatalogue(u"lpu052026.dBF"_qs, 2011);
}

void TestDbfImport::targetPeriodAndRefusals()
{
    QFETCH(QString, file);
    QFETCH(int, form);
    QFETCH(bool, typed);
    QFETCH(int, year);
    QFETCH(int, period);
    QFETCH(int, storedYear);
    QFETCH(int, storedPeriod);
    QFETCH(QString, message);

    Work work;
    test::ScriptedPrompter prompter; // a failure of a file would be shown here
    data::DataContext ctx(&prompter);
    QList<Row> rows;
    for (const Row &r : form7())
        rows.append(row(form, r.at(1).toInt()));
    writeDbf(work, file, rows);
    work.makeDir(u"2024"_qs);
    const QByteArray before = dataFingerprint(work);

    const DbfLoadOutcome out = DbfImport(ctx, {district, institution})
                                   .load(scanMarked(work, u"dbf"_qs), {typed, year, period});

    if (message.isEmpty())
        QVERIFY2(out.messages.isEmpty(), qPrintable(out.messages.join(u'|')));
    else
        QVERIFY2(out.messages.join(u'|').contains(message), qPrintable(out.messages.join(u'|')));
    // The refusals are the load's own: no box of a failed file before them.
    QVERIFY2(prompter.messages.isEmpty(), qPrintable(prompter.texts().join(u'|')));
    QVERIFY(QDir(work.filePath(u"2024"_qs)).isEmpty());
    if (storedYear == 0) {
        QCOMPARE(out.formsWritten, 0);
        QCOMPARE(out.present, 0); // a refusal is never counted as rows already there
        QCOMPARE(dataFingerprint(work), before);
        QVERIFY(!QDir(work.filePath(u"2011"_qs)).exists());
        QVERIFY(
            !QFile::exists(work.filePath(u"2024/F%1.dat"_qs.arg(form, 4, 10, QLatin1Char('0')))));
        return;
    }
    QCOMPARE(out.added, 4);
    QCOMPARE(out.present, 0);
    QList<int> periods;
    QCOMPARE(periodsAndRows(stored(ctx, storedYear, form), &periods), QList<int>({1, 2, 3, 4}));
    QCOMPARE(periods, QList<int>{storedPeriod});
    const int otherYear = storedYear == 2025 ? 2026 : 2025;
    QVERIFY(stored(ctx, otherYear, form).isEmpty());
}

void TestDbfImport::twoFormsThenLoadedAgain()
{
    // The demo's own sample: forms 12 and 62 of 2025 in one file.
    Work work;
    data::DataContext ctx;
    const QList<DbfFile> files = scanMarked(work, u"import"_qs, {u"lpu501_002025.dBF"_qs});
    const DbfPeriodChoice fromName{false, 0, 0};
    DbfImport importer(ctx, {district, institution});

    DbfLoadOutcome first = importer.load(files, fromName);
    QVERIFY2(first.messages.isEmpty(), qPrintable(first.messages.join(u'|')));
    QCOMPARE(first.formsWritten, 2);
    QCOMPARE(first.totalAdded, qint64(14));
    QCOMPARE(first.added, 8); // the last form's, form 62
    QCOMPARE(periodsAndRows(stored(ctx, 2025, 12)), QList<int>({1, 2, 3, 4, 5, 6}));
    QCOMPARE(periodsAndRows(stored(ctx, 2025, 62)), QList<int>({1, 2, 3, 4, 5, 6, 7, 8}));
    QVERIFY(stored(ctx, 2026, 12).isEmpty());

    const QByteArray after = dataFingerprint(work);
    DbfLoadOutcome second = importer.load(files, fromName);
    QCOMPARE(second.totalAdded, qint64(0));
    QCOMPARE(second.added, 0);
    QCOMPARE(second.present, 8);
    QCOMPARE(second.messages, QStringList({DbfImport::duplicateText(12, 2025, 0, u"1"_qs),
                                           DbfImport::duplicateText(62, 2025, 0, u"1"_qs)}));
    QCOMPARE(dataFingerprint(work), after);
    QCOMPARE(DbfImport::doneText(second.added, second.present), u"ГОТОВО 0(ошибок 8)"_qs);
    QCOMPARE(second.messages.first(), u"в форме12 за 2025год 0месяц строка 1 уже есть"_qs);
}

void TestDbfImport::rowsTheFormDoesNotHave()
{
    Work work;
    data::DataContext ctx;
    writeDbf(work, u"lpu042026.dBF"_qs,
             {row(7, 1), row(7, 99), row(7, 0), row(7, 2), row(12, 3), row(7, 2), row(7, 4),
              Row{"7", "x1"}, row(14, 98)});
    writeDbf(work, u"lpu052026.dBF"_qs, {row(7, 1), row(7, 97)});
    const DbfLoadOutcome out =
        DbfImport(ctx, {district, institution}).load(scanMarked(work, u"dbf"_qs), {false, 0, 0});
    // Row 0 is passed over; form 12 is refused for month 4; the second row 2 is counted present.
    // The rows not found are listed for every form of every file, each with its form.
    QCOMPARE(out.rowsNotFound, u"форма 7:,99,x1; форма 14:,98; форма 7:,97"_qs);
    QCOMPARE(out.totalAdded, qint64(4));
    QCOMPARE(out.present, 0);
    QVERIFY(out.messages.contains(u"Файл lpu042026.dBF: "_qs + DbfImport::periodText(12)));
    QVERIFY(out.messages.contains(DbfImport::duplicateText(7, 2026, 4, u"2"_qs)));
    QCOMPARE(periodsAndRows(stored(ctx, 2026, 7)).count(2), 1);
}

void TestDbfImport::valuesOfEveryColumn()
{
    Work work;
    data::DataContext ctx;
    QList<QByteArray> values;
    for (int n = 1; n <= 25; ++n)
        values.append(QByteArray::number(n) + ".125");
    values[4] = "  -7,5 "; // a decimal comma and blanks
    values[6] = "";
    // A row with a value that is not a number is left out whole and listed, so that the file,
    // once corrected, can still add it.
    QList<QByteArray> spoilt = values;
    spoilt[5] = "12а";
    spoilt[8] = "1 000";
    writeDbf(work, u"lpu052026.dBF"_qs, {row(7, 3, values), row(7, 4, spoilt)});
    const DbfLoadOutcome out =
        DbfImport(ctx, {district, institution}).load(scanMarked(work, u"dbf"_qs), {false, 0, 0});
    QCOMPARE(out.added, 1);
    QCOMPARE(out.messages.size(), 1);
    QVERIFY2(out.messages.first().contains(u"lpu052026.dBF"_qs) &&
                 out.messages.first().contains(u"строка 4, графа 6: \"12"_qs) &&
                 out.messages.first().contains(u"строка 4, графа 9: \"1 000\""_qs),
             qPrintable(out.messages.first()));

    QByteArrayList records = stored(ctx, 2026, 7);
    QCOMPARE(records.size(), 1);
    const OtchetRecord r(records[0]);
    QCOMPARE(int(r.codReg()), district);
    QCOMPARE(r.codTab(), qint64(1000));
    QCOMPARE(r.mes(), 5);
    QCOMPARE(int(r.tip()), 1);
    for (int n = 1; n <= 35; ++n) {
        runtime::Decimal expected;
        if (n == 5)
            expected = *runtime::Decimal::fromString(u"-7.5");
        else if (n <= 25 && n != 7)
            expected = *runtime::Decimal::fromString(QString::number(n) + u".125"_qs);
        QCOMPARE(r.data(n).toString(), expected.toString());
    }
}

void TestDbfImport::filesNotLoaded_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason"); // a part of the message

    const QByteArray good = tools::dbaseFile(tools::dbaseImportColumns(), form7());
    QByteArray version = good;
    version[0] = char(0x02);
    QByteArray header = good;
    header[8] = char(0xFF); // header length beyond the file
    header[9] = char(0x7F);
    QByteArray record = good;
    record[10] = char(record[10] + 1); // record length that does not match the fields
    QByteArray descriptor = good;
    descriptor[32 + 16] = 0; // a field of length 0
    QByteArray terminator = good;
    terminator[32 + 32 * 27] = 'X';
    QByteArray flag = good;
    flag[32 + 32 * 27 + 1] = 'Q';

    QTest::newRow("truncated") << good.left(good.size() - 300) << u"короче"_qs;
    QTest::newRow("header only") << good.left(40) << QString();
    QTest::newRow("not dBase") << QByteArray("FORMA;NUMBSTR\n7;1\n") << QString();
    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("version byte") << version << u"байт версии"_qs;
    QTest::newRow("header length") << header << u"Длина заголовка"_qs;
    QTest::newRow("record length") << record << u"Длина записи"_qs;
    QTest::newRow("field descriptor") << descriptor << u"Описание поля"_qs;
    QTest::newRow("no terminator") << terminator << QString();
    QTest::newRow("deletion flag") << flag << u"Запись 1"_qs;
    QTest::newRow("other fields") << tools::dbaseFile({{"FORMA", 10}, {"ROW", 10}}, {{"7", "1"}})
                                  << u"поля файла"_qs;
}

void TestDbfImport::filesNotLoaded()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    Work work;
    data::DataContext ctx;
    work.makeDir(u"dbf"_qs);
    work.writeFile(u"dbf/bad052026.dBF"_qs, bytes);
    const QByteArray before = dataFingerprint(work);

    const QList<DbfFile> files = scanMarked(work, u"dbf"_qs);
    QCOMPARE(files.size(), 1);
    QCOMPARE(files[0].type, int(DbfFile::Unreadable));
    QCOMPARE(files[0].records, qint64(0));
    QVERIFY(!files[0].reason.isEmpty());
    if (!reason.isEmpty())
        QVERIFY2(files[0].reason.contains(reason), qPrintable(files[0].reason));

    const DbfLoadOutcome out = DbfImport(ctx, {district, institution}).load(files, {true, 2026, 5});
    QCOMPARE(out.messages,
             QStringList{DbfImport::notLoadedText(u"bad052026.dBF"_qs, files[0].reason)});
    QCOMPARE(out.formsWritten, 0);
    QCOMPARE(dataFingerprint(work), before);
    QCOMPARE(test::readBytes(work.filePath(u"dbf/bad052026.dBF"_qs)), bytes);
}

void TestDbfImport::vanishedFileIsNotCreated()
{
    Work work;
    data::DataContext ctx;
    writeDbf(work, u"lpu052026.dBF"_qs, form7());
    const QList<DbfFile> files = scanMarked(work, u"dbf"_qs);
    QVERIFY(QFile::remove(work.filePath(u"dbf/lpu052026.dBF"_qs)));
    const DbfLoadOutcome out = DbfImport(ctx, {district, institution}).load(files, {false, 0, 0});
    QCOMPARE(out.messages.size(), 1);
    QVERIFY(out.messages.first().contains(u"lpu052026.dBF"_qs));
    QVERIFY(!QFile::exists(work.filePath(u"dbf/lpu052026.dBF"_qs)));
    QVERIFY(stored(ctx, 2026, 7).isEmpty());
}

void TestDbfImport::formNotWritten_data()
{
    QTest::addColumn<bool>("inUse");
    QTest::newRow("damaged data file") << false;
    QTest::newRow("report open in entry") << true;
}

void TestDbfImport::formNotWritten()
{
    // A form that cannot be written is reported; its rows are not counted as present.
    QFETCH(bool, inUse);
    Work work;
    data::DataContext ctx;
    writeDbf(work, u"lpu052026.dBF"_qs, form7());
    if (inUse) {
        entry::ReportMarker marker(ctx, 2026, institution, 7);
        QCOMPARE(marker.take(), entry::ReportMarker::Take::Taken);
    } else {
        work.writeFile(u"2026/F0007.dat"_qs, QByteArray(4096, 'x'));
    }
    const QByteArray before = dataFingerprint(work);
    const DbfLoadOutcome out =
        DbfImport(ctx, {district, institution}).load(scanMarked(work, u"dbf"_qs), {false, 0, 0});
    QCOMPARE(out.present, 0);
    QCOMPARE(out.formsWritten, 0);
    QCOMPARE(out.messages.size(), 1);
    QVERIFY2(out.messages.first().startsWith(u"Файл lpu052026.dBF, форма 7: "_qs),
             qPrintable(out.messages.first()));
    QCOMPARE(dataFingerprint(work), before);
}

void TestDbfImport::stopBetweenFiles()
{
    Work work;
    data::DataContext ctx;
    writeDbf(work, u"a052026.dBF"_qs, {row(7, 1)});
    writeDbf(work, u"b062026.dBF"_qs, {row(7, 1)});
    writeDbf(work, u"C072026.DBF"_qs, {row(7, 1)}); // names are matched without regard to case
    const QList<DbfFile> files = scanMarked(work, u"dbf"_qs);
    QCOMPARE(files.size(), 3);
    CancelAfter progress(1);
    const DbfLoadOutcome out =
        DbfImport(ctx, {district, institution}).load(files, {false, 0, 0}, &progress);
    QVERIFY(out.cancelled);
    QCOMPARE(out.filesDone, 1);
    QCOMPARE(out.totalAdded, qint64(1));
    QList<int> periods;
    periodsAndRows(stored(ctx, 2026, 7), &periods);
    QCOMPARE(periods, QList<int>{5});
    QVERIFY(DbfImport::cancelledText(out).contains(u"1"_qs));
}

QTEST_GUILESS_MAIN(TestDbfImport)
#include "test_dbfimport.moc"
