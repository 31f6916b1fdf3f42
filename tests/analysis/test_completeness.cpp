// The completeness count: reports per form and district or institution over a range of months,
// the period range of each periodicity, the table with every district and the total row first,
// switched-off and damaged forms, the thirty columns and counts beyond 16 bits.

#include "analysis/Completeness.h"
#include "data/DataContext.h"
#include "data/FileNames.h"
#include "data/OpenedFile.h"
#include "data/records/FormaRecord.h"
#include "entry/EntryFixture.h"
#include "runtime/fs/Paths.h"
#include "runtime/office/DesktopOpener.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/office/XlsxReader.h"
#include "runtime/store/Scan.h"
#include "runtime/store/Transaction.h"
#include "shell/ExcelLauncher.h"
#include "support/ScriptedPrompter.h"
#include "tools/DemoSummaries.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using zemor::analysis::Completeness;
using zemor::analysis::CompletenessCount;
using zemor::analysis::CompletenessMode;
using zemor::analysis::CompletenessNames;
using zemor::analysis::CompletenessTable;
using zemor::analysis::CountedReport;

namespace {

int columnOf(const CompletenessTable &table, qint64 form)
{
    for (int i = 0; i < table.columns.size(); ++i) {
        if (table.columns[i].code == form)
            return i;
    }
    return -1;
}

const zemor::analysis::CompletenessRow *rowOf(const CompletenessTable &table, qint32 key)
{
    for (const auto &row : table.rows) {
        if (row.key == key && (key == 0 || row.name != CompletenessTable::totalName()))
            return &row;
    }
    return nullptr;
}

CompletenessTable count(int year, qint32 from, qint32 to, CompletenessMode mode,
                        QStringList *troubles = nullptr)
{
    const auto counted = Completeness::countSubmittedReports(year, from, to);
    if (!counted) {
        qWarning() << counted.error().message;
        return {};
    }
    if (troubles)
        *troubles = counted->troubles;
    const auto names = Completeness::readNames();
    return Completeness::buildTable(*counted, mode, names ? *names : CompletenessNames());
}

} // namespace

class TestCompleteness : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void periodRange_data();
    void periodRange();
    void monthsCounted();
    void everyDistrictAndTheTotal();
    void thirtyColumnsAndLargeCounts();
    void switchedOffAndDamagedForms();
    void workbook();

private:
    QTemporaryDir m_dir;
};

void TestCompleteness::initTestCase()
{
    const QString failed = zemor::test::buildDemoWorkDir(m_dir);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
}

void TestCompleteness::periodRange_data()
{
    QTest::addColumn<int>("periodicity");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("first"); // -1: the form is not counted
    QTest::addColumn<int>("last");
    QTest::newRow("annual") << 0 << 1 << 12 << 0 << 0;
    QTest::newRow("monthly") << 1 << 2 << 5 << 2 << 5;
    QTest::newRow("quarterly 1..2 not counted") << 2 << 1 << 2 << -1 << -1;
    QTest::newRow("quarterly 1..6") << 2 << 1 << 6 << 0 << 2;
    QTest::newRow("half-year of month 5") << 3 << 5 << 5 << 0 << 0;
    QTest::newRow("half-year of month 6") << 3 << 6 << 6 << 1 << 1;
    QTest::newRow("half-year of month 12") << 3 << 5 << 12 << 0 << 2;
    QTest::newRow("daily") << 5 << 739000 << 739006 << 739000 << 739006;
    QTest::newRow("weekly and others") << 4 << 3 << 9 << 0 << 0;
}

void TestCompleteness::periodRange()
{
    QFETCH(int, periodicity);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, first);
    QFETCH(int, last);
    const auto range = Completeness::periodRange(periodicity, from, to);
    if (first < 0) {
        QVERIFY(!range);
        return;
    }
    QVERIFY(range);
    QCOMPARE(range->first, first);
    QCOMPARE(range->second, last);
}

