#include "tools/DemoTemplates.h"

#include "runtime/fs/Paths.h"
#include "runtime/office/Workbook.h"
#include "runtime/office/XlsxWriter.h"

#include <QList>

#include <initializer_list>

namespace zemor::tools {

using runtime::Status;
using runtime::office::BorderStyle;
using runtime::office::Cell;
using runtime::office::HorizontalAlignment;
using runtime::office::Workbook;

namespace {

Workbook sheet()
{
    Workbook book;
    book.setSheetName(QStringLiteral("Лист1"));
    // The titles the exports write into the first three rows.
    for (int row = 1; row <= 3; ++row) {
        Cell &title = book.cellAt(row, 1);
        title.format.bold = true;
        title.format.fontSize = row == 1 ? 14 : 12;
    }
    return book;
}

void widths(Workbook &book, std::initializer_list<double> columns)
{
    int column = 1;
    for (const double width : columns)
        book.setColumnWidth(column++, width);
}

// Heading rows: bold, centred and wrapped, over `columns` columns.
void headingRows(Workbook &book, int firstRow, int lastRow, int columns)
{
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = 1; column <= columns; ++column) {
            Cell &cell = book.cellAt(row, column);
            cell.format.bold = true;
            cell.format.alignment = HorizontalAlignment::Center;
            cell.format.wrap = true;
        }
    }
}

void headings(Workbook &book, int row, const QList<std::pair<int, QString>> &texts)
{
    for (const auto &[column, text] : texts) {
        Cell &cell = book.cellAt(row, column);
        cell.setText(text);
        cell.format.bottom = BorderStyle::Thin;
    }
}

// Lists of institutions and cross-sections by institution: headings in rows 7 to 9.
Workbook listTemplate()
{
    Workbook book = sheet();
    widths(book, {8, 10, 24, 32, 10, 48, 16});
    headingRows(book, 7, 9, 7);
    return book;
}

// Tables by district: headings in rows 7 to 10 (periods, forms, headings, column numbers).
Workbook tableTemplate()
{
    Workbook book = sheet();
    widths(book, {34, 10});
    for (int column = 3; column <= 32; ++column)
        book.setColumnWidth(column, 12);
    headingRows(book, 7, 10, 32);
    return book;
}

// Summaries: column names in row 9, column numbers in row 10.
Workbook summaryTemplate()
{
    Workbook book = sheet();
    widths(book, {44, 10, 10, 10});
    for (int column = 5; column <= 40; ++column)
        book.setColumnWidth(column, 12);
    headingRows(book, 9, 10, 40);
    for (int column = 1; column <= 40; ++column) {
        book.cellAt(10, column).format.bold = false;
        book.cellAt(10, column).format.italic = true;
    }
    return book;
}

// Ratings: the exports write the rows from row 10 and no headings of their own.
Workbook ratingTemplate()
{
    Workbook book = sheet();
    widths(book, {8, 40});
    for (int column = 3; column <= 13; ++column)
        book.setColumnWidth(column, 13);
    headingRows(book, 9, 9, 13);
    headings(book, 9,
             {{1, QStringLiteral("Код")},
              {2, QStringLiteral("Учреждение")},
              {3, QStringLiteral("Рейтинг")},
              {4, QStringLiteral("Структура")},
              {5, QStringLiteral("Процесс")},
              {6, QStringLiteral("Процесс: стационар")},
              {7, QStringLiteral("Процесс: поликлиника")},
              {8, QStringLiteral("Процесс: учреждение в целом")},
              {9, QStringLiteral("Результат")},
              {10, QStringLiteral("Результат: демография")},
              {11, QStringLiteral("Результат: здоровье населения")},
              {12, QStringLiteral("Результат: медицинская помощь")},
              {13, QStringLiteral("Результат: социальное положение кадров")}});
    return book;
}

// Goal indices and values by member: the exports write row 9 themselves, 30 columns wide.
Workbook memberTemplate()
{
    Workbook book = sheet();
    widths(book, {10, 44, 10, 10});
    for (int column = 5; column <= 30; ++column)
        book.setColumnWidth(column, 12);
    headingRows(book, 9, 9, 30);
    return book;
}

// The rank table: the exports write the value heading (C2) and "Диапазон" (C5) into row 10.
Workbook rankTemplate()
{
    Workbook book = sheet();
    widths(book, {44, 14, 8, 12, 12, 12});
    headingRows(book, 10, 10, 6);
    headings(book, 10,
             {{1, QStringLiteral("Название")},
              {3, QStringLiteral("Ранг")},
              {4, QStringLiteral("N диапазона")},
              {6, QStringLiteral("Верхняя граница")}});
    return book;
}

} // namespace

QStringList DemoTemplates::names()
{
    return {QStringLiteral("ras1.xls"), QStringLiteral("RAS.XLS"), QStringLiteral("swod.xls"),
            QStringLiteral("i1.XLS"),   QStringLiteral("i2.XLS"),  QStringLiteral("i3.XLS"),
            QStringLiteral("rang.xls")};
}

Workbook DemoTemplates::workbook(const QString &name)
{
    const QString folded = name.toCaseFolded();
    if (folded == u"ras1.xls")
        return listTemplate();
    if (folded == u"ras.xls")
        return tableTemplate();
    if (folded == u"swod.xls")
        return summaryTemplate();
    if (folded == u"i1.xls")
        return ratingTemplate();
    if (folded == u"i2.xls" || folded == u"i3.xls")
        return memberTemplate();
    if (folded == u"rang.xls")
        return rankTemplate();
    return {};
}

Status DemoTemplates::write(const QString &folder)
{
    if (Status made = runtime::fs::makeDir(folder); !made)
        return made;
    for (const QString &name : names()) {
        if (Status written =
                runtime::office::XlsxWriter::write(workbook(name), runtime::fs::join(folder, name));
            !written)
            return written;
    }
    return {};
}

} // namespace zemor::tools
