// The formula text files of an indicator, parsed from their lines: which ".MDV" lines and terms
// are read, which are skipped as damaged and how the reading goes on, and the ".MDS" row list.

#include "analysis/indicators/FormulaText.h"
#include "runtime/text/Cp1251.h"

#include <QTest>

using namespace zemor;
using namespace zemor::analysis;
using namespace Qt::StringLiterals;

namespace {

// One ".MDV" line: result row, form ("" for blank), sign, source row and terms (column, slot).
QByteArray mdvLine(const char *row, const char *form, char sign, const char *source,
                   const QList<std::pair<int, int>> &terms = {})
{
    QByteArray line = QByteArray(row).rightJustified(5, ' ') +
                      QByteArray(form).rightJustified(4, ' ') + QByteArray(1, sign) +
                      QByteArray(source).rightJustified(5, ' ');
    for (const auto &[column, slot] : terms) {
        line += QByteArray::number(column).rightJustified(3, ' ') +
                QByteArray::number(slot).rightJustified(3, ' ') + ' ';
    }
    return line;
}

// "row/form/source[-]:column>slot,..." for each line, joined by "|".
QString describe(const QList<IndicatorFormula> &lines)
{
    QStringList out;
    for (const IndicatorFormula &f : lines) {
        QStringList terms;
        for (const IndicatorTerm &t : f.terms)
            terms << u"%1>%2"_s.arg(t.column).arg(t.slot);
        out << u"%1/%2/%3%4:%5"_s.arg(f.resultRow)
                   .arg(f.form)
                   .arg(f.sourceRow)
                   .arg(f.subtract ? u"-"_s : QString())
                   .arg(terms.join(u','));
    }
    return out.join(u'|');
}

QString noticeLines(const QList<FormulaNotice> &notices)
{
    QStringList out;
    for (const FormulaNotice &n : notices)
        out << n.detail.section(u"строка "_s, 1).section(u':', 0, 0);
    return out.join(u',');
}

} // namespace

