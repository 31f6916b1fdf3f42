// Building a cross-section on the demo working directory: which reports and periods a mark
// sums, the rows by districts, by institutions and by the rows of a table, the names of the
// pseudo-institutions, exact sums, and marks whose files are missing.

#include "analysis/crosssections/CrossSectionBuild.h"
#include "analysis/crosssections/CrossSectionMarks.h"
#include "data/DataContext.h"
#include "entry/FormCatalogue.h"
#include "runtime/core/Progress.h"
#include "runtime/fs/Paths.h"
#include "support/ScriptedPrompter.h"
#include "tests/analysis/CrossSectionFixture.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace zemor;
using analysis::CrossSectionBuild;
using analysis::CrossSectionGrouping;
using analysis::CrossSectionMark;
using analysis::CrossSectionMarks;
using analysis::CrossSectionResult;
using analysis::CrossSectionRow;
using analysis::CrossSectionScope;
using analysis::CrossSectionTable;
using analysis::MarkMode;
using runtime::Decimal;
using test::demoYear;
using test::StoredCell;

namespace {

CrossSectionMark mark(qint64 form, qint64 table, int rowId, int n, qint32 from, qint32 to,
                      qint32 year = demoYear)
{
    CrossSectionMark m;
    m.year = year;
    m.form = form;
    m.table = table;
    m.rowId = rowId;
    m.dataColumn = n;
    m.periodFrom = from;
    m.periodTo = to;
    return m;
}

const CrossSectionRow *rowOf(const CrossSectionResult &result, qint32 key)
{
    for (const CrossSectionRow &row : result.rows)
        if (row.key == key && !row.isTotal())
            return &row;
    return nullptr;
}

Decimal valueOf(const CrossSectionResult &result, qint32 key, int slot = 1)
{
    const CrossSectionRow *row = rowOf(result, key);
    return row ? row->values.at(slot - 1) : Decimal();
}

class Stopping : public runtime::Progress
{
public:
    void setTotal(qint64) override {}
    void step(qint64, const QString &) override {}
    bool cancelled() const override { return true; }
};

} // namespace

Q_DECLARE_METATYPE(QList<qint32>)

