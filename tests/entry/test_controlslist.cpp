// The control lists of a form: the condition texts of column, row and inter-table rules, the
// lists read from the demo year, and their printed pages.

#include "data/DataContext.h"
#include "entry/ControlsList.h"
#include "runtime/fs/Paths.h"
#include "tools/DemoBuilder.h"

#include <QTemporaryDir>
#include <QTest>

using namespace zemor;
using namespace zemor::entry;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(zemor::entry::ColumnRule)
Q_DECLARE_METATYPE(zemor::entry::RowRule)
Q_DECLARE_METATYPE(zemor::entry::TableRule)

namespace {

RowCatalogue catalogue()
{
    RowCatalogue rows;
    rows.add({1, 1000, u"1"_s, 1});
    rows.add({2, 1000, u"1.1"_s, 2});
    rows.add({3, 1000, u"1.2"_s, 3});
    rows.add({5, 2000, u"2"_s, 1});
    return rows;
}

QStringList allTexts(const runtime::report::PageList &pages)
{
    QStringList texts;
    for (const auto &page : pages.pages)
        texts += page.texts();
    return texts;
}

} // namespace

class TestControlsList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void columnRuleTexts_data();
    void columnRuleTexts();
    void rowRuleTexts_data();
    void rowRuleTexts();
    void tableRuleTexts_data();
    void tableRuleTexts();
    void demoFormAndItsPages();
};

void TestControlsList::columnRuleTexts_data()
{
    QTest::addColumn<ColumnRule>("rule");
    QTest::addColumn<QString>("text");

    ColumnRule sum{1, 1000, u"0"_s, 0, 1, 1, {2, 3}, {}};
    QTest::newRow("sum of columns") << sum << u"г1 =г2+г3"_s;
    ColumnRule negative{2, 1000, u"0"_s, 0, 4, 5, {-1, 2, -3}, {}};
    QTest::newRow("first term negative, later minus") << negative << u"г4 <=г-1+г2-г3"_s;
    ColumnRule ifZero{3, 1000, u"1"_s, 1, 2, 6, {1}, {}};
    QTest::newRow("code 6") << ifZero << u"ЕСЛИ г2=0 ТО г1=0"_s;
    ColumnRule noRelation{4, 1000, u"0"_s, 0, 1, 7, {2}, {}};
    QTest::newRow("code 7 has no sign") << noRelation << u"г1 г2"_s;
    ColumnRule full{5, 1000, u"0"_s, 0, 1, 1, {}, {}};
    QString expected = u"г1 =г2"_s;
    for (int column = 2; column <= 25; ++column) {
        full.terms.append(column);
        if (column > 2)
            expected += u"+г"_s + QString::number(column);
    }
    QTest::newRow("24 terms, all of them") << full << expected;
}

void TestControlsList::columnRuleTexts()
{
    QFETCH(ColumnRule, rule);
    QFETCH(QString, text);
    QCOMPARE(ControlsList::columnRuleText(rule), text);
}

void TestControlsList::rowRuleTexts_data()
{
    QTest::addColumn<RowRule>("rule");
    QTest::addColumn<QString>("text");

    QTest::newRow("sum of rows") << RowRule{1, 0, 1, 1, {2, 3}} << u"c1    =c1.1+c1.2"_s;
    QTest::newRow("first term negative") << RowRule{2, 0, 1, 3, {-2, 3}} << u"c1    >=-c1.1+c1.2"_s;
    QTest::newRow("unknown rows left out") << RowRule{3, 0, 1, 1, {9, 2}} << u"c1    =c1.1"_s;
    QTest::newRow("code 6") << RowRule{4, 0, 2, 6, {3}} << u"ЕСЛИ c1.1=0 ТО c1.2=0"_s;
}

void TestControlsList::rowRuleTexts()
{
    QFETCH(RowRule, rule);
    QFETCH(QString, text);
    QCOMPARE(ControlsList::rowRuleText(rule, catalogue()), text);
}

void TestControlsList::tableRuleTexts_data()
{
    QTest::addColumn<TableRule>("rule");
    QTest::addColumn<QString>("text");

    QTest::newRow("across tables")
        << TableRule{1, 5, 5, 5, {{1, 1}, {-2, 1}}} << u"<=т1000c1г1-т1000c1.1г1"_s;
    QTest::newRow("code 6 has no sign") << TableRule{2, 5, 5, 6, {{1, 1}}} << u"т1000c1г1"_s;
}

void TestControlsList::tableRuleTexts()
{
    QFETCH(TableRule, rule);
    QFETCH(QString, text);
    QCOMPARE(ControlsList::tableRuleText(rule, catalogue()), text);
}

void TestControlsList::demoFormAndItsPages()
{
    QTemporaryDir dir;
    const QString root = dir.filePath(u"work"_s);
    QVERIFY(tools::DemoBuilder().build(root));
    runtime::fs::setWorkDir(root);

    data::DataContext ctx;
    const auto lists = ControlsList::build(ctx, 2025, 12);
    QVERIFY(lists);
    QCOMPARE(lists->columnRules.size(), 4);
    QCOMPARE(lists->rowRules.size(), 2);
    QCOMPARE(lists->tableRules.size(), 1);
    QCOMPARE(lists->columnRules.first().text, u"г1 =г2+г3"_s);
    QCOMPARE(lists->rowRules.first().text, u"c1    =c1.1+c1.2+c1.3"_s);
    QCOMPARE(lists->tableRules.first().table, 2000);

    // Every kind ticked: the groups, then one line per rule.
    const auto pages =
        ControlsList::print(*lists, {true, true, true}, 2025, u"Сведения о числе заболеваний"_s);
    QCOMPARE(pages.count(), 1);
    const QStringList texts = allTexts(pages);
    QVERIFY(texts.contains(u"2025  Форма Сведения о числе заболеваний"_s));
    QVERIFY(texts.contains(u"строка"_s));
    QVERIFY(texts.contains(u"графа"_s));
    QVERIFY(texts.contains(u"по стр.0    г1 =г2+г3"_s));
    QVERIFY(texts.contains(u"по гр.0 c1    =c1.1+c1.2+c1.3"_s));
    QVERIFY(texts.contains(u"Лист 1"_s));

    // Nothing ticked, or a form without rules: the page header alone.
    for (const auto &[form, choice] :
         {std::pair{qint64(12), ControlsList::PrintChoice{}},
          std::pair{qint64(16), ControlsList::PrintChoice{true, true, true}}}) {
        const auto of = ControlsList::build(ctx, 2025, form);
        QVERIFY(of);
        const auto empty = ControlsList::print(*of, choice, 2025, u"Ф"_s);
        QCOMPARE(empty.count(), 1);
        QCOMPARE(allTexts(empty), (QStringList{u"2025  Форма Ф"_s, u"Лист 1"_s}));
    }
}

QTEST_GUILESS_MAIN(TestControlsList)
#include "test_controlslist.moc"
