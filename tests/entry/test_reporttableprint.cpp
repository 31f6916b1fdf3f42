// The printed tables of a report, laid out from the demo's form 30 and one of its stored
// reports: the heading, the descriptive columns by their kinds, values by their column's number
// and picture, zeros as a dash, type-1 tables, values past the 25th, page breaks with the column
// numbers repeated, tables with nothing filled; written to PDF through the page sink and read
// back with pdftotext. Form 62's widest table shows that no value is laid out off the paper.

#include "data/DataContext.h"
#include "entry/FormCatalogue.h"
#include "entry/ReportReader.h"
#include "entry/ReportTablePrint.h"
#include "runtime/fs/Paths.h"
#include "runtime/report/PageSink.h"
#include "support/PdfText.h"
#include "tools/DemoBuilder.h"
#include "tools/DemoOutputs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace zemor;
using namespace zemor::entry;
using namespace Qt::StringLiterals;

class TestReportTablePrint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void headingLine();
    void widthsInCharacters();
    void wholeReport();
    void currentTableAndFilledRows();
    void typeOneLines_data();
    void typeOneLines();
    void pdfReadBack();
    void wideTableStaysOnPaper();

private:
    runtime::report::PageList print(const TablePrintOptions &options, qint64 current = 1000);
    static QStringList texts(const runtime::report::PageList &pages);
    QString pdfText(const runtime::report::PageList &pages, const QString &name);

    QTemporaryDir m_dir;
    std::optional<FormCatalogue> m_catalogue;
    ReportRows m_rows;
};

void TestReportTablePrint::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString root = m_dir.filePath(u"work"_s);
    QVERIFY(tools::DemoBuilder().build(root));
    runtime::fs::setWorkDir(root);
    data::DataContext ctx;
    auto catalogue = FormCatalogue::read(ctx, 2025, tools::DemoOutputs::printForm);
    QVERIFY(catalogue);
    m_catalogue = *catalogue;
    auto rows = ReportReader(ctx).report(2025, tools::DemoOutputs::printForm, 0, 101);
    QVERIFY(rows && !rows->isEmpty());
    m_rows = *rows;
}

runtime::report::PageList TestReportTablePrint::print(const TablePrintOptions &options,
                                                      qint64 current)
{
    return ReportTablePrint::layOut(*m_catalogue, u"Сведения о медицинских кадрах"_s, m_rows,
                                    current, options, QDateTime(QDate(2026, 4, 2), QTime(9, 5)));
}

QStringList TestReportTablePrint::texts(const runtime::report::PageList &pages)
{
    QStringList all;
    for (const auto &page : pages.pages)
        all += page.texts();
    return all;
}

void TestReportTablePrint::headingLine()
{
    QCOMPARE(ReportTablePrint::headingLine(u"Каменская ЦРБ  "_s, u"март "_s, 2026),
             u"Каменская ЦРБ  2026г.март"_s);
    // The summary gives no period: the title alone.
    QCOMPARE(ReportTablePrint::headingLine(u"Каменская ЦРБ"_s, std::nullopt, std::nullopt),
             u"Каменская ЦРБ"_s);
}

void TestReportTablePrint::widthsInCharacters()
{
    // 90 report units of a twentieth of a point make one character.
    QCOMPARE(ReportTablePrint::millimetres(16), 25.4);
    // Every column of the demo has its printed width.
    for (const FormTable &table : m_catalogue->tables()) {
        for (const FormColumn &column : m_catalogue->columns(table.code))
            QVERIFY(column.width > 0);
    }
}

