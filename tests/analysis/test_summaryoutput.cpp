// What leaves the summary: the summary exchange file (who it names, its period, its name, whole
// or not at all) and the workbook of one table (values with a decimal comma).

#include "analysis/Summary.h"
#include "analysis/SummaryFixture.h"
#include "analysis/SummaryOutput.h"
#include "data/DataContext.h"
#include "data/ExchangeFile.h"
#include "data/records/ExchangeRecord.h"
#include "entry/EntryFixture.h"
#include "entry/FormCatalogue.h"
#include "runtime/fs/DurableFile.h"
#include "runtime/office/DesktopOpener.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/office/XlsxReader.h"
#include "shell/ExcelLauncher.h"
#include "support/ScriptedPrompter.h"
#include "support/WriteFailures.h"
#include "tools/DemoSummaries.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

using namespace Qt::StringLiterals;
using zemor::analysis::Summary;
using zemor::analysis::SummaryFileTarget;
using zemor::analysis::SummaryOutput;
using zemor::analysis::SummaryRow;
using zemor::data::UserType;
using zemor::runtime::Decimal;

namespace {

Decimal dec(const char *text)
{
    return *Decimal::fromString(QString::fromLatin1(text));
}

// Rows 1..n of table 1000, row r holding r in column 1 and r / 8 in column 35.
Summary summaryOf(int rows)
{
    Summary s;
    for (int r = 1; r <= rows; ++r) {
        SummaryRow row;
        row.rowId = r;
        row.table = 1000;
        row.values[0] = r;
        row.values[34] = Decimal::fromUnits(r * 125, 3);
        s.rows.append(row);
    }
    return s;
}

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestSummaryOutput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void fileName_data();
    void fileName();
    void records_data();
    void records();
    void wholeOrNothing();
    void workbookValues_data();
    void workbookValues();
    void workbook();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString exportDir() const { return m_dir->filePath(u"export"_s); }
};

void TestSummaryOutput::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(exportDir()));
    zemor::runtime::fs::setWorkDir(m_dir->path());
}

void TestSummaryOutput::fileName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no trailing separator") << u"C:\\1"_s << u"C:\\1\\ssw284F111.dat"_s;
    QTest::newRow("trailing separator") << u"C:\\1\\"_s << u"C:\\1\\ssw284F111.dat"_s;
    QTest::newRow("blanks of the field") << u"\\export\\   "_s << u"\\export\\ssw284F111.dat"_s;
    QTest::newRow("a Linux folder") << u"/srv/out/"_s << u"/srv/out/ssw284F111.dat"_s;
}

void TestSummaryOutput::fileName()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(SummaryOutput::summaryFilePath(path, 284, 111), expected);
}

void TestSummaryOutput::records_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<int>("district");
    QTest::addColumn<int>("ownCode");
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("institution");
    QTest::newRow("district 7") << int(UserType::District) << 7 << 7 << 6 << 21007;
    QTest::newRow("the region") << int(UserType::WholeRegion) << 0 << 0 << 6 << 20000;
    QTest::newRow("an institution, annual") << int(UserType::Institution) << 1 << 284 << 0 << 284;
}

void TestSummaryOutput::records()
{
    QFETCH(int, userType);
    QFETCH(int, district);
    QFETCH(int, ownCode);
    QFETCH(int, period);
    QFETCH(int, institution);
    const SummaryFileTarget target{UserType(userType), district, ownCode, exportDir()};
    const Summary summary = summaryOf(3);
    const auto written = SummaryOutput::writeSummaryFile(summary, 51, period, target);
    QVERIFY2(written, qPrintable(written ? QString() : written.error().message));
    QCOMPARE(written->count, 3);
    QVERIFY(written->message().startsWith(u"Число записей:3 в файле"_s));
    QVERIFY(QFile::exists(
        QDir(exportDir()).filePath(u"ssw"_s + QString::number(ownCode) + u"F51.dat"_s)));

    const auto file = zemor::data::ExchangeFile::read(written->path);
    QVERIFY2(file, qPrintable(file ? QString() : file.error().message));
    QCOMPARE(file->count(), 3);
    for (int i = 0; i < 3; ++i) {
        QByteArray bytes = file->record(i);
        const zemor::data::ExchangeRecord r(bytes);
        QCOMPARE(r.codForm(), 51);
        QCOMPARE(r.codUch(), institution);
        QCOMPARE(int(r.codReg()), district);
        QCOMPARE(r.mes(), period);
        QCOMPARE(int(r.tip()), 0);
        QCOMPARE(int(r.unicodStr()), i + 1);
        QCOMPARE(r.codTab(), 1000);
        QCOMPARE(r.data(1), Decimal(i + 1));
        QCOMPARE(r.data(35), Decimal::fromUnits((i + 1) * 125, 3));
    }
}

