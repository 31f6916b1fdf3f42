#include "runtime/office/XlsxReader.h"
#include "runtime/office/XlsxWriter.h"

#include "XlsxFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zemor::runtime;
using namespace zemor::runtime::office;
using zemor::test::ZipEntries;

namespace {

QString textAt(const Workbook &book, int row, int column)
{
    const Cell *cell = book.cell(row, column);
    return cell ? cell->displayText() : QString();
}

QStringList leftovers(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".tmp"));
}

} // namespace

class XlsxTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsTheTemplate();
    void damagedFilesAreRefused_data();
    void damagedFilesAreRefused();
    void mergedRangesRefuseOverlaps_data();
    void mergedRangesRefuseOverlaps();
    void writtenWorkbookReadsBack();
    void failedWriteLeavesNoFileAndKeepsTheOld();

private:
    QTemporaryDir m_dir;
};

void XlsxTest::readsTheTemplate()
{
    const QString path = m_dir.filePath(QStringLiteral("ras1.xls"));
    QVERIFY(zemor::test::writeTemplate(path));
    auto book = XlsxReader::read(path);
    QVERIFY2(book, qPrintable(book ? QString() : book.error().message));

    QCOMPARE(book->sheetName(), QStringLiteral("Лист1"));
    QCOMPARE(textAt(*book, 1, 1), QStringLiteral("Список ЛПУ"));
    QCOMPARE(textAt(*book, 9, 1), QStringLiteral("Код района")); // runs joined, phonetic left out
    QCOMPARE(textAt(*book, 9, 2), QStringLiteral(" a\tb "));     // position from the last cell
    QCOMPARE(textAt(*book, 12, 5), QStringLiteral("итого"));

    const Cell *number = book->cell(12, 2);
    QVERIFY(number);
    QCOMPARE(number->kind, Cell::Kind::Number);
    QCOMPARE(number->number, 42.0);
    const Cell *formula = book->cell(12, 3);
    QVERIFY(formula);
    QCOMPARE(formula->number, 84.0);
    QCOMPARE(formula->formula, QStringLiteral("B12*2"));

    const CellFormat heading = book->cell(9, 1)->format;
    QVERIFY(heading.bold);
    QCOMPARE(heading.left, BorderStyle::Thin);
    QCOMPARE(heading.bottom, BorderStyle::Medium);
    QVERIFY(heading.fontName.isEmpty()); // the workbook's default font
    const Cell *styledEmpty = book->cell(9, 4);
    QVERIFY(styledEmpty);
    QCOMPARE(styledEmpty->kind, Cell::Kind::Empty);
    QCOMPARE(styledEmpty->format.top, BorderStyle::Thin);
    const CellFormat title = book->cell(1, 1)->format;
    QVERIFY(!title.bold);
    QCOMPARE(title.fontName, QStringLiteral("Arial"));
    QCOMPARE(title.fontSize, 14.0);
    QCOMPARE(title.alignment, HorizontalAlignment::Center);
    QVERIFY(title.wrap);

    QCOMPARE(book->columnWidths().value(1), 12.0);
    QCOMPARE(book->columnWidths().value(3), 20.0);
    QCOMPARE(book->rowHeights().value(1), 30.0);
    QCOMPARE(book->mergedRanges(), QList<CellRange>({CellRange{1, 1, 1, 6}}));
}