void TestReportTablePrint::wholeReport()
{
    const auto pages = print({u"Берёзовская ЦРБ  2025г.год"_s, false, false});
    QVERIFY(pages.count() >= 3);
    const QStringList all = texts(pages);
    QCOMPARE(all.first(), u"Берёзовская ЦРБ  2025г.год"_s);
    QVERIFY(all.contains(u"Ф30 Сведения о медицинских кадрах."_s));
    QVERIFY(all.contains(u"Т 1000 Должности медицинских работников"_s));

    // Descriptive columns by their kinds: code, then name; all four kinds in table 5000.
    QVERIFY(all.contains(u"Должность № 3"_s));
    for (const QString &cell : {u"Рак шейки матки"_s, u"C53"_s, u"ж"_s})
        QVERIFY2(all.contains(cell), qPrintable(cell));
    // Values by their column's picture; a zero as a dash; rows not in the report print zeros.
    QVERIFY(all.contains(u"1234.500"_s));
    QVERIFY(all.contains(u"0.125"_s));
    QVERIFY(all.contains(u"   -"_s));
    QVERIFY(all.contains(u"Должность № 80"_s));

    // Type 1: one value a line.
    QVERIFY(all.contains(u"1. Аппараты искусственной вентиляции лёгких -     3"_s));
    QVERIFY(all.contains(u"2. Компьютерные томографы -   -"_s));

    // 30 values: the 26th to 30th on a continuation line, under their own headings; column 10
    // has no description, and value 9 still stands under its number.
    QVERIFY(all.contains(u"Знач. 30"_s));
    QVERIFY(all.contains(u"45.1"_s)); // value 30
    QVERIFY(!all.contains(u"Знач. 9"_s));
    QVERIFY(all.contains(u"14"_s)); // value 9 under "@n_12"

    // 80 rows: the second page opens with the column numbers.
    const QStringList second = pages.pages.at(1).texts();
    QCOMPARE(second.mid(0, 5), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}));
    QVERIFY(second.contains(u"Лист 2"_s));
    QVERIFY(second.contains(u"02.04.26  09:05"_s));
}

void TestReportTablePrint::currentTableAndFilledRows()
{
    // "Таблицу": only the caller's current table.
    QStringList all = texts(print({u"x"_s, true, false}, 4000));
    QVERIFY(all.contains(u"Т 4000 Штаты по образцу"_s));
    QVERIFY(!all.contains(u"Т 1000 Должности медицинских работников"_s));
    QVERIFY(all.contains(u"7.000"_s));
    // A table without descriptive columns prints values only.
    QVERIFY(!all.contains(u"в городах"_s));

    // Only filled rows: rows without a stored record are left out; a stored row of zeros
    // still prints.
    const auto pages = print({u"x"_s, false, true});
    all = texts(pages);
    QVERIFY(all.contains(u"Должность № 5"_s));
    QVERIFY(!all.contains(u"Должность № 75"_s));
    QVERIFY(all.contains(u"Посещения, тыс."_s));
    QVERIFY(!all.contains(u"Вызовы, тыс."_s));

    // Nothing filled at all: every table still prints its title and heading, no row prints.
    const auto empty = ReportTablePrint::layOut(
        *m_catalogue, u"Ф"_s, {}, 1000, {u"x"_s, false, true}, QDateTime::currentDateTime());
    all = texts(empty);
    for (const QString &heading :
         {u"Т 1000 Должности медицинских работников"_s, u"Наименование должности"_s,
          u"Т 2000 Оснащение медицинским оборудованием"_s, u"Т 3000 Показатели работы по месяцам"_s,
          u"Знач. 30"_s, u"Т 5000 Случаи по диагнозам"_s, u"МКБ-10"_s})
        QVERIFY2(all.contains(heading), qPrintable(heading));
    for (const QString &row : {u"Должность № 1"_s, u"Посещения, тыс."_s, u"Инфаркт миокарда"_s,
                               u"1. Аппараты искусственной вентиляции лёгких -   -"_s})
        QVERIFY2(!all.contains(row), qPrintable(row));
    // The same with "Таблицу": the current table's title and heading.
    all = texts(ReportTablePrint::layOut(*m_catalogue, u"Ф"_s, {}, 5000, {u"x"_s, true, true},
                                         QDateTime::currentDateTime()));
    QVERIFY(all.contains(u"Т 5000 Случаи по диагнозам"_s));
    QVERIFY(all.contains(u"Диагноз"_s));
    QVERIFY(!all.contains(u"Рак шейки матки"_s));

    // On paper too.
    const QString text = pdfText(empty, u"filled-rows-only.pdf"_s);
    QVERIFY(text.contains(u"Т 1000 Должности медицинских работников"_s));
    QVERIFY(text.contains(u"Т 5000 Случаи по диагнозам"_s));
    QVERIFY(!text.contains(u"Должность № 1"_s));
}

void TestReportTablePrint::typeOneLines_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("line");
    // Value 1 of table 2000 under "@n_6": the cell as the picture writes it, after " -".
    const QString name = u"1. Аппараты искусственной вентиляции лёгких -"_s;
    QTest::newRow("positive") << u"3"_s << name + u"     3"_s;
    QTest::newRow("negative") << u"-3"_s << name + u"    -3"_s;
    QTest::newRow("six digits") << u"123456"_s << name + u"123456"_s;
    QTest::newRow("zero") << u"0"_s << name + u"   -"_s;
}

