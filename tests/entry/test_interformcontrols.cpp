// The inter-form controls over the demo working directory: the formula list, a formula read
// from the year's inter-form file under the row-rule file's name, the lines of each scope with
// exact sums over every period, and the relations judged on those exact sums.

#include "data/DataContext.h"
#include "entry/InterFormControls.h"
#include "runtime/core/Progress.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/TextLineFile.h"
#include "tools/DemoBuilder.h"

#include <QTemporaryDir>
#include <QTest>

using namespace zemor;
using namespace zemor::entry;
using namespace Qt::StringLiterals;
using runtime::Decimal;

Q_DECLARE_METATYPE(zemor::entry::InterFormRule)

namespace {

Decimal dec(const char *text)
{
    return Decimal::fromString(QString::fromLatin1(text)).value_or(Decimal());
}

InterFormRule rule(int relation, QList<std::array<int, 3>> triples)
{
    return InterFormRule{99, relation, std::move(triples)};
}

} // namespace

class TestInterFormControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void formulaList();
    void formulaFromTheYearsFile();
    void grouping();
    void scopes_data();
    void scopes();
    void exactSums_data();
    void exactSums();
    void cancelled();

private:
    QTemporaryDir m_dir;
    QString m_root;
};

void TestInterFormControls::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_root = m_dir.filePath(u"work"_s);
    const auto built = tools::DemoBuilder().build(m_root);
    QVERIFY2(built, qPrintable(built ? QString() : built.error().message));
    runtime::fs::setWorkDir(m_root);
}

void TestInterFormControls::formulaList()
{
    const auto demo = InterFormControls::readList(m_root + u"/SpisMF.TXT"_s);
    QVERIFY(demo);
    QVERIFY(demo->size() >= 2);
    QCOMPARE(demo->at(0).code, 1);
    QVERIFY(demo->at(0).name.startsWith(u"Годовые сведения ф.12"_s));
    QVERIFY(demo->at(0).formula.startsWith(u"Ф12 т1000"_s));

    // Lines longer than any buffer are read whole; the list's own widths still bound them.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"SpisMF.TXT"_s);
    runtime::store::TextLineFile file;
    QVERIFY(file.create(path));
    QVERIFY(file.writeLine(QStringView(u"007Длинная формула"_s + QString(900, u'я'))));
    QVERIFY(file.writeLine(QStringView(QString(1000, u'ф'))));
    QVERIFY(file.writeLine(QStringView(u"  8Без второй строки"_s)));
    QVERIFY(file.commit());
    const auto list = InterFormControls::readList(path);
    QVERIFY(list);
    QCOMPARE(list->size(), 2);
    QCOMPARE(list->at(0).code, 7);
    QCOMPARE(list->at(0).name.size(), 100);
    QCOMPARE(list->at(0).formula, QString(250, u'ф'));
    QCOMPARE(list->at(1).code, 8);
    QVERIFY(list->at(1).formula.isEmpty());

    const auto missing = InterFormControls::readList(dir.filePath(u"none.txt"_s));
    QVERIFY(missing && missing->isEmpty());
}

void TestInterFormControls::formulaFromTheYearsFile()
{
    data::DataContext ctx;
    InterFormControls controls(ctx, 2025);
    const auto found = controls.formula(1);
    QVERIFY(found && *found);
    QCOMPARE((*found)->relation, 1);
    QCOMPARE((*found)->groups.size(), 2);
    QCOMPARE((*found)->groups.at(0).form, 7);
    QCOMPARE((*found)->groups.at(0).columns, QList<int>{-1});
    QCOMPARE((*found)->groups.at(1).form, 12);
    // The row-rule file's name is the year's own again.
    QVERIFY(
        ctx.names().contrStrFileName().endsWith(u"\\2025\\ContrStr.dat"_s, Qt::CaseInsensitive));

    const auto absent = controls.formula(999);
    QVERIFY(absent && !*absent);
    QCOMPARE(InterFormControls::notFoundText(), u"Контроль не найден"_s);
}