void XlsxTest::damagedFilesAreRefused_data()
{
    QTest::addColumn<ZipEntries>("entries"); // empty: `raw` is written instead
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<ErrorCode>("code");

    const ZipEntries good = zemor::test::templateEntries();
    const auto replaced = [&](const QString &name, const QByteArray &content) {
        ZipEntries entries = good;
        for (auto &[entryName, entryContent] : entries)
            if (entryName == name)
                entryContent = content;
        return entries;
    };
    const auto without = [&](const QString &name) {
        ZipEntries entries;
        for (const auto &entry : good)
            if (entry.first != name)
                entries.append(entry);
        return entries;
    };
    const QString sheet = QStringLiteral("xl/worksheets/data.xml");

    QTest::newRow("binary workbook of an older kind")
        << ZipEntries() << QByteArray("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1 not a zip", 18)
        << ErrorCode::DamagedFile;
    QTest::newRow("empty file") << ZipEntries() << QByteArray() << ErrorCode::DamagedFile;
    QTest::newRow("zip signature only")
        << ZipEntries() << QByteArray("PK\x03\x04garbage", 11) << ErrorCode::DamagedFile;
    QTest::newRow("no worksheet") << without(sheet) << QByteArray() << ErrorCode::DamagedFile;
    QTest::newRow("malformed sheet xml")
        << replaced(sheet, QByteArray("<worksheet><sheetData><row r=\"1\"><c r=\"A1\">"))
        << QByteArray() << ErrorCode::DamagedFile;
    QTest::newRow("shared string index out of range")
        << replaced(sheet, QByteArray("<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\">"
                                      "<v>3</v></c></row></sheetData></worksheet>"))
        << QByteArray() << ErrorCode::DamagedFile;
    QTest::newRow("cell beyond the last column")
        << replaced(sheet, QByteArray("<worksheet><sheetData><row r=\"1\"><c r=\"XFE1\">"
                                      "<v>1</v></c></row></sheetData></worksheet>"))
        << QByteArray() << ErrorCode::DamagedFile;
    QTest::newRow("row beyond the last row")
        << replaced(sheet, QByteArray("<worksheet><sheetData><row r=\"1048577\"/>"
                                      "</sheetData></worksheet>"))
        << QByteArray() << ErrorCode::DamagedFile;
    QTest::newRow("unnumbered row after the last row")
        << replaced(sheet, QByteArray("<worksheet><sheetData><row r=\"1048576\"/>"
                                      "<row><c><v>1</v></c></row></sheetData></worksheet>"))
        << QByteArray() << ErrorCode::DamagedFile;
    QTest::newRow("number that is not one")
        << replaced(sheet, QByteArray("<worksheet><sheetData><row r=\"1\"><c r=\"A1\">"
                                      "<v>12,5</v></c></row></sheetData></worksheet>"))
        << QByteArray() << ErrorCode::DamagedFile;
    for (const char *text : {"NaN", "nan", "INF", "-inf", "Infinity"}) {
        QTest::addRow("not a finite number: %s", text)
            << replaced(sheet, QByteArray("<worksheet><sheetData><row r=\"1\"><c r=\"A1\">"
                                          "<v>") +
                                   text + "</v></c></row></sheetData></worksheet>")
            << QByteArray() << ErrorCode::DamagedFile;
    }
}

// Overlaps are found whatever the sizes and places of the ranges, also among many of them.
void XlsxTest::mergedRangesRefuseOverlaps_data()
{
    QTest::addColumn<QList<CellRange>>("first");
    QTest::addColumn<CellRange>("range");
    QTest::addColumn<bool>("added");
    const QList<CellRange> grid = [] {
        QList<CellRange> ranges;
        for (int row = 1; row <= 2000; row += 2)
            for (int column = 1; column <= 50; column += 2)
                ranges.append(CellRange{row, column, row, column + 1});
        return ranges;
    }();
    QTest::newRow("apart") << grid << CellRange{3000, 1, 3001, 1} << true;
    QTest::newRow("in a gap row") << grid << CellRange{2, 1, 2, 50} << true;
    QTest::newRow("same cells") << grid << CellRange{1001, 11, 1001, 12} << false;
    QTest::newRow("one corner") << grid << CellRange{1999, 50, 2100, 60} << false;
    QTest::newRow("across blocks") << grid << CellRange{30, 31, 34, 33} << false;
    QTest::newRow("wide over all") << grid << CellRange{1, 60, 1048576, 60} << true;
    QTest::newRow("wide hitting one") << grid << CellRange{1500, 40, 1048576, 40} << false;
    QTest::newRow("small inside a wide one")
        << QList<CellRange>{CellRange{1, 1, 1048576, 3}} << CellRange{70000, 3, 70001, 4} << false;
    QTest::newRow("single cell") << QList<CellRange>{} << CellRange{5, 5, 5, 5} << false;
}

void XlsxTest::mergedRangesRefuseOverlaps()
{
    QFETCH(QList<CellRange>, first);
    QFETCH(CellRange, range);
    QFETCH(bool, added);
    Workbook book;
    for (const CellRange &earlier : std::as_const(first))
        QVERIFY(book.addMergedRange(earlier));
    QCOMPARE(book.addMergedRange(range), added);
    QCOMPARE(book.mergedRanges().size(), first.size() + (added ? 1 : 0));
    // The slow, certain answer agrees.
    bool overlaps = range.rowCount() == 1 && range.columnCount() == 1;
    for (const CellRange &earlier : std::as_const(first))
        overlaps = overlaps || earlier.intersects(range);
    QCOMPARE(!overlaps, added);
}