class TestCrossSectionBuild : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        const QString failed = test::buildCrossSectionDemo(m_dir);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }

    // Which reports and periods one mark sums: by the row of a district (grouping 1) or of an
    // institution (grouping 2), against the sum of the stored values themselves.
    void sums_data()
    {
        QTest::addColumn<int>("form");
        QTest::addColumn<int>("rowId");
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QList<qint32>>("selection");
        QTest::addColumn<int>("grouping");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("takenDistrict");               // 0: any
        QTest::addColumn<QList<qint32>>("takenInstitutions"); // empty: any
        QTest::addColumn<int>("monthsFrom");
        QTest::addColumn<int>("monthsTo");

        QTest::newRow("months 3..5, district 2") << 7 << 2 << 1 << 3 << 5 << 0 << QList<qint32>{}
                                                 << 1 << 2 << 2 << QList<qint32>{} << 3 << 5;
        QTest::newRow("months 3..5, column 3") << 7 << 3 << 3 << 3 << 5 << 0 << QList<qint32>{} << 1
                                               << 4 << 4 << QList<qint32>{} << 3 << 5;
        QTest::newRow("annual form") << 12 << 1 << 1 << 0 << 0 << 0 << QList<qint32>{} << 1 << 3
                                     << 3 << QList<qint32>{} << 0 << 0;
        // The report chosen in the list is for March; the mark's months are what count.
        QTest::newRow("selected institution, 1..6")
            << 7 << 2 << 2 << 1 << 6 << 0 << QList<qint32>{101} << 2 << 101 << 0
            << QList<qint32>{101} << 1 << 6;
        QTest::newRow("selection ignores its district")
            << 7 << 2 << 2 << 1 << 6 << 3 << QList<qint32>{101, 301} << 1 << 3 << 0
            << QList<qint32>{301} << 1 << 6;
        QTest::newRow("form 999, selection takes all")
            << 999 << 1 << 2 << 0 << 0 << 0 << QList<qint32>{102} << 2 << 301 << 0
            << QList<qint32>{301} << 0 << 0;
        QTest::newRow("form 999, filter 3") << 999 << 1 << 2 << 0 << 0 << 3 << QList<qint32>{} << 1
                                            << 3 << 3 << QList<qint32>{} << 0 << 0;
        QTest::newRow("form 999, filter 3, other district")
            << 999 << 1 << 2 << 0 << 0 << 3 << QList<qint32>{} << 1 << 1 << 99 << QList<qint32>{}
            << 0 << 0;
        QTest::newRow("district total adds into its district")
            << 7 << 2 << 1 << 3 << 3 << 0 << QList<qint32>{} << 1 << 1 << 1 << QList<qint32>{} << 3
            << 3;
        // Twelve values of 99999999999999.999 come to 1199999999999999.988 exactly.
        QTest::newRow("largest values")
            << 7 << 1 << 1 << 1 << 12 << 6 << QList<qint32>{} << 2 << test::largestValuesInstitution
            << 6 << QList<qint32>{} << 1 << 12;
    }
    void sums()
    {
        QFETCH(int, form);
        QFETCH(int, rowId);
        QFETCH(int, n);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, filter);
        QFETCH(QList<qint32>, selection);
        QFETCH(int, grouping);
        QFETCH(int, key);
        QFETCH(int, takenDistrict);
        QFETCH(QList<qint32>, takenInstitutions);
        QFETCH(int, monthsFrom);
        QFETCH(int, monthsTo);

        data::DataContext context;
        CrossSectionBuild build(context, {filter, selection});
        QList<CrossSectionMark> marks{mark(form, 1000, rowId, n, from, to)};
        auto result = build.byPlace(marks, CrossSectionGrouping(grouping));
        QVERIFY(result);
        QVERIFY(result->failures.isEmpty());

        const Decimal expected =
            test::sumOf(test::storedCells(form, rowId, n), [&](const StoredCell &c) {
                if (c.period < monthsFrom || c.period > monthsTo)
                    return false;
                if (takenDistrict != 0 && c.district != takenDistrict)
                    return false;
                if (!takenInstitutions.isEmpty() && !takenInstitutions.contains(c.institution))
                    return false;
                return grouping == 1 ? c.district == key : c.institution == key;
            });
        QCOMPARE(valueOf(*result, key).toString(), expected.toString());
        if (takenDistrict != 99)
            QVERIFY(!expected.isZero());
        if (QTest::currentDataTag() == QByteArrayLiteral("largest values"))
            QCOMPARE(expected.toString(), u"1199999999999999.988"_s);
    }

    // District filter 3 by districts: a row for every district of region1 in stored order,
    // zeros but district 3, then the total.
    void districtFilterByDistricts()
    {
        data::DataContext context;
        CrossSectionBuild build(context, {3, {}});
        QList<CrossSectionMark> marks{mark(7, 1000, 2, 1, 1, 12), mark(7, 1000, 3, 2, 1, 12)};
        auto result = build.byPlace(marks, CrossSectionGrouping::Districts);
        QVERIFY(result);
        QStringList regions;
        for (const CrossSectionRow &row : result->rows) {
            regions << row.region.trimmed();
            if (row.district != 3 && !row.isTotal())
                QVERIFY2(row.isEmpty(), qPrintable(row.region));
        }
        QCOMPARE(regions.join(u','), u"Каменский,Берёзовский,Зареченский,Лесогорский,Озёрский,"
                                     "Приреченский,Таргин,Сарвенск,Областные учрежде,Всего"_s);
        const CrossSectionRow &total = result->rows.last();
        QCOMPARE(total.district, 250);
        QCOMPARE(total.values, rowOf(*result, 3)->values);
        QVERIFY(!total.isEmpty());
    }

    // Names of the rows by institutions, the pseudo-institutions among them.
    void namesByInstitution()
    {
        data::DataContext context;
        CrossSectionBuild build(context, {});
        QList<CrossSectionMark> marks{mark(7, 1000, 2, 1, 3, 3)};
        auto result = build.byPlace(marks, CrossSectionGrouping::Institutions);
        QVERIFY(result);
        QCOMPARE(rowOf(*result, 21101)->name, u"г.Таргин"_s);
        QCOMPARE(rowOf(*result, 21001)->name, u"Берёзовский район"_s);
        QCOMPARE(rowOf(*result, 21001)->region.trimmed(), u"Берёзовский"_s);
        QCOMPARE(rowOf(*result, 20000)->name, QString());
        QCOMPARE(rowOf(*result, 20001)->name, QString());
        QCOMPARE(result->missingInstitutions, (QList<qint32>{20000, 20001}));
        QCOMPARE(CrossSectionBuild::missingInstitutionText(20000), u"Не найден код ЛПУ 20000"_s);
        // An attached village carries a "*", and the row keeps kind and settlement.
        const CrossSectionRow *village = rowOf(*result, 105);
        QVERIFY(village);
        QVERIFY(village->name.endsWith(u'*'));
        QCOMPARE(village->settlement, 3);
        QCOMPARE(village->kind, 3);
        QCOMPARE(result->rows.last().region, CrossSectionBuild::totalText());
    }

    // A build reads the first 105 marks, each in its own column.
    void keepsTheFirst105Marks()
    {
        QList<CrossSectionMark> marks;
        for (int i = 0; i < 110; ++i)
            marks.append(mark(7, 1000, 1 + i % 4, 1 + i % 4, 1 + i % 12, 1 + i % 12));
        data::DataContext context;
        CrossSectionBuild build(context, {});
        auto result = build.byPlace(marks, CrossSectionGrouping::Districts);
        QVERIFY(result);
        QCOMPARE(marks.size(), 105);
        QCOMPARE(result->markCount(), 105);
        QCOMPARE(result->marks.last().nn, 105);
        const CrossSectionRow &total = result->rows.last();
        QCOMPARE(total.values.size(), 105);
        const Decimal last =
            test::sumOf(test::storedCells(7, 1 + 104 % 4, 1 + 104 % 4),
                        [](const StoredCell &c) { return c.period == 1 + 104 % 12; });
        QCOMPARE(total.values[104].toString(), last.toString());
    }

    // By rows: only marks of the current form and table give values, in their own slots, and
    // every row of the table gets the sum of the mark's column.
    void byRows()
    {
        data::DataContext context;
        auto catalogue = entry::FormCatalogue::read(context, demoYear, 12);
        QVERIFY(catalogue);
        const QList<CrossSectionTable> tables = CrossSectionTable::tablesOf(*catalogue);
        QCOMPARE(tables.first().code, 1000);
        QList<CrossSectionMark> marks{mark(12, 2000, 5, 1, 0, 0), mark(12, 1000, 1, 2, 0, 0),
                                      mark(7, 1000, 1, 1, 1, 12), mark(12, 1000, 3, 4, 0, 0)};
        CrossSectionBuild build(context, {2, {}});
        auto result = build.byRows(marks, 12, tables.first(), CrossSectionGrouping::Districts);
        QVERIFY(result);
        QVERIFY(result->byRows);
        QCOMPARE(result->rows.size(), 4);
        for (const CrossSectionRow &row : result->rows) {
            QCOMPARE(row.values.size(), 4);
            QVERIFY(row.values[0].isZero());
            QVERIFY(row.values[2].isZero());
            for (int slot : {2, 4}) {
                const int n = marks[slot - 1].dataColumn;
                const Decimal expected =
                    test::sumOf(test::storedCells(12, row.key, n),
                                [](const StoredCell &c) { return c.district == 2; });
                QCOMPARE(row.values[slot - 1].toString(), expected.toString());
                QVERIFY(!expected.isZero());
            }
        }
        QCOMPARE(result->rows.first().region, u"1"_s);
    }

    // The grid numbers data columns by stored column - offset: with column 5 missing from the
    // catalogue, the column stored as 6 still reads value 2.
    void columnGapReadsItsOwnValue()
    {
        data::DataContext context;
        auto catalogue = entry::FormCatalogue::read(context, demoYear, 12);
        QVERIFY(catalogue);
        QList<CrossSectionTable> tables = CrossSectionTable::tablesOf(*catalogue);
        CrossSectionTable &children = tables[1];
        QCOMPARE(children.offset, 4);
        children.dataColumns[0] = {};
        CrossSectionMarks marks;
        marks.start(12, 0, demoYear, 0, 0);
        marks.setTables(tables);
        marks.chooseTable(1);
        marks.mark(0, 2, MarkMode::Cell);
        QCOMPARE(marks.marks().first().storedColumn, 6);
        QList<CrossSectionMark> list = marks.marks();
        CrossSectionBuild build(context, {});
        auto result = build.byPlace(list, CrossSectionGrouping::Districts);
        QVERIFY(result);
        const Decimal expected =
            test::sumOf(test::storedCells(12, 5, 2), [](const StoredCell &) { return true; });
        QCOMPARE(result->rows.last().values[0].toString(), expected.toString());
        QVERIFY(expected !=
                test::sumOf(test::storedCells(12, 5, 1), [](const StoredCell &) { return true; }));
    }

    // A form without a data file gives zeros; a year without its directory gives zeros and
    // one failure for each of its forms; neither stops the build.
    void missingFiles()
    {
        test::ScriptedPrompter prompter;
        data::DataContext context(&prompter);
        CrossSectionBuild build(context, {});
        QList<CrossSectionMark> marks{mark(77, 1000, 1, 1, 1, 1), mark(7, 1000, 1, 1, 1, 1, 2031),
                                      mark(12, 1000, 1, 1, 0, 0, 2031), mark(7, 1000, 2, 1, 3, 3)};
        auto result = build.byPlace(marks, CrossSectionGrouping::Districts);
        QVERIFY(result);
        QCOMPARE(result->failures.size(), 2);
        QCOMPARE(prompter.messages.size(), 2);
        const CrossSectionRow &total = result->rows.last();
        QVERIFY(total.values[0].isZero());
        QVERIFY(total.values[1].isZero());
        QVERIFY(total.values[2].isZero());
        QVERIFY(!total.values[3].isZero());
        QCOMPARE(result->lastYearRead, demoYear);
    }

    // A data file that cannot be read gives zeros to its own marks only: the marks of the other
    // forms of that year are summed, by place and by rows.
    void unreadableFileLeavesTheYearsOtherForms()
    {
        QFile broken(QDir(runtime::fs::workDir()).filePath(u"%1/F0088.dat"_s.arg(demoYear)));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray(4096, 'x'));
        broken.close();
        const auto remove = qScopeGuard([&broken] { broken.remove(); });

        test::ScriptedPrompter prompter;
        data::DataContext context(&prompter);
        CrossSectionBuild build(context, {});
        QList<CrossSectionMark> marks{mark(88, 1000, 2, 1, 3, 3), mark(88, 1000, 2, 2, 3, 4),
                                      mark(7, 1000, 2, 1, 3, 3)};
        auto result = build.byPlace(marks, CrossSectionGrouping::Districts);
        QVERIFY(result);
        QCOMPARE(result->failures.size(), 1);
        const CrossSectionRow &total = result->rows.last();
        QVERIFY(total.values[0].isZero());
        QVERIFY(total.values[1].isZero());
        const Decimal expected = test::sumOf(test::storedCells(7, 2, 1),
                                             [](const StoredCell &c) { return c.period == 3; });
        QVERIFY(!expected.isZero());
        QCOMPARE(total.values[2].toString(), expected.toString());
    }

    void cancelled()
    {
        data::DataContext context;
        CrossSectionBuild build(context, {});
        QList<CrossSectionMark> marks{mark(7, 1000, 2, 1, 3, 3)};
        Stopping stop;
        auto result = build.byPlace(marks, CrossSectionGrouping::Districts, &stop);
        QVERIFY(!result);
        QCOMPARE(result.error().code, runtime::ErrorCode::Cancelled);
    }

    void accumulate_data()
    {
        QTest::addColumn<QString>("sum");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected"); // empty: overflow
        QTest::newRow("plain") << u"1.5"_s << u"2.25"_s << u"3.75"_s;
        QTest::newRow("negative") << u"1"_s << u"-3.001"_s << u"-2.001"_s;
        QTest::newRow("largest") << u"1099999999999999.989"_s << u"99999999999999.999"_s
                                 << u"1199999999999999.988"_s;
        QTest::newRow("beyond 19 digits") << u"9999999999999999.999"_s << u"0.001"_s << QString();
    }
    void accumulate()
    {
        QFETCH(QString, sum);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        auto added =
            CrossSectionBuild::accumulate(*Decimal::fromString(sum), *Decimal::fromString(value));
        if (expected.isEmpty()) {
            QVERIFY(!added);
            QCOMPARE(added.error().code, runtime::ErrorCode::Overflow);
        } else {
            QVERIFY(added);
            QCOMPARE(added->toString(), expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestCrossSectionBuild)
#include "test_crosssectionbuild.moc"