class TestFormulaText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mdvLines_data()
    {
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::addColumn<int>("chosenRow"); // 0: every line
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("damaged"); // line numbers named in the notices

        QTest::newRow("blank form takes the line before")
            << QList<QByteArray>{mdvLine("10", "62", ' ', "7", {{3, 1}}),
                                 mdvLine("11", "", '-', "8", {{4, 2}, {5, 3}})}
            << 0 << u"10/62/7:3>1|11/62/8-:4>2,5>3"_s << QString();
        QTest::newRow("form carried over a line of another row")
            << QList<QByteArray>{mdvLine("10", "62", ' ', "7", {{3, 1}}),
                                 mdvLine("11", "", ' ', "8", {{4, 2}})}
            << 11 << u"11/62/8:4>2"_s << QString();
        QTest::newRow("first line without a form is damaged")
            << QList<QByteArray>{mdvLine("10", "", ' ', "7", {{3, 1}}),
                                 mdvLine("11", "63", ' ', "8", {{4, 2}})}
            << 0 << u"11/63/8:4>2"_s << u"1"_s;
        QTest::newRow("slot 0 and 41 are damaged, reading goes on")
            << QList<QByteArray>{mdvLine("10", "62", ' ', "7", {{3, 1}, {4, 0}}),
                                 mdvLine("11", "62", ' ', "7", {{3, 41}}),
                                 mdvLine("12", "62", ' ', "7", {{3, 40}})}
            << 0 << u"12/62/7:3>40"_s << u"1,2"_s;
        QTest::newRow("blank column with slot 5 ends the terms")
            << QList<QByteArray>{mdvLine("10", "62", ' ', "7", {{3, 1}}) + "     5 " +
                                 QByteArray("  4  2 ")}
            << 0 << u"10/62/7:3>1"_s << QString();
        QTest::newRow("short line reads blank")
            << QList<QByteArray>{QByteArray("   10  62"), QByteArray("   11")} << 0
            << u"10/62/0:|11/62/0:"_s << QString();
        QTest::newRow("blank row code ends the file")
            << QList<QByteArray>{mdvLine("10", "62", ' ', "7", {{3, 1}}), QByteArray("     62"),
                                 mdvLine("12", "62", ' ', "7", {{3, 1}})}
            << 0 << u"10/62/7:3>1"_s << QString();
        QTest::newRow("not a number")
            << QList<QByteArray>{mdvLine("1x", "62", ' ', "7", {{3, 1}}),
                                 mdvLine("10", "6 2", ' ', "7", {{3, 1}}),
                                 mdvLine("11", "62", ' ', "7", {{3, 1}}).replace(17, 1, "a"),
                                 mdvLine("12", "1000", ' ', "7", {{3, 1}}),
                                 mdvLine("13", "62", ' ', "7", {{3, 1}})}
            << 0 << u"13/62/7:3>1"_s << u"1,2,3,4"_s;
        QTest::newRow("sorted by form, then source row, file order kept")
            << QList<QByteArray>{mdvLine("1", "63", ' ', "2", {{1, 1}}),
                                 mdvLine("2", "62", ' ', "9", {{1, 1}}),
                                 mdvLine("3", "62", ' ', "2", {{1, 1}}),
                                 mdvLine("4", "62", ' ', "9", {{2, 2}})}
            << 0 << u"3/62/2:1>1|2/62/9:1>1|4/62/9:2>2|1/63/2:1>1"_s << QString();
    }

    void mdvLines()
    {
        QFETCH(QList<QByteArray>, lines);
        QFETCH(int, chosenRow);
        QFETCH(QString, expected);
        QFETCH(QString, damaged);
        MdvFormula f = FormulaText::parseMdv(
            lines, 12, chosenRow ? std::optional<int>(chosenRow) : std::nullopt);
        FormulaText::sortMdv(f.lines);
        QCOMPARE(describe(f.lines), expected);
        QCOMPARE(noticeLines(f.notices), damaged);
        for (const FormulaNotice &n : f.notices)
            QCOMPARE(n.message, u"Ошибка в 12.mdv"_s);
    }

    // 250 characters hold 33 whole terms; term 34 would span columns 247-253 and is never read,
    // whatever the line holds there or beyond.
    void mdvTermsEndAtTheLineLength()
    {
        QList<std::pair<int, int>> terms;
        for (int i = 1; i <= 33; ++i)
            terms.append({i, i});
        QByteArray full = mdvLine("10", "62", ' ', "7", terms);
        QCOMPARE(full.size(), 246);
        QByteArray longer = full + "  35 41 999999999999";
        QByteArray cut = full + "  35"; // the line ends inside term 34

        for (const QByteArray &line : {longer, cut}) {
            const MdvFormula f = FormulaText::parseMdv({line}, 12, std::nullopt);
            QVERIFY(f.notices.isEmpty());
            QCOMPARE(f.lines.size(), 1);
            QCOMPARE(f.lines[0].terms.size(), 33);
            QCOMPARE(f.lines[0].terms.last().column, 33);
        }
    }

    void mdsLines()
    {
        auto line = [](const char *code, const char *pop, const char *text, const char *order,
                       const QString &name) {
            return QByteArray(code).rightJustified(5, ' ') + ' ' +
                   QByteArray(pop).rightJustified(2, ' ') + ' ' +
                   QByteArray(text).leftJustified(5, ' ') +
                   QByteArray(order).rightJustified(3, ' ') + "  " + runtime::text::toCp1251(name);
        };
        const QList<QByteArray> lines{
            line("2500", "3", "2.1", "14", u"  в том числе сельские"_s),
            line("7", "", "1", "", u"Всего"_s),
            line("8", "x", "1", "", u"Испорчено"_s),
            line("9", "", "1", "1a", u"Испорчено"_s),
            QByteArray("     "),
            line("10", "", "1", "", u"после конца"_s),
        };
        const FormulaRowFile f = FormulaText::parseMds(lines, 12);
        QCOMPARE(f.lines.size(), 2);
        QCOMPARE(f.lines[0], (FormulaRowLine{2500, 3, u"2.1"_s, 14, u"  в том числе сельские"_s}));
        QCOMPARE(f.lines[1], (FormulaRowLine{7, 0, u"1"_s, std::nullopt, u"Всего"_s}));
        QCOMPARE(noticeLines(f.notices), u"3,4"_s);
        QCOMPARE(f.notices[0].message, u"Ошибка в 12.mds"_s);
    }
};

QTEST_APPLESS_MAIN(TestFormulaText)
#include "test_formulatext.moc"