void XlsxTest::damagedFilesAreRefused()
{
    QFETCH(ZipEntries, entries);
    QFETCH(QByteArray, raw);
    QFETCH(ErrorCode, code);
    const QString path = m_dir.filePath(QStringLiteral("bad.xls"));
    QFile::remove(path);
    if (!entries.isEmpty()) {
        QVERIFY(zemor::test::writeZip(path, entries));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(raw);
    }
    auto book = XlsxReader::read(path);
    QVERIFY(!book);
    QCOMPARE(book.error().code, code);
    QCOMPARE(book.error().where, path);
}

void XlsxTest::writtenWorkbookReadsBack()
{
    Workbook book;
    book.setSheetName(QStringLiteral("Свод"));
    book.setEntry(1, 1, QStringLiteral("Заголовок"));
    book.setEntry(2, 2, QStringLiteral("1234,5"));
    book.setEntry(2, 3, QStringLiteral("-0,125"));
    book.setEntry(2, 4, QStringLiteral("99999999999999,9")); // 15 digits: still exact
    book.setEntry(2, 5, QStringLiteral("007"));
    book.setEntry(2, 6, QStringLiteral(" N "));
    book.cellAt(3, 1).format.bold = true;
    book.cellAt(3, 1).format.bottom = BorderStyle::Double;
    book.cellAt(3, 2).setNumber(7);
    book.cellAt(3, 2).formula = QStringLiteral("B2+1");
    book.setColumnWidth(2, 18);
    book.setRowHeight(1, 24);
    QVERIFY(book.addMergedRange({1, 1, 1, 4}));

    const QString path = m_dir.filePath(QStringLiteral("out.XLS"));
    auto written = XlsxWriter::write(book, path);
    QVERIFY2(written, qPrintable(written ? QString() : written.error().message));
    QCOMPARE(leftovers(m_dir.path()), QStringList());

    auto back = XlsxReader::read(path);
    QVERIFY2(back, qPrintable(back ? QString() : back.error().message));
    QCOMPARE(back->sheetName(), QStringLiteral("Свод"));
    QCOMPARE(textAt(*back, 1, 1), QStringLiteral("Заголовок"));
    QCOMPARE(back->cell(2, 2)->kind, Cell::Kind::Number);
    QCOMPARE(back->cell(2, 2)->number, 1234.5);
    QCOMPARE(back->cell(2, 3)->number, -0.125);
    QCOMPARE(textAt(*back, 2, 4), QStringLiteral("99999999999999.9"));
    QCOMPARE(back->cell(2, 5)->kind, Cell::Kind::Text);
    QCOMPARE(textAt(*back, 2, 5), QStringLiteral("007"));
    QCOMPARE(textAt(*back, 2, 6), QStringLiteral(" N "));
    QVERIFY(back->cell(3, 1)->format.bold);
    QCOMPARE(back->cell(3, 1)->format.bottom, BorderStyle::Double);
    QCOMPARE(back->cell(3, 2)->formula, QStringLiteral("B2+1"));
    QCOMPARE(back->columnWidths().value(2), 18.0);
    QCOMPARE(back->rowHeights().value(1), 24.0);
    QCOMPARE(back->mergedRanges(), book.mergedRanges());
}

void XlsxTest::failedWriteLeavesNoFileAndKeepsTheOld()
{
    Workbook book;
    book.setEntry(1, 1, QStringLiteral("new"));

    const QString missing = m_dir.filePath(QStringLiteral("no-such-folder/1.XLS"));
    auto refused = XlsxWriter::write(book, missing);
    QVERIFY(!refused);
    QCOMPARE(refused.error().code, ErrorCode::FileNotFound);

    // A text longer than a cell holds stops the write: the old file stays as it was.
    const QString path = m_dir.filePath(QStringLiteral("keep.xls"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old workbook");
    }
    book.cellAt(2, 1).setText(QString(XlsxWriter::kMaxTextLength + 1, u'x'));
    auto tooLong = XlsxWriter::write(book, path);
    QVERIFY(!tooLong);
    QCOMPARE(tooLong.error().code, ErrorCode::Overflow);
    QFile old(path);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old workbook"));
    QCOMPARE(leftovers(m_dir.path()), QStringList());
}

QTEST_GUILESS_MAIN(XlsxTest)
#include "test_xlsx.moc"