void TestCompleteness::monthsCounted()
{
    // 2026 holds the months 1 and 2 of form 7 and the first quarter of form 14.
    const CompletenessTable byInstitution = count(2026, 1, 3, CompletenessMode::ByInstitution);
    const int form7 = columnOf(byInstitution, 7);
    QVERIFY(form7 >= 0);
    const auto *central = rowOf(byInstitution, 101);
    QVERIFY(central);
    QCOMPARE(central->counts[size_t(form7)], 2);
    QCOMPARE(central->name, u"Берёзовский Берёзовская ЦРБ"_s);
    QVERIFY(columnOf(byInstitution, 14) >= 0);

    // A quarterly form is not counted for the months 1 and 2.
    const CompletenessTable early = count(2026, 1, 2, CompletenessMode::ByInstitution);
    QVERIFY(columnOf(early, 7) >= 0);
    QCOMPARE(columnOf(early, 14), -1);

    // The half-yearly demo form: months 1..6 take the half-years 0..1.
    const CompletenessTable halves = count(2025, 6, 6, CompletenessMode::ByInstitution);
    const int form53 = columnOf(halves, zemor::tools::DemoSummaries::halfYearlyForm);
    QVERIFY(form53 >= 0);
    QCOMPARE(rowOf(halves, 101)->counts[size_t(form53)], 1);
    QCOMPARE(rowOf(halves, 102)->counts[size_t(form53)], 1);
    const CompletenessTable both = count(2025, 6, 12, CompletenessMode::ByInstitution);
    QCOMPARE(rowOf(both, 101)->counts[size_t(columnOf(both, 53))], 2);
}

void TestCompleteness::everyDistrictAndTheTotal()
{
    const CompletenessTable table = count(2025, 1, 12, CompletenessMode::ByDistrict);
    QVERIFY(!table.rows.isEmpty());
    QCOMPARE(table.rows.first().name, CompletenessTable::totalName());
    QCOMPARE(table.rowsWithoutTotal, table.rows.size() - 1);
    // Every district has a row, with zeros where nothing came in (district 5 sent form 51 only).
    for (int d : {1, 2, 3, 4, 5, 6, 101, 102}) {
        const auto *row = rowOf(table, d);
        QVERIFY2(row, qPrintable(QString::number(d)));
        QCOMPARE(row->district, d);
    }
    const int form7 = columnOf(table, 7);
    QCOMPARE(rowOf(table, 5)->counts[size_t(form7)], 0);
    QCOMPARE(rowOf(table, 5)->counts[size_t(columnOf(table, 51))], 3);
    QCOMPARE(rowOf(table, 102)->counts[size_t(form7)], 0);
    // Institutions of district 201 come one by one, under their own names.
    bool regional = false;
    for (const auto &row : table.rows) {
        if (row.district == 201 && row.key != 201) {
            regional = true;
            QVERIFY(!row.name.startsWith(u"Областные"_s));
        }
    }
    QVERIFY(regional);
    // The total row holds the column sums.
    for (int c = 0; c < table.columns.size(); ++c) {
        qint64 sum = 0;
        for (int r = 1; r < table.rows.size(); ++r)
            sum += table.rows[r].counts[size_t(c)];
        QCOMPARE(qint64(table.rows.first().counts[size_t(c)]), sum);
    }
    QVERIFY(table.format.startsWith(u"15L(1)|_FM@s4@45L(1)|_FM~Регион~@s50@20C|_M~"_s));
}

