#include "runtime/decimal/Decimal.h"
#include "runtime/ui/QueueModel.h"

#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using zemor::runtime::Decimal;
using zemor::runtime::ui::QueueModel;
using namespace Qt::StringLiterals;

namespace {

using Keys = QList<QueueModel::SortKey>;

QVariant dec(const char *text)
{
    return QVariant::fromValue(*Decimal::fromString(QString::fromLatin1(text)));
}

// Fields: 0 id, 1 value, 2 name.
QList<QVariantList> fixture(const QString &name)
{
    if (name == u"decimals")
        return {{1, dec("2.5"), u"a"_s},
                {2, dec("10"), u"b"_s},
                {3, dec("-1.250"), u"c"_s},
                {4, dec("2.50"), u"d"_s},
                {5, qlonglong(3), u"e"_s},
                {6, dec("99999999999999.999"), u"f"_s},
                {7, dec("100000000000000"), u"g"_s}};
    if (name == u"names")
        return {{1, 0, u"яма"_s},  {2, 0, u"Арбуз  "_s}, {3, 0, u"ёж"_s},    {4, 0, u"Яблоко"_s},
                {5, 0, u"Ёлка"_s}, {6, 0, u"Zeta"_s},    {7, 0, u"Арбуз"_s}, {8, 0, u"арбуз"_s}};
    if (name == u"districts")
        return {{1, dec("5"), u"Б"_s},
                {2, dec("3"), u"А"_s},
                {3, dec("5"), u"В"_s},
                {4, dec("3"), u"В"_s},
                {5, dec("5"), u"А"_s}};
    if (name == u"gaps")
        return {{1, QVariant(), u"x"_s},
                {2, dec("1"), QVariant()},
                {3, dec("-5"), u"y"_s},
                {4, QVariant(), QVariant()}};
    qFatal("no fixture %s", qPrintable(name));
}

QList<int> ids(const QueueModel &model)
{
    QList<int> result;
    for (int r = 0; r < model.rowCount(); ++r)
        result.append(model.value(r, 0).toInt());
    return result;
}

} // namespace

class QueueModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sort_data();
    void sort();
    void selectionFollowsItsLine();
    void marks();
    void editing();
};

void QueueModelTest::sort_data()
{
    QTest::addColumn<QString>("lines");
    QTest::addColumn<Keys>("keys");
    QTest::addColumn<QList<int>>("order");

    constexpr auto asc = Qt::AscendingOrder;
    constexpr auto desc = Qt::DescendingOrder;

    // Equal values (2.5 and 2.50) keep the order they had; 17 digits stay exact.
    QTest::newRow("decimals ascending")
        << u"decimals"_s << Keys{{1, asc}} << QList<int>{3, 1, 4, 5, 2, 6, 7};
    QTest::newRow("decimals descending")
        << u"decimals"_s << Keys{{1, desc}} << QList<int>{7, 6, 2, 5, 1, 4, 3};
    // Windows-1251 order: Latin, Ё, ё, then А..я; trailing blanks do not count, case does.
    QTest::newRow("names in code-page order")
        << u"names"_s << Keys{{2, asc}} << QList<int>{6, 5, 3, 2, 7, 4, 8, 1};
    QTest::newRow("two keys") << u"districts"_s << Keys{{1, asc}, {2, desc}}
                              << QList<int>{4, 2, 3, 1, 5};
    QTest::newRow("empty values first") << u"gaps"_s << Keys{{1, asc}} << QList<int>{1, 4, 3, 2};
    QTest::newRow("empty values last when descending")
        << u"gaps"_s << Keys{{1, desc}} << QList<int>{2, 3, 1, 4};
    QTest::newRow("no keys keeps the order")
        << u"districts"_s << Keys{} << QList<int>{1, 2, 3, 4, 5};
}

void QueueModelTest::sort()
{
    QFETCH(QString, lines);
    QFETCH(Keys, keys);
    QFETCH(QList<int>, order);

    QueueModel model(3);
    model.setLines(fixture(lines));
    model.sortBy(keys);
    QCOMPARE(ids(model), order);
}

void QueueModelTest::selectionFollowsItsLine()
{
    QueueModel model(3);
    model.setLines(fixture(u"districts"_s));
    QItemSelectionModel selection(&model);
    selection.setCurrentIndex(model.index(2, 1), // line 3
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);

    model.sortBy({{1, Qt::AscendingOrder}, {2, Qt::AscendingOrder}});
    QCOMPARE(ids(model), (QList<int>{2, 4, 5, 1, 3}));
    QCOMPARE(selection.currentIndex().row(), 4);
    QCOMPARE(selection.currentIndex().column(), 1);
    QVERIFY(selection.isRowSelected(4, {}));
    QCOMPARE(selection.selectedRows().size(), 1);
}

void QueueModelTest::marks()
{
    // Fields: 0 id, 1 the mark column's own text field, 2 the mark byte.
    QueueModel model(3);
    model.setLines({{1, u""_s, 0}, {2, u""_s, 1}, {3, u""_s, 2}});
    model.setMarkColumn(1, 2);

    QCOMPARE(model.index(1, 1).data().toString(), u"o"_s);
    QCOMPARE(model.index(0, 1).data().toString(), QString());
    QCOMPARE(model.index(2, 1).data().toString(), QString()); // only a 1 is a mark
    QCOMPARE(model.markedRows(), QList<int>{1});

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy marked(&model, &QueueModel::markChanged);
    QVERIFY(model.toggleMark(0));
    QCOMPARE(model.value(0, 2).toInt(), 1);
    QCOMPARE(model.index(0, 1).data().toString(), u"o"_s);
    // A view repaints the mark cell, not only the (possibly hidden) mark field.
    QVERIFY(std::any_of(changed.cbegin(), changed.cend(), [&](const QList<QVariant> &args) {
        return args.at(0).toModelIndex() == model.index(0, 1);
    }));
    QCOMPARE(marked.size(), 1);

    QVERIFY(!model.toggleMark(0)); // a second toggle leaves the line as it was
    QCOMPARE(model.value(0, 2).toInt(), 0);
    QVERIFY(model.toggleMark(2)); // 2 is no mark: toggling marks it
    QCOMPARE(model.value(2, 2).toInt(), 1);
    QCOMPARE(model.markedCount(), 2);

    // Marks travel with their lines through a sort.
    model.sortBy({{0, Qt::DescendingOrder}});
    QCOMPARE(model.markedRows(), (QList<int>{0, 1}));
    QCOMPARE(ids(model), (QList<int>{3, 2, 1}));
}

void QueueModelTest::editing()
{
    QueueModel model(2);
    model.appendLine({1, dec("2.5")});
    model.setEditable(1, true);

    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(!model.setData(model.index(0, 0), 7));
    QCOMPARE(model.value(0, 0).toInt(), 1);

    QVERIFY(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
    QVERIFY(model.setData(model.index(0, 1), dec("3.75")));
    QCOMPARE(model.value(0, 1).value<Decimal>(), *Decimal::fromString(u"3.75"));
    QCOMPARE(model.index(0, 1).data().toString(), u"3.75"_s);
}

QTEST_GUILESS_MAIN(QueueModelTest)
#include "test_queuemodel.moc"
