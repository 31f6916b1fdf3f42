// Marking the cells of a cross-section: the three modes, the limit of cell marks, "+" and the
// series, the four orders, deleting, and a table whose column numbers have a gap.

#include "analysis/crosssections/CrossSectionMarks.h"

#include <QHash>
#include <QTest>

using namespace Qt::StringLiterals;
using zemor::analysis::CrossSectionMark;
using zemor::analysis::CrossSectionMarks;
using zemor::analysis::CrossSectionTable;
using zemor::analysis::MarkMode;
using zemor::analysis::MarkOrder;

namespace {

// A table `code` with `rows` rows (ids base+1 ..) and data columns 1..columns, where the
// stored columns listed in `described` have records (offset added).
CrossSectionTable table(qint64 code, int rows, int columns, int offset = 0, int base = 0,
                        QList<int> described = {})
{
    CrossSectionTable t;
    t.code = code;
    t.name = u"Таблица"_s;
    t.offset = offset;
    t.columns = columns;
    for (int r = 1; r <= rows; ++r)
        t.rows.append({base + r, QString::number(r), u"строка %1"_s.arg(r), QString(), r});
    for (int n = 1; n <= columns; ++n) {
        CrossSectionTable::Column c;
        c.storedColumn = offset + n;
        c.described = described.isEmpty() || described.contains(offset + n);
        c.name = c.described ? u"графа %1"_s.arg(offset + n) : QString();
        c.picture = u"@n_12"_s;
        t.dataColumns.append(c);
    }
    return t;
}

CrossSectionMarks monthly(qint32 from = 3, qint32 to = 5)
{
    CrossSectionMarks marks;
    marks.start(7, 1, 2025, from, to);
    marks.setTables({table(1000, 4, 4), table(2000, 2, 2, 4, 10)});
    return marks;
}

// "NN:year:from-to:table:row:column" of every mark.
QString marksText(const CrossSectionMarks &marks)
{
    QStringList out;
    for (const CrossSectionMark &m : marks.marks())
        out << u"%1:%2:%3-%4:%5:%6:%7"_s.arg(m.nn)
                   .arg(m.year)
                   .arg(m.periodFrom)
                   .arg(m.periodTo)
                   .arg(m.table)
                   .arg(m.rowCode)
                   .arg(m.dataColumn);
    return out.join(u' ');
}

// "row:columns" of the grid cells marked, e.g. "1:13 2:2".
QString gridText(const CrossSectionMarks &marks)
{
    QStringList out;
    for (const auto &line : marks.grid()) {
        QString cells;
        for (int n = 1; n <= 35; ++n)
            if (line.isMarked(n))
                cells += QString::number(n);
        if (!cells.isEmpty())
            out << line.code + u':' + cells;
    }
    return out.join(u' ');
}

} // namespace