void TestCompleteness::thirtyColumnsAndLargeCounts()
{
    CompletenessCount counted;
    for (int f = 1; f <= 31; ++f) {
        counted.forms.append({f, u"ф"_s + QString::number(f), 1});
        counted.reports.append({100 + f, f, 1, 1});
    }
    // A daily form with more reports than 16 bits hold.
    counted.forms.append({0, u"день"_s, 5});
    for (int i = 0; i < 40000; ++i)
        counted.reports.append({1000 + i, 0, 2, 5});
    const CompletenessTable table =
        Completeness::buildTable(counted, CompletenessMode::ByDistrict, CompletenessNames());
    QCOMPARE(table.columns.size(), 30);
    QCOMPARE(table.columns.first().code, 0);
    QCOMPARE(table.columns.last().code, 29);
    QCOMPARE(rowOf(table, 2)->counts[0], 40000);
    QCOMPARE(table.rows.first().counts[0], 40000);
    // The 30th and 31st forms: the first has its column, the second is not counted.
    QCOMPARE(rowOf(table, 1)->counts[29], 1);
    qint64 all = 0;
    for (qint32 c : table.rows.first().counts)
        all += c;
    QCOMPARE(all, 40000 + 29);
}

void TestCompleteness::switchedOffAndDamagedForms()
{
    QTemporaryDir dir;
    const QString failed = zemor::test::buildDemoWorkDir(dir);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    const auto restore =
        qScopeGuard([this] { zemor::runtime::fs::setWorkDir(m_dir.filePath(u"work"_s)); });

    // Form 51 switched off.
    {
        zemor::data::DataContext ctx;
        ctx.names().setYearFileNames(2025);
        zemor::data::OpenedFile forma(ctx, zemor::data::FileId::forma);
        QVERIFY(forma.status());
        auto &file = ctx.file(zemor::data::FileId::forma);
        zemor::data::FormaRecord r(file.record());
        r.clear();
        QVERIFY(r.setUnicod(51));
        QVERIFY(file.get(zemor::data::FormaRecord::KeyUnicod));
        r.setVkl(1);
        QVERIFY(file.put());
    }
    // Form 52's data file damaged.
    const auto path = zemor::runtime::fs::resolve(zemor::data::FileNames::otchetFileName(2025, 52));
    QVERIFY(path);
    QFile damaged(*path);
    QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();

    QStringList troubles;
    const CompletenessTable table = count(2025, 1, 12, CompletenessMode::ByDistrict, &troubles);
    QCOMPARE(columnOf(table, 51), -1);
    QCOMPARE(columnOf(table, 52), -1);
    QVERIFY(columnOf(table, 7) >= 0);
    QVERIFY(columnOf(table, 53) >= 0);
    QCOMPARE(troubles.size(), 1);
    QVERIFY2(troubles.first().startsWith(u"Форма 52 (52-д)"_s), qPrintable(troubles.first()));
}

void TestCompleteness::workbook()
{
    const CompletenessTable table = count(2026, 1, 3, CompletenessMode::ByDistrict);
    struct : zemor::runtime::office::DesktopOpener
    {
        zemor::runtime::Status open(const QString &) override { return {}; }
    } desktop;
    zemor::runtime::office::OfficeServer office(&desktop);
    zemor::test::ScriptedPrompter prompter;
    zemor::shell::ExcelLauncher excel(office, prompter);
    QVERIFY(Completeness::exportToExcel(excel, table, CompletenessMode::ByDistrict, 1));
    QCOMPARE(prompter.lastText(), zemor::shell::ExcelLauncher::doneText());
    const auto book = zemor::runtime::office::XlsxReader::read(excel.workbookPath());
    QVERIFY(book);
    const auto text = [&](int row, int column) {
        const auto *cell = book->cell(row, column);
        return cell ? cell->displayText() : QString();
    };
    QCOMPARE(text(1, 1), u"Информация о количестве сданных отчетов за1 месяц"_s);
    QCOMPARE(text(9, 1), u"Регион"_s);
    QCOMPARE(text(8, 3), QString::number(table.columns.first().code));
    QCOMPARE(text(10, 1), CompletenessTable::totalName());
    QCOMPARE(text(10, 3), QString::number(table.rows.first().counts[0]));
    // Zeros are written too.
    const int last = int(table.rows.size()) + 9;
    QVERIFY(!text(last, 3).isEmpty());
}

QTEST_GUILESS_MAIN(TestCompleteness)
#include "test_completeness.moc"
