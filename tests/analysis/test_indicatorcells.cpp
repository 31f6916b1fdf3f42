// How result values become cells: pictures with adaptive precision, the comma, text cells,
// blank cells for zero and for what is not a number, and the display columns of "за 2 года".

#include "analysis/indicators/IndicatorCells.h"

#include <QTest>

#include <limits>

using namespace zemor::analysis;
using namespace Qt::StringLiterals;

class TestIndicatorCells : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void values_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<bool>("adaptive");
        QTest::addColumn<bool>("series");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero is blank") << 0.0 << u"@n_9.2"_s << true << false << QString();
        QTest::newRow("infinity is blank") << std::numeric_limits<double>::infinity() << u"@n_9.2"_s
                                           << false << false << QString();
        QTest::newRow("nan is blank") << std::numeric_limits<double>::quiet_NaN() << u"@n_9.2"_s
                                      << false << false << QString();
        QTest::newRow("the picture, with a comma")
            << 12.345 << u"@n_9.2"_s << false << false << u"    12,35"_s;
        QTest::newRow("a blank picture shows the plain number")
            << 2.5 << QString() << false << false << u"2,5     "_s;
        QTest::newRow("too small for two places, not adaptive")
            << 0.004 << u"@n_9.2"_s << false << false << u"     0,00"_s;
        QTest::newRow("adaptive: 0.004 with three places")
            << 0.004 << u"@n_9.2"_s << true << false << u"  0,004"_s;
        QTest::newRow("adaptive: 0.00004 as n8.5")
            << 0.00004 << u"@n_9.2"_s << true << false << u" 0,00004"_s;
        QTest::newRow("adaptive: 0.000004 as n9.6")
            << 0.000004 << u"@n_9.2"_s << true << false << u" 0,000004"_s;
        QTest::newRow("adaptive in a series stops at four places")
            << 0.00004 << u"@n_9.2"_s << true << true << u" 0,0000"_s;
        QTest::newRow("a value the picture shows stays")
            << 0.5 << u"@n_9.2"_s << true << false << u"     0,50"_s;
        QTest::newRow("at most six places after the comma")
            << 1.0 / 3 << u"@n_20.9"_s << false << false << u"         0,333333"_s;
    }

    void values()
    {
        QFETCH(double, value);
        QFETCH(QString, picture);
        QFETCH(bool, adaptive);
        QFETCH(bool, series);
        QFETCH(QString, expected);
        QCOMPARE(IndicatorCells::formatValue(value, picture, adaptive, series), expected);
    }

    void textCellAndColumns()
    {
        IndicatorResultRow row;
        row.code = 7;
        row.set(2, 4.0);
        YearResult year;
        year.texts = {{7, 2, u"5/12.5"_s}};
        ColumnPictures pictures;
        pictures.pictures.fill(u"@n_9.2"_s);
        QCOMPARE(IndicatorCells::formatCell(row, 2, year, pictures, false), u"  5/12.5"_s);
        row.code = 8;
        QCOMPARE(IndicatorCells::formatCell(row, 2, year, pictures, false), u"     4,00"_s);

        // "за 2 года": slot k shows in 2k (the year) and 2k - 1 (the year before); 25
        // columns give 40 cells, the first 20 columns twice.
        int shown = 0;
        for (int k = 1; k <= 25; ++k) {
            if (IndicatorCells::displayColumn(k, true, false))
                ++shown;
            if (IndicatorCells::displayColumn(k, true, true))
                ++shown;
        }
        QCOMPARE(shown, 40);
        QCOMPARE(IndicatorCells::displayColumn(20, true, false), 40);
        QCOMPARE(IndicatorCells::displayColumn(21, true, true), 0);
        QCOMPARE(IndicatorCells::displayColumn(25, false, false), 25);
    }

    void shownColumns()
    {
        IndicatorRun run;
        run.definition.columns = 29;
        run.populationGroups = true;
        QCOMPARE(IndicatorCells::shownColumns(run), 30);
        QCOMPARE(IndicatorCells::shownColumns(run), 30); // worked out, never stored
        QCOMPARE(run.definition.columns, 29);
        run.definition.columns = 30;
        QCOMPARE(IndicatorCells::shownColumns(run), 30);
        QCOMPARE(IndicatorCells::populationColumn(run), 30);
        run.populationGroups = false;
        QCOMPARE(IndicatorCells::populationColumn(run), 0);
        run.series = true;
        run.columns = 4;
        QCOMPARE(IndicatorCells::shownColumns(run), 4);
    }
};

QTEST_GUILESS_MAIN(TestIndicatorCells)
#include "test_indicatorcells.moc"