void TestInterFormControls::grouping()
{
    // (62, -15, 4), (62, 15, -4) and (62, -15, -4) all subtract; the sign moves to the column.
    InterFormFormula f =
        InterFormControls::group(rule(1, {{62, -15, 4}, {62, 15, -4}, {62, -15, -4}, {7, 2, 1}}));
    QCOMPARE(f.groups.size(), 2);
    QCOMPARE(f.groups.at(0).form, 7);
    QCOMPARE(f.groups.at(1).row, 15);
    QCOMPARE(f.groups.at(1).columns, (QList<int>{-4, -4, -4}));
    QVERIFY(f.diagnostics.isEmpty());

    // Past 25 columns of one row: each further one is dropped and told.
    QList<std::array<int, 3>> many;
    for (int c = 1; c <= 27; ++c)
        many.append({62, 1, c});
    f = InterFormControls::group(rule(1, many));
    QCOMPARE(f.groups.size(), 1);
    QCOMPARE(f.groups.first().columns.size(), 25);
    QCOMPARE(f.diagnostics, (QStringList{u"ПЕРЕПОЛНЕНИЕ ГРАФ"_s, u"ПЕРЕПОЛНЕНИЕ ГРАФ"_s}));
}

void TestInterFormControls::scopes_data()
{
    QTest::addColumn<InterFormRule>("formula");
    QTest::addColumn<int>("scope");
    QTest::addColumn<int>("institution");
    QTest::addColumn<int>("district");
    QTest::addColumn<QList<int>>("failed");
    QTest::addColumn<int>("lines");

    const InterFormRule yearAgainstMonths = rule(1, {{12, 1, 1}, {7, -1, 1}});
    // The spoilt month of 301 is the only failure; every other institution's months add up.
    QTest::newRow("each institution") << yearAgainstMonths << 2 << 0 << 0 << QList<int>{301} << -1;
    QTest::newRow("one institution") << yearAgainstMonths << 1 << 301 << 0 << QList<int>{301} << 1;
    QTest::newRow("no institution chosen: every one")
        << yearAgainstMonths << 1 << 0 << 0 << QList<int>{301} << -1;
    QTest::newRow("its district") << yearAgainstMonths << 3 << 0 << 3 << QList<int>{3} << 1;
    QTest::newRow("another district") << yearAgainstMonths << 3 << 0 << 1 << QList<int>() << 1;
    QTest::newRow("each district, one line each")
        << yearAgainstMonths << 4 << 0 << 0 << QList<int>{3} << 9;
    QTest::newRow("the region") << yearAgainstMonths << 5 << 0 << 0 << QList<int>{0} << 1;
    QTest::newRow("relation 6 lists nothing")
        << rule(6, {{12, 1, 1}, {7, -1, 1}}) << 2 << 0 << 0 << QList<int>() << -1;
    // A cell against itself cancels exactly.
    QTest::newRow("cancelling cells")
        << rule(1, {{62, 1, 3}, {62, -1, 3}}) << 2 << 0 << 0 << QList<int>() << -1;
    QTest::newRow("a row the form does not have")
        << rule(1, {{62, 10, 3}, {62, -10, 3}}) << 2 << 0 << 0 << QList<int>() << 0;
    // A value number outside the 35 values reads nothing.
    QTest::newRow("value 40") << rule(2, {{62, 1, 40}}) << 5 << 0 << 0 << QList<int>{0} << 1;
    QTest::newRow("quarter posts and their rural part")
        << rule(3, {{62, 3, 3}, {62, -4, 3}}) << 2 << 0 << 0 << QList<int>() << -1;
    QTest::newRow("a form without a data file")
        << rule(2, {{55, 1, 1}}) << 5 << 0 << 0 << QList<int>{0} << 1;
}