class TestCrossSectionMarks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("grid");
        QTest::addColumn<int>("count");
        QTest::newRow("cell") << 1 << 1 << 2 << u"2:2"_s << 1;
        QTest::newRow("row") << 2 << 0 << 1 << u"1:1234"_s << 4;
        QTest::newRow("column") << 3 << 2 << 3 << u"1:3 2:3 3:3 4:3"_s << 4;
    }
    void modes()
    {
        QFETCH(int, mode);
        QFETCH(int, row);
        QFETCH(int, column);
        CrossSectionMarks marks = monthly();
        QVERIFY(marks.mark(row, column, MarkMode(mode)).isEmpty());
        QFETCH(QString, grid);
        QCOMPARE(gridText(marks), grid);
        QFETCH(int, count);
        QCOMPARE(marks.marks().size(), count);
        for (const CrossSectionMark &m : marks.marks()) {
            QCOMPARE(m.periodFrom, 3);
            QCOMPARE(m.periodTo, 5);
            QCOMPARE(m.year, 2025);
            QCOMPARE(m.form, 7);
        }
    }

    // A marked cell in row mode is unmarked and the other cells of its row are marked.
    void rowModeOnAMarkedCell()
    {
        CrossSectionMarks marks = monthly();
        marks.mark(0, 2, MarkMode::Cell);
        marks.mark(0, 2, MarkMode::Row);
        QCOMPARE(gridText(marks), u"1:134"_s);
        QCOMPARE(marksText(marks),
                 u"1:2025:3-5:1000:1:1 2:2025:3-5:1000:1:3 3:2025:3-5:1000:1:4"_s);
        // Clicking a marked cell again removes every period of it.
        marks.addMark(0);
        marks.mark(0, 1, MarkMode::Cell);
        QCOMPARE(marksText(marks), u"1:2025:3-5:1000:1:3 2:2025:3-5:1000:1:4"_s);
    }

    void annualFormMarksTheYear()
    {
        CrossSectionMarks marks;
        marks.start(12, 0, 2025, 3, 5);
        marks.setTables({table(1000, 2, 2)});
        marks.mark(0, 1, MarkMode::Cell);
        QVERIFY(marks.addMark(-1).isEmpty());
        QCOMPARE(marksText(marks), u"1:2025:0-0:1000:1:1 2:2025:0-0:1000:1:1"_s);
    }

    // "+" and the series copy a mark by the period kind of the mark's own form, not of the form
    // shown: an annual mark under a monthly form keeps 0..0 (the series runs over years), a
    // monthly mark under an annual form takes the period entries (the series runs over months).
    void copiesTakeTheirOwnFormsKind_data()
    {
        QTest::addColumn<int>("shownForm");
        QTest::addColumn<int>("shownKind");
        QTest::addColumn<int>("markForm");
        QTest::addColumn<bool>("series");
        QTest::addColumn<int>("from"); // the series range
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("added"); // "form:year:from-to" of each mark added
        QTest::newRow("annual mark, monthly form, +")
            << 7 << 1 << 12 << false << 0 << 0 << u"12:2025:0-0"_s;
        QTest::newRow("annual mark, monthly form, series")
            << 7 << 1 << 12 << true << 2000 << 2030 << u"12:2024:0-0 12:2025:0-0 12:2026:0-0"_s;
        QTest::newRow("monthly mark, annual form, +")
            << 12 << 0 << 7 << false << 0 << 0 << u"7:2025:3-5"_s;
        QTest::newRow("monthly mark, annual form, series")
            << 12 << 0 << 7 << true << 1 << 3 << u"7:2025:1-1 7:2025:2-2 7:2025:3-3"_s;
        QTest::newRow("quarterly mark, monthly form, series 1..12")
            << 7 << 1 << 14 << true << 1 << 12 << QString();
        QTest::newRow("form of unknown kind, +")
            << 7 << 1 << 99 << false << 0 << 0 << u"99:2025:3-5"_s;
    }
    void copiesTakeTheirOwnFormsKind()
    {
        QFETCH(int, shownForm);
        QFETCH(int, shownKind);
        QFETCH(int, markForm);
        QFETCH(bool, series);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, added);
        const QHash<qint64, int> kinds{{7, 1}, {12, 0}, {14, 2}};
        CrossSectionMarks marks;
        marks.start(shownForm, shownKind, 2025, 3, 5);
        marks.setPeriodKindOf(
            [&](int year, qint64 form) { return year == 2025 ? kinds.value(form, -1) : -1; });
        marks.setTables({table(1000, 2, 2)});
        CrossSectionMark loaded;
        loaded.form = markForm;
        loaded.table = 1000;
        loaded.year = 2025;
        loaded.rowId = 1;
        loaded.dataColumn = 1;
        marks.replaceMarks({loaded});
        qint32 f = from, t = to;
        const QString message = series ? marks.addSeries(0, f, t, 2024, 2026) : marks.addMark(0);
        QCOMPARE(message, added.isEmpty() ? CrossSectionMarks::wrongPeriodText() : QString());
        QStringList periods;
        for (qsizetype i = 1; i < marks.marks().size(); ++i) {
            const CrossSectionMark &m = marks.marks()[i];
            periods << u"%1:%2:%3-%4"_s.arg(m.form).arg(m.year).arg(m.periodFrom).arg(m.periodTo);
        }
        QCOMPARE(periods.join(u' '), added);
    }

    // Cell marking stops once more than 105 marks are held; "+" and the series go on.
    void limitOfCellMarks()
    {
        CrossSectionMarks marks;
        marks.start(7, 1, 2025, 1, 1);
        marks.setTables({table(1000, 40, 3)});
        QStringList messages;
        for (int r = 0; r < 40; ++r)
            messages += marks.mark(r, 0, MarkMode::Row);
        QCOMPARE(marks.marks().size(), 106);
        QCOMPARE(messages.size(), 120 - 106);
        QCOMPARE(messages.first(), CrossSectionMarks::tooManyText());
        qint32 from = 1, to = 12;
        QVERIFY(marks.addSeries(0, from, to, 2020, 2026).isEmpty());
        QCOMPARE(marks.marks().size(), 118);
        QVERIFY(marks.addMark(-1).isEmpty());
        QCOMPARE(marks.marks().size(), 119);
        QCOMPARE(marks.marks().last().nn, 119);
    }

    void series_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("added"); // "year:from-to" of each mark added
        QTest::newRow("months 1..3") << 1 << 1 << 3 << QString() << u"2025:1-1 2025:2-2 2025:3-3"_s;
        QTest::newRow("months 1..13")
            << 1 << 1 << 13 << CrossSectionMarks::wrongPeriodText() << QString();
        QTest::newRow("quarters 1..12")
            << 2 << 1 << 12 << CrossSectionMarks::wrongPeriodText() << QString();
        QTest::newRow("half-years 2..2") << 3 << 2 << 2 << QString() << u"2025:2-2"_s;
        QTest::newRow("from 0") << 1 << 0 << 2 << CrossSectionMarks::wrongPeriodText() << QString();
        QTest::newRow("reversed") << 2 << 3 << 2 << CrossSectionMarks::wrongPeriodText()
                                  << QString();
        QTest::newRow("weeks 50..52")
            << 4 << 50 << 52 << QString() << u"2025:50-50 2025:51-51 2025:52-52"_s;
        // Years are held within the year directories first.
        QTest::newRow("years") << 0 << 2000 << 2030 << QString() << u"2024:0-0 2025:0-0 2026:0-0"_s;
    }
    void series()
    {
        QFETCH(int, kind);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, added);
        CrossSectionMarks marks;
        marks.start(7, kind, 2025, 1, 1);
        marks.setTables({table(1000, 2, 2)});
        marks.mark(0, 1, MarkMode::Cell);
        qint32 f = from, t = to;
        QFETCH(QString, message);
        QCOMPARE(marks.addSeries(-1, f, t, 2024, 2026), message);
        QStringList periods;
        for (qsizetype i = 1; i < marks.marks().size(); ++i) {
            const CrossSectionMark &m = marks.marks()[i];
            periods << u"%1:%2-%3"_s.arg(m.year).arg(m.periodFrom).arg(m.periodTo);
        }
        QCOMPARE(periods.join(u' '), added);
    }

    void withoutMarks()
    {
        CrossSectionMarks marks = monthly();
        qint32 f = 1, t = 2;
        QCOMPARE(marks.addSeries(-1, f, t, 2024, 2026), CrossSectionMarks::chooseCellText());
        QCOMPARE(marks.addMark(-1), CrossSectionMarks::noCellText());
    }

    // "+" copies the selected mark (the last when none is selected) with the current period.
    void plusCopiesTheSelectedMark()
    {
        CrossSectionMarks marks = monthly();
        marks.mark(0, 1, MarkMode::Cell);
        marks.mark(1, 2, MarkMode::Cell);
        marks.setPeriod(7, 7);
        marks.setYear(2026);
        marks.addMark(0);
        marks.addMark(-1);
        QCOMPARE(marksText(marks), u"1:2025:3-5:1000:1:1 2:2025:3-5:1000:2:2 "
                                   "3:2026:7-7:1000:1:1 4:2026:7-7:1000:1:1"_s);
    }

    // Each choice orders by the keys its label names, "м1" descending.
    void orders_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("expected"); // "row:column:year:from-to"
        QTest::newRow("none") << 0 << QString()
                              << u"2:1:2025:1-2 2:1:2025:2-2 2:1:2024:5-6 1:2:2025:1-2 "
                                 "1:2:2025:2-2 1:2:2024:5-6"_s;
        QTest::newRow("1") << 1 << u"ф,т,гр,стр,м2,м1"_s
                           << u"2:1:2024:5-6 2:1:2025:2-2 2:1:2025:1-2 1:2:2024:5-6 "
                              "1:2:2025:2-2 1:2:2025:1-2"_s;
        QTest::newRow("2") << 2 << u"м2,м1,ф,т,гр,стр"_s
                           << u"2:1:2024:5-6 1:2:2024:5-6 2:1:2025:2-2 1:2:2025:2-2 "
                              "2:1:2025:1-2 1:2:2025:1-2"_s;
        QTest::newRow("3") << 3 << u"ф,т,стр,гр,м2,м1"_s
                           << u"1:2:2024:5-6 1:2:2025:2-2 1:2:2025:1-2 2:1:2024:5-6 "
                              "2:1:2025:2-2 2:1:2025:1-2"_s;
        QTest::newRow("4") << 4 << u"м2,м1,ф,т,стр,гр"_s
                           << u"1:2:2024:5-6 2:1:2024:5-6 1:2:2025:2-2 2:1:2025:2-2 "
                              "1:2:2025:1-2 2:1:2025:1-2"_s;
    }
    void orders()
    {
        QFETCH(int, order);
        QFETCH(QString, label);
        QCOMPARE(CrossSectionMarks::orderLabel(MarkOrder(order)), label);
        CrossSectionMarks marks;
        marks.start(7, 1, 2025, 1, 2);
        marks.setTables({table(1000, 2, 2)});
        // Row 1 column 2, then row 2 column 1, each for 1..2, 2..2 and 2024's 5..6.
        const auto add = [&](int row, int column) {
            marks.setYear(2025);
            marks.setPeriod(1, 2);
            marks.mark(row, column, MarkMode::Cell);
            marks.setPeriod(2, 2);
            marks.addMark(-1);
            marks.setYear(2024);
            marks.setPeriod(5, 6);
            marks.addMark(-1);
        };
        add(1, 1);
        add(0, 2);
        marks.setOrder(MarkOrder(order));
        QStringList out;
        for (const CrossSectionMark &m : marks.marks())
            out << u"%1:%2:%3:%4-%5"_s.arg(m.rowCode)
                       .arg(m.dataColumn)
                       .arg(m.year)
                       .arg(m.periodFrom)
                       .arg(m.periodTo);
        QFETCH(QString, expected);
        QCOMPARE(out.join(u' '), expected);
        for (qsizetype i = 0; i < marks.marks().size(); ++i)
            QCOMPARE(marks.marks()[i].nn, qint32(i + 1));
    }

    void deleting()
    {
        CrossSectionMarks marks = monthly();
        marks.mark(0, 0, MarkMode::Row);
        marks.chooseTable(1);
        marks.mark(0, 1, MarkMode::Cell);
        QCOMPARE(marks.marks().size(), 5);
        // "-" leaves the grid's marks as they are.
        marks.removeMark(4);
        marks.removeMark(99);
        QCOMPARE(marks.marks().size(), 4);
        QCOMPARE(gridText(marks), u"1:1"_s);
        marks.reset();
        QVERIFY(marks.marks().isEmpty());
        QCOMPARE(gridText(marks), QString());
        marks.chooseTable(0);
        QCOMPARE(gridText(marks), QString());
    }

    // The grid shows the marks of the year, form and table shown.
    void gridFollowsTableYearAndForm()
    {
        CrossSectionMarks marks = monthly();
        marks.mark(0, 1, MarkMode::Cell);
        marks.chooseTable(1);
        QCOMPARE(gridText(marks), QString());
        marks.chooseTable(0);
        QCOMPARE(gridText(marks), u"1:1"_s);
        marks.setYear(2026);
        marks.chooseTable(0);
        QCOMPARE(gridText(marks), QString());
        QCOMPARE(marks.marks().size(), 1);
    }

    void formChange_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("callerKind");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("caller's kind") << 1 << 1 << 3 << 5;
        QTest::newRow("months") << 1 << 2 << 1 << 12;
        QTest::newRow("quarters") << 2 << 1 << 1 << 4;
        QTest::newRow("half-years") << 3 << 1 << 1 << 2;
        QTest::newRow("weeks") << 4 << 1 << 1 << 9;
    }
    void formChange()
    {
        QFETCH(int, kind);
        QFETCH(int, callerKind);
        CrossSectionMarks marks;
        marks.start(12, 0, 2025, 0, 9);
        marks.setForm(14, kind, callerKind, 3, 5);
        QCOMPARE(marks.form(), 14);
        QFETCH(int, from);
        QCOMPARE(marks.periodFrom(), from);
        QFETCH(int, to);
        QCOMPARE(marks.periodTo(), to);
    }

    // Data column = stored column - offset: with a gap in the stored numbers each grid column
    // reads its own value, and a column without a record is still there, untitled.
    void columnGap()
    {
        CrossSectionMarks marks;
        marks.start(12, 0, 2025, 0, 0);
        marks.setTables({table(2000, 2, 4, 4, 0, {5, 6, 8})});
        const CrossSectionTable *t = marks.currentTable();
        QCOMPARE(t->dataColumns.size(), 4);
        QCOMPARE(t->dataColumns[2].name, QString());
        QCOMPARE(t->heading(4), u"8"_s);
        marks.mark(0, 4, MarkMode::Cell);
        QCOMPARE(marks.marks().first().dataColumn, 4);
        QCOMPARE(marks.marks().first().storedColumn, 8);
        QCOMPARE(marks.marks().first().columnName, u"графа 8"_s);
    }

    // The grid's list format: a column for every data column, the last one closing the list.
    void gridFormat()
    {
        CrossSectionTable t = table(2000, 1, 2, 4, 0, {5});
        t.dataColumns[0].shortName = u"всего у детей до года"_s;
        QCOMPARE(t.gridFormat(),
                 u"16C|_FM~Nстроки~L@s9@E(,0CCFFFFH,,)80L(2)|_M~Название~L@S120@7C|M@S1@20C"
                 "|_M~5всего у детей ~L@S10@20C|_M~6~L@S1@"_s);
    }

    void initialGrouping()
    {
        QCOMPARE(CrossSectionMarks::initialGrouping(0, true), 1);
        QCOMPARE(CrossSectionMarks::initialGrouping(3, true), 2);
        QCOMPARE(CrossSectionMarks::initialGrouping(0, false), 2);
    }

    // A row's name carries its sex mark.
    void rowNameWithSex()
    {
        CrossSectionTable t = table(1000, 1, 1);
        t.rows[0].shortName = u"роды     "_s;
        t.rows[0].sex = u"ж"_s;
        CrossSectionMarks marks;
        marks.start(7, 1, 2025, 1, 1);
        marks.setTables({t});
        marks.mark(0, 1, MarkMode::Cell);
        QCOMPARE(marks.marks().first().rowName, u"роды/ж"_s);
    }
};

QTEST_APPLESS_MAIN(TestCrossSectionMarks)
#include "test_crosssectionmarks.moc"
