// The printed tables of a report, laid out from the demo's form 30 and one of its stored
// reports: the heading, the descriptive columns by their kinds, values by their column's number
// and picture, zeros as a dash, type-1 tables, values past the 25th, page breaks with the column
// numbers repeated; written to PDF through the page sink and read back with pdftotext.

#include "data/DataContext.h"
#include "entry/FormCatalogue.h"
#include "entry/ReportReader.h"
#include "entry/ReportTablePrint.h"
#include "runtime/fs/Paths.h"
#include "runtime/report/PageSink.h"
#include "tools/DemoBuilder.h"
#include "tools/DemoOutputs.h"

#include <QProcess>
#include <QStandardPaths>
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
    void pdfReadBack();

private:
    runtime::report::PageList print(const TablePrintOptions &options, qint64 current = 1000);
    static QStringList texts(const runtime::report::PageList &pages);

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
    QVERIFY(all.contains(u"1. Аппараты искусственной вентиляции лёгких -3"_s));
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

    // Nothing filled at all: no table prints.
    all = texts(ReportTablePrint::layOut(*m_catalogue, u"Ф"_s, {}, 1000, {u"x"_s, false, true},
                                         QDateTime::currentDateTime()));
    QVERIFY(!all.contains(u"Т 1000 Должности медицинских работников"_s));
}

void TestReportTablePrint::pdfReadBack()
{
    const QString pdftotext = QStandardPaths::findExecutable(u"pdftotext"_s);
    if (pdftotext.isEmpty())
        QSKIP("pdftotext is not installed");
    const QString path = m_dir.filePath(u"tables.pdf"_s);
    runtime::report::PdfSink sink(path);
    const auto written =
        sink.output(print({u"Каменская ЦРБ  2026г.март"_s, false, false}), u"Печать"_s);
    QVERIFY(written && *written);
    QProcess process;
    process.start(pdftotext, {u"-layout"_s, path, u"-"_s});
    QVERIFY(process.waitForFinished(30000));
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY(text.contains(u"Каменская ЦРБ 2026г.март"_s) ||
            text.contains(u"Каменская ЦРБ  2026г.март"_s));
    QVERIFY(text.contains(u"Должность № 80"_s));
    QVERIFY(text.contains(u"Лист 2"_s));
    QVERIFY(text.contains(u"1234.500"_s));
}

QTEST_MAIN(TestReportTablePrint)
#include "test_reporttableprint.moc"