void TestSummaryOutput::wholeOrNothing()
{
    const SummaryFileTarget target{UserType::District, 7, 7, exportDir()};
    const auto first = SummaryOutput::writeSummaryFile(summaryOf(2), 51, 6, target);
    QVERIFY(first);
    const QByteArray old = contentOf(first->path);
    QVERIFY(!old.isEmpty());

    // A value beyond the 17 digits of the record: reported, nothing written.
    Summary tooBig = summaryOf(4);
    tooBig.rows[2].values[4] = dec("100000000000000");
    auto again = SummaryOutput::writeSummaryFile(tooBig, 51, 6, target);
    QVERIFY(!again);
    QCOMPARE(again.error().code, zemor::runtime::ErrorCode::Overflow);
    QVERIFY2(again.error().message.contains(u"графа 5"_s), qPrintable(again.error().message));
    QCOMPARE(contentOf(first->path), old);
    // The largest value that fits goes through unchanged.
    Summary largest = summaryOf(1);
    largest.rows[0].values[0] = dec("99999999999999.999");
    QVERIFY(SummaryOutput::writeSummaryFile(largest, 51, 6, target));
    QVERIFY(SummaryOutput::writeSummaryFile(summaryOf(2), 51, 6, target));
    const QByteArray current = contentOf(first->path);

    // A write that fails half-way leaves the old file.
    {
        zemor::test::FileSizeLimit limit(4096);
        again = SummaryOutput::writeSummaryFile(summaryOf(400), 51, 6, target);
    }
    QVERIFY(!again);
    QVERIFY2(again.error().message.contains(u"прежний файл оставлен"_s),
             qPrintable(again.error().message));
    QCOMPARE(contentOf(first->path), current);

    // A disk too full even for the new file's header: the same words, naming the file.
    zemor::runtime::fs::failDurableWritesForTesting(ENOSPC);
    again = SummaryOutput::writeSummaryFile(summaryOf(2), 51, 6, target);
    zemor::runtime::fs::failDurableWritesForTesting(0);
    QVERIFY(!again);
    QCOMPARE(again.error().code, zemor::runtime::ErrorCode::DiskFull);
    QVERIFY2(again.error().message.startsWith(u"Файл свода "_s +
                                              SummaryOutput::summaryFilePath(exportDir(), 7, 51) +
                                              u" не записан, прежний файл оставлен: "_s),
             qPrintable(again.error().message));
    QCOMPARE(contentOf(first->path), current);

    // So does a run cancelled half-way.
    zemor::test::StoppingProgress stop(5);
    again = SummaryOutput::writeSummaryFile(summaryOf(50), 51, 6, target, &stop);
    QVERIFY(!again);
    QCOMPARE(again.error().code, zemor::runtime::ErrorCode::Cancelled);
    QCOMPARE(contentOf(first->path), current);
    QCOMPARE(QDir(exportDir()).entryList(QDir::Files), QStringList{u"ssw7F51.dat"_s});
}

void TestSummaryOutput::workbookValues_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("cell");
    QTest::newRow("a fraction") << u"12.5"_s << u"12,5"_s;
    QTest::newRow("whole") << u"7"_s << u"7"_s;
    QTest::newRow("three places") << u"-0.125"_s << u"-0,125"_s;
    QTest::newRow("large") << u"1234567890123456.001"_s << u"1234567890123456,001"_s;
}

void TestSummaryOutput::workbookValues()
{
    QFETCH(QString, value);
    QFETCH(QString, cell);
    QCOMPARE(SummaryOutput::workbookValue(*Decimal::fromString(value)), cell);
}

void TestSummaryOutput::workbook()
{
    QTemporaryDir dir;
    const QString failed = zemor::test::buildDemoWorkDir(dir);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    zemor::data::DataContext ctx;
    const auto catalogue =
        zemor::entry::FormCatalogue::read(ctx, 2025, zemor::tools::DemoSummaries::monthlyForm);
    QVERIFY(catalogue);
    const auto *table = catalogue->table(1000);
    QVERIFY(table);
    QCOMPARE(SummaryOutput::workbookTemplate(*table), u"swod.xls"_s);

    QList<zemor::analysis::SummaryTableRow> shown(2);
    shown[0].rowId = 1;
    shown[0].values[0] = dec("12.5");
    shown[0].values[3] = 40;
    shown[1].rowId = 2;
    shown[1].values[1] = dec("0.125");

    struct : zemor::runtime::office::DesktopOpener
    {
        zemor::runtime::Status open(const QString &) override { return {}; }
    } desktop;
    zemor::runtime::office::OfficeServer office(&desktop);
    zemor::test::ScriptedPrompter prompter;
    zemor::shell::ExcelLauncher excel(office, prompter);
    QVERIFY(SummaryOutput::exportToExcel(excel, *catalogue, *table, shown, u"2025г. Свод  "_s,
                                         zemor::tools::DemoSummaries::monthlyForm));
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.messages.at(0).text, zemor::shell::ExcelLauncher::doneText());

    const auto book = zemor::runtime::office::XlsxReader::read(excel.workbookPath());
    QVERIFY2(book, qPrintable(book ? QString() : book.error().message));
    const auto text = [&](int row, int column) {
        const auto *cell = book->cell(row, column);
        return cell ? cell->displayText() : QString();
    };
    QCOMPARE(text(2, 1), u"Ф51 Т1000 Сведения о движении коечного фонда"_s);
    QCOMPARE(text(3, 1), u"2025г. Свод"_s);
    QCOMPARE(text(9, 1), u"Коек на начало года"_s);
    QCOMPARE(text(10, 4), u"4"_s);
    // "12,5" reaches the sheet as the number 12.5; zeros leave their cells empty.
    QCOMPARE(text(11, 1), u"12.5"_s);
    QCOMPARE(text(11, 2), QString());
    QCOMPARE(text(11, 4), u"40"_s);
    QCOMPARE(text(12, 2), u"0.125"_s);
    const auto cells = SummaryOutput::workbookCells(*catalogue, *table, shown, u"T"_s, 51);
    QVERIFY(cells.contains(zemor::analysis::WorkbookCell{11, 1, u"12,5"_s}));
    QVERIFY(!std::any_of(cells.begin(), cells.end(),
                         [](const auto &c) { return c.text.contains(u'.'); }));
}

QTEST_GUILESS_MAIN(TestSummaryOutput)
#include "test_summaryoutput.moc"