void TestInterFormControls::scopes()
{
    QFETCH(InterFormRule, formula);
    QFETCH(int, scope);
    QFETCH(int, institution);
    QFETCH(int, district);
    QFETCH(QList<int>, failed);
    QFETCH(int, lines);

    data::DataContext ctx;
    InterFormControls controls(ctx, 2025);
    const auto result = controls.evaluate(InterFormControls::group(formula), InterFormScope(scope),
                                          institution, district);
    QVERIFY(result);
    if (lines >= 0)
        QCOMPARE(result->size(), lines);
    QList<int> codes;
    for (const InterFormLine &line : InterFormControls::failedLines(*result)) {
        codes.append(line.code);
        QVERIFY(!line.name.isEmpty());
        QVERIFY(line.name.size() <= InterFormControls::nameLength);
        // Term texts per institution and district, none for the region.
        QCOMPARE(line.terms.isEmpty(), scope == 5);
        if (scope != 5)
            QVERIFY(line.terms.startsWith(u"-(Ф7)"_s) || line.terms.startsWith(u"+(Ф"_s));
    }
    QCOMPARE(codes, failed);
    if (scope == 5)
        QCOMPARE(result->first().name, u"Таргинская область"_s);

    // The printed list: the formula, then name and sum of every failed line.
    const QList<InterFormLine> listed = InterFormControls::failedLines(*result);
    const auto pages = InterFormControls::printResults(listed, {1, u"Годовые"_s, u"Ф12"_s}, 2025);
    QCOMPARE(pages.count(), 1);
    const QStringList texts = pages.pages.first().texts();
    QVERIFY(texts.contains(u"1 Годовые"_s));
    for (const InterFormLine &line : listed) {
        QVERIFY(texts.contains(line.name));
        QVERIFY(texts.contains(line.sum.toString()));
    }
}

void TestInterFormControls::exactSums_data()
{
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<int>("relation");
    QTest::addColumn<bool>("fails");

    const QStringList zero{u"10.1"_s, u"20.2"_s, u"30.3"_s, u"-60.6"_s};
    QTest::newRow("= on cells that cancel") << zero << 1 << false;
    QTest::newRow(">= on cells that cancel") << zero << 3 << false;
    QTest::newRow("> on cells that cancel") << zero << 2 << true;
    QStringList months(12, u"123.45"_s);
    months.append(u"-1481.4"_s);
    QTest::newRow("twelve months against the year") << months << 1 << false;
    QTest::newRow("< on a negative sum") << QStringList{u"-0.001"_s} << 4 << false;
    QTest::newRow("<= on a positive sum") << QStringList{u"0.001"_s} << 5 << true;
    QTest::newRow("code 0 never fails") << QStringList{u"5"_s} << 0 << false;
    QTest::newRow("code 7 never fails") << QStringList{u"5"_s} << 7 << false;
}

void TestInterFormControls::exactSums()
{
    QFETCH(QStringList, cells);
    QFETCH(int, relation);
    QFETCH(bool, fails);
    Decimal sum;
    for (const QString &c : cells)
        sum = sum.add(dec(c.toLatin1().constData())).value_or(Decimal());
    QCOMPARE(InterFormControls::fails(relation, sum), fails);
}

void TestInterFormControls::cancelled()
{
    class Stop final : public runtime::Progress
    {
    public:
        void setTotal(qint64) override {}
        void step(qint64, const QString &) override {}
        bool cancelled() const override { return true; }
    } stop;
    data::DataContext ctx;
    const auto result = InterFormControls(ctx, 2025).evaluate(
        InterFormControls::group(rule(1, {{12, 1, 1}, {7, -1, 1}})), InterFormScope::Institutions,
        0, 0, &stop);
    QVERIFY(!result);
    QCOMPARE(result.error().code, runtime::ErrorCode::Cancelled);
}

QTEST_MAIN(TestInterFormControls)
#include "test_interformcontrols.moc"