void TestReportTablePrint::typeOneLines()
{
    QFETCH(QString, value);
    QFETCH(QString, line);
    ReportRows rows = m_rows;
    bool found = false;
    for (ReportRow &row : rows) {
        if (row.rowId == 101) {
            row.values[0] = *runtime::Decimal::fromString(value);
            found = true;
        }
    }
    QVERIFY(found);
    const auto pages = ReportTablePrint::layOut(
        *m_catalogue, u"Ф"_s, rows, 2000, {u"x"_s, true, false}, QDateTime::currentDateTime());
    const QStringList all = texts(pages);
    QVERIFY2(all.contains(line), qPrintable(all.filter(u"Аппараты"_s).join(u'|')));

    // The sign reads as the value's own, not run into the line's dash.
    const QString text = pdfText(
        pages, QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-') + u".pdf"_s);
    QVERIFY2(text.contains(QRegularExpression(
                 u"лёгких -\\s*"_s + QRegularExpression::escape(value == u"0"_s ? u"-"_s : value) +
                 u"\\s*\\n"_s)),
             qPrintable(text));
}

// The pages written to PDF and read back as pdftotext sees them.
QString TestReportTablePrint::pdfText(const runtime::report::PageList &pages, const QString &name)
{
    return test::printedText(pages, m_dir.filePath(name), {u"-layout"_s});
}

void TestReportTablePrint::pdfReadBack()
{
    const QString text =
        pdfText(print({u"Каменская ЦРБ  2026г.март"_s, false, false}), u"tables.pdf"_s);
    QVERIFY(text.contains(u"Каменская ЦРБ 2026г.март"_s) ||
            text.contains(u"Каменская ЦРБ  2026г.март"_s));
    QVERIFY(text.contains(u"Должность № 80"_s));
    QVERIFY(text.contains(u"Лист 2"_s));
    QVERIFY(text.contains(u"1234.500"_s));
}

// Form 62's table 8003 has 28 value columns of ten characters: more than a landscape line holds.
// Every heading and every value is on the paper, none beyond the right margin.
void TestReportTablePrint::wideTableStaysOnPaper()
{
    data::DataContext ctx;
    const auto catalogue = FormCatalogue::read(ctx, 2025, 62);
    QVERIFY(catalogue);
    const qint64 table = 8003;
    const QList<FormRow> formRows = catalogue->rows(table);
    QCOMPARE(formRows.size(), 3);
    ReportRows rows;
    QStringList values;
    for (qsizetype r = 0; r < formRows.size(); ++r) {
        ReportRow row{formRows[r].id, table, {}};
        for (int v = 1; v <= 28; ++v) {
            const qint64 value = (r + 1) * 10000 + v * 11;
            row.values[size_t(v - 1)] = value;
            values.append(QString::number(value));
        }
        rows.append(row);
    }
    const auto pages = ReportTablePrint::layOut(
        *catalogue, u"Ф62"_s, rows, table, {u"x"_s, true, false}, QDateTime::currentDateTime());
    const QRectF body = pages.setup.bodyRect();
    for (const auto &page : pages.pages) {
        for (const auto &item : page.items)
            QVERIFY2(item.rect.right() <= body.right() + 1e-6 && item.rect.left() >= body.left(),
                     qPrintable(item.text));
    }
    QStringList headings;
    for (int c = 3; c <= 30; ++c)
        headings.append(u"Графа %1"_s.arg(c));
    const QStringList all = texts(pages);
    for (const QString &text : headings + values)
        QVERIFY2(all.contains(text), qPrintable(text));

    const QString text = pdfText(pages, u"wide.pdf"_s);
    QSet<QString> read;
    const QRegularExpression heading(u"Графа\\s+(\\d+)"_s);
    for (auto m = heading.globalMatch(text); m.hasNext();)
        read.insert(u"Графа "_s + m.next().captured(1));
    for (const QString &word : text.split(QRegularExpression(u"\\s+"_s)))
        read.insert(word);
    for (const QString &text : headings + values)
        QVERIFY2(read.contains(text), qPrintable(text));
}

QTEST_MAIN(TestReportTablePrint)
#include "test_reporttableprint.moc"
