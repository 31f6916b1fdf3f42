#include "analysis/indicators/IndicatorOutput.h"

#include "analysis/indicators/IndicatorCells.h"
#include "runtime/report/ReportWriter.h"
#include "shell/ExcelLauncher.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace zemor::analysis {

using namespace Qt::StringLiterals;
using runtime::report::ReportDefinition;
using runtime::report::ReportItem;
using runtime::report::ReportRecord;

namespace {

QString trimmedEnd(const QString &text)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1).isSpace())
        --n;
    return text.left(n);
}

QString layoutWord(IndicatorLayout layout)
{
    switch (layout) {
    case IndicatorLayout::ByDistrict:
        return u"Район"_s;
    case IndicatorLayout::ByInstitution:
        return u"Учреждение"_s;
    case IndicatorLayout::ByRows:
        break;
    }
    return u"Название"_s;
}

// The value columns of the run as the list, the workbook and the print head them: the years of
// a series, otherwise the column records up to the shown count (kind 1: up to the highest
// filled column), the population column last.
struct HeadedColumn
{
    QString heading;      // GRA:NAME, or the year text
    QString shortHeading; // GRA:NAMEL
    int width = 9;        // GRA:L
    int number = 0;       // GRA:COD, or the year's position
};

QList<HeadedColumn> headedColumns(const IndicatorOutputInput &input, bool cutToFilled)
{
    const IndicatorRun &run = *input.run;
    QList<HeadedColumn> out;
    if (run.series) {
        for (int i = 0; i < input.seriesYears.size() && i < displayColumnCount; ++i) {
            const QString y = QString::number(input.seriesYears[i]) + u"г."_s;
            out.append({y, y, 10, i + 1});
        }
        return out;
    }
    int count = IndicatorCells::shownColumns(run);
    const int population = IndicatorCells::populationColumn(run);
    if (cutToFilled && run.definition.kind == 1 && !run.years.isEmpty())
        count = IndicatorCells::highestFilledColumn(run.years.first(), count, population);
    for (int k = 1; k <= count; ++k) {
        if (k == population) {
            out.append(
                {IndicatorOutput::populationHeading(), IndicatorOutput::populationHeading(), 9, k});
            continue;
        }
        HeadedColumn c;
        c.number = k;
        for (const IndicatorColumn &column : input.columns) {
            if (column.number == k) {
                c.heading = trimmedEnd(column.heading.left(100));
                c.shortHeading = trimmedEnd(column.shortHeading);
                c.width = column.width;
            }
        }
        out.append(c);
    }
    return out;
}

QString number(int n)
{
    return QString::number(n);
}

} // namespace

QString IndicatorOutput::resultTitle(const IndicatorOutputInput &input)
{
    const IndicatorRun &run = *input.run;
    QString title = trimmedEnd(run.definition.name) + u':' + trimmedEnd(input.chosen.name);
    if (run.layout == IndicatorLayout::ByRows)
        return title + u' ' + trimmedEnd(run.title);
    if (!input.chosen.pol.trimmed().isEmpty())
        title += u" ("_s + input.chosen.pol.trimmed() + u')';
    return title;
}

int IndicatorOutput::listCells(const IndicatorOutputInput &input, const IndicatorDisplay &display)
{
    const int columns = display.columns;
    return std::min(input.run->twoYears ? 2 * columns : columns, displayCellCount);
}

QString IndicatorOutput::listFormat(const IndicatorOutputInput &input,
                                    const IndicatorDisplay &display,
                                    const std::optional<QString> &stored)
{
    Q_UNUSED(display);
    const IndicatorRun &run = *input.run;
    if (!run.series && !run.twoYears && stored && !stored->trimmed().isEmpty())
        return *stored;
    QString format;
    switch (run.layout) {
    case IndicatorLayout::ByDistrict:
        format = u"9L|_FM~N~L@s10@45L|_FM~РЕГИОН~L@S150@E(,0DFFFFFH,,)"_s;
        break;
    case IndicatorLayout::ByRows:
        format = u"9L|_FM~N~L@s10@45L|_FM~Название~L@S150@E(,0DFFFFFH,,)"_s;
        break;
    case IndicatorLayout::ByInstitution:
        format = u"9L|_FM~N~L@s10@55L|_FM~ЛПУ~L@S150@E(,0DFFFFFH,,)"_s;
        break;
    }
    const QList<HeadedColumn> columns = headedColumns(input, true);
    if (run.series) {
        for (const HeadedColumn &c : columns)
            format += u"40L|_M~"_s + c.heading + u"~@S15@"_s;
        return format;
    }
    int cells = 0;
    for (int i = 0; i < columns.size(); ++i) {
        const HeadedColumn &c = columns[i];
        const bool last = i == columns.size() - 1;
        const int w = c.width * 4;
        if (!run.twoYears) {
            if (++cells > displayCellCount)
                break;
            format += number(last ? 40 : w) + u"L|_M~"_s + c.shortHeading + u"~@S15@"_s;
            continue;
        }
        if ((cells += 2) > displayCellCount)
            break;
        format += number(w) + u"L|_M~"_s + number(input.year - 1) + c.shortHeading + u"~@S15@"_s;
        format += number(last ? 40 : w) + u"L|_M~"_s + c.shortHeading + u"~@S15@"_s;
    }
    return format;
}

double IndicatorOutput::cellNumber(const QString &cell)
{
    if (cell.contains(u'/'))
        return 0;
    QString text = cell.trimmed();
    text.replace(u',', u'.');
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0;
}

QList<ChartItem> IndicatorOutput::chart(const IndicatorDisplayRow &row, int cells,
                                        std::pair<double, double> range)
{
    QList<ChartItem> items;
    const auto [minimum, maximum] = range;
    cells = std::min(cells, displayCellCount);
    if ((minimum == 0 && maximum == 0) || cells < 1 || maximum <= minimum)
        return items;
    constexpr int left = 10;
    constexpr int axis = 120;
    constexpr int labels = 125;
    const double unit = (maximum - minimum) / 100;
    const int step = 500 / cells;
    const QColor red(Qt::red);
    const auto yOf = [&](double v) { return axis - int(std::lround((v - minimum) / unit)); };
    const auto xOf = [&](int k) { return left + k * step; };
    items.append({ChartItem::Kind::Line,
                  {QPoint(left, axis), QPoint(left + 500, axis)},
                  {},
                  QColor(Qt::black),
                  1});
    if (minimum < 0)
        items.append({ChartItem::Kind::Line,
                      {QPoint(left, yOf(0)), QPoint(left + 500, yOf(0))},
                      {},
                      QColor(Qt::black),
                      1});
    QList<QPoint> points;
    for (int k = 0; k < cells; ++k)
        points.append(QPoint(xOf(k), yOf(cellNumber(row.cells[size_t(k)]))));
    if (points.size() > 1)
        items.append({ChartItem::Kind::Line, points, {}, red, 3});
    for (int k = 0; k < cells; ++k) {
        items.append({ChartItem::Kind::Text, {points[k]}, row.cells[size_t(k)].trimmed(), red, 1});
        items.append({ChartItem::Kind::Text,
                      {QPoint(xOf(k), labels)},
                      k == 0 ? u"гр1"_s : number(k + 1),
                      QColor(Qt::black),
                      1});
    }
    return items;
}

std::optional<QList<double>> IndicatorOutput::rankValues(const QList<IndicatorDisplayRow> &rows,
                                                         int listColumn)
{
    const int cell = listColumn - 2;
    if (cell < 0 || cell >= displayCellCount)
        return std::nullopt;
    QList<double> values;
    for (const IndicatorDisplayRow &row : rows)
        values.append(rankValue(row.cells[size_t(cell)]));
    return values;
}

std::optional<RankTableSource> IndicatorOutput::rankSource(const IndicatorOutputInput &input,
                                                           const QList<IndicatorDisplayRow> &rows,
                                                           int listColumn,
                                                           const ColumnPictures &pictures)
{
    const auto values = rankValues(rows, listColumn);
    if (!values)
        return std::nullopt;
    const IndicatorRun &run = *input.run;
    RankTableSource source;
    source.year = input.year;
    source.districtCodes = run.layout == IndicatorLayout::ByDistrict;
    source.title = resultTitle(input).left(200);
    const int cell = listColumn - 2;
    const QList<HeadedColumn> columns = headedColumns(input, true);
    const qsizetype column = run.twoYears && !run.series ? cell / 2 : cell;
    if (column < columns.size())
        source.subtitle = columns.at(column).heading.left(80);
    // A series shows every year under the picture of the slot it follows.
    const qsizetype pictured = run.series ? run.seriesSlot - 1 : column;
    if (pictured >= 0 && pictured < qsizetype(pictures.pictures.size()))
        source.picture = pictures.pictures[size_t(pictured)].left(10);
    source.lines.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        RankLine line;
        line.name = rows.at(i).name;
        // A cell's number has at most two places, which a double carries to the decimal exactly.
        line.value = runtime::Decimal::fromDouble(values->at(i), 2).value_or(runtime::Decimal());
        if (source.districtCodes)
            line.codReg = rows.at(i).number;
        source.lines.append(line);
    }
    return source;
}

QList<IndicatorDisplayRow> IndicatorOutput::filledRows(const QList<IndicatorDisplayRow> &rows,
                                                       int cells)
{
    QList<IndicatorDisplayRow> out;
    for (const IndicatorDisplayRow &row : rows) {
        for (int c = 0; c < cells && c < displayCellCount; ++c) {
            if (!row.cells[size_t(c)].trimmed().isEmpty()) {
                out.append(row);
                break;
            }
        }
    }
    return out;
}

QString IndicatorOutput::workbookTemplate(const IndicatorOutputInput &input)
{
    const IndicatorRun &run = *input.run;
    if (!run.series && !run.twoYears && !run.definition.workbook.trimmed().isEmpty())
        return run.definition.workbook.trimmed();
    return commonTemplate();
}

bool IndicatorOutput::exportToExcel(const IndicatorOutputInput &input,
                                    const QList<IndicatorDisplayRow> &rows,
                                    shell::ExcelLauncher &excel)
{
    const IndicatorRun &run = *input.run;
    const QString templ = workbookTemplate(input);
    if (excel.launch(templ) == 0)
        return false;
    const QList<HeadedColumn> columns = headedColumns(input, false);
    const int shown = int(columns.size());
    const int year = input.year;
    if (run.series) {
        excel.pokeText(10, 1, layoutWord(run.layout));
        excel.pokeText(10, 2, u" N "_s);
        for (int n = 0; n < shown; ++n)
            excel.pokeText(10, n + 3, columns[n].heading);
    } else if (templ == commonTemplate()) {
        excel.pokeText(9, 1, layoutWord(run.layout));
        excel.pokeText(9, 2, u" N "_s);
        for (int k = 1; k <= shown; ++k) {
            const QString heading = columns[k - 1].heading.left(80);
            if (run.twoYears) {
                if (2 * k > excelCells)
                    break;
                excel.pokeText(9, 2 * k + 2, heading);
                excel.pokeText(10, 2 * k + 2, number(year) + u"г."_s);
                excel.pokeText(9, 2 * k + 1, heading);
                excel.pokeText(10, 2 * k + 1, number(year - 1) + u"г."_s);
            } else {
                if (k > excelCells)
                    break;
                excel.pokeText(9, k + 2, heading);
                excel.poke(10, k + 2, number(k));
            }
        }
    }
    excel.pokeText(1, 3, trimmedEnd(run.definition.name));
    excel.pokeText(2, 1, number(year) + u" год."_s + trimmedEnd(run.title));
    excel.pokeText(4, 1, trimmedEnd(input.chosen.name));
    if (run.layout == IndicatorLayout::ByDistrict)
        excel.pokeText(9, 1, u"Районы"_s);
    const int m = std::min(run.twoYears ? 2 * shown : shown, excelCells);
    for (int i = 0; i < rows.size(); ++i) {
        const IndicatorDisplayRow &row = rows[i];
        excel.pokeText(i + 11, 1, trimmedEnd(row.name));
        excel.pokeText(i + 11, 2, trimmedEnd(row.codeText));
        for (int c = 1; c <= m; ++c)
            excel.poke(i + 11, c + 2, trimmedEnd(row.cells[size_t(c - 1)]).trimmed());
    }
    excel.frame(10, 1, int(rows.size()) + 10, m + 2);
    return excel.finish();
}

QList<IndicatorOutput::PrintedCell> IndicatorOutput::printedCells(const IndicatorOutputInput &input)
{
    const IndicatorRun &run = *input.run;
    const QList<HeadedColumn> columns = headedColumns(input, false);
    QList<PrintedCell> out;
    if (!run.twoYears) {
        for (const HeadedColumn &c : columns) {
            if (out.size() == printedCellCount)
                break;
            out.append({c.heading, number(c.number + 2), c.width, int(out.size()) + 1});
        }
        return out;
    }
    // The columns up to the one at which the widths first exceed 55, each twice.
    int fitting = int(columns.size());
    int total = 0;
    for (int i = 0; i < columns.size(); ++i) {
        total += columns[i].width;
        if (total > 55) {
            fitting = i + 1;
            break;
        }
    }
    for (int i = 0; i < fitting && out.size() < printedCellCount; ++i) {
        const HeadedColumn &c = columns[i];
        out.append({number(input.year - 1) + u"г. "_s + c.heading, number(c.number + 2), c.width,
                    2 * i + 1});
        if (out.size() < printedCellCount)
            out.append({number(input.year) + u"г. "_s + c.heading, number(c.number + 2), c.width,
                        2 * i + 2});
    }
    return out;
}

runtime::report::PageList IndicatorOutput::printPages(const IndicatorOutputInput &input,
                                                      const QList<IndicatorDisplayRow> &rows,
                                                      const QDateTime &now)
{
    const IndicatorRun &run = *input.run;
    const QList<PrintedCell> cells = printedCells(input);
    // One print unit: 90 thousandths of an inch.
    constexpr double unit = 90 * 25.4 / 1000;
    constexpr double lineHeight = 2.9;
    constexpr int linesPerPage = 65;
    constexpr double numberWidth = 3 * unit;
    int valueUnits = 0;
    for (const PrintedCell &c : cells)
        valueUnits += run.series ? 10 : c.width;
    double nameWidth = 15 * unit;
    if (run.layout == IndicatorLayout::ByInstitution)
        nameWidth = 28 * unit;
    else if (run.layout == IndicatorLayout::ByRows)
        nameWidth = std::max(10, 125 - valueUnits) * unit;
    const bool numbered = run.layout != IndicatorLayout::ByDistrict;

    QFont font;
    font.setFamilies({u"Arial Cyr"_s, u"Arial"_s, u"Liberation Sans"_s, u"DejaVu Sans"_s});
    font.setPointSizeF(6.5);
    QFont bold = font;
    bold.setBold(true);
    QFont title = bold;
    title.setPointSizeF(9);

    ReportDefinition def;
    def.page.orientation = runtime::report::Orientation::Landscape;
    const double bodyWidth = def.page.bodyRect().width();
    double printedWidth = numberWidth + nameWidth;
    for (const PrintedCell &c : cells)
        printedWidth += (run.series ? 10 : c.width) * unit;
    printedWidth = std::min(printedWidth, bodyWidth);

    // Title bands, then the heading line.
    constexpr double headingHeight = 12;
    def.reportHeader.height = 3 * 5 + headingHeight + 1;
    def.reportHeader.items.append(ReportItem::makeText({0, 0, bodyWidth, 5}, u"{date}"_s, font));
    def.reportHeader.items.append(
        ReportItem::makeText({0, 5, bodyWidth, 5}, u"{callerTitle}"_s, bold));
    def.reportHeader.items.append(ReportItem::makeText({0, 10, bodyWidth, 5}, u"{title}"_s, title));
    const double top = 15;
    def.reportHeader.items.append(ReportItem::makeText({0, top, numberWidth, headingHeight},
                                                       u"N стр"_s, font, Qt::AlignCenter, true));
    const QString nameHeading = run.layout == IndicatorLayout::ByDistrict      ? u"Районы"_s
                                : run.layout == IndicatorLayout::ByInstitution ? u"ЛПУ"_s
                                                                               : u"Наименование"_s;
    def.reportHeader.items.append(ReportItem::makeText({numberWidth, top, nameWidth, headingHeight},
                                                       nameHeading, font, Qt::AlignCenter, true));
    def.detail.height = lineHeight;
    def.detail.items.append(ReportItem::makeText({0, 0, numberWidth, lineHeight}, u"{GR1}"_s, font,
                                                 Qt::AlignLeft | Qt::AlignVCenter, true));
    def.detail.items.append(ReportItem::makeText({numberWidth, 0, nameWidth, lineHeight},
                                                 u"{GR2}"_s, font, Qt::AlignLeft | Qt::AlignVCenter,
                                                 true));
    runtime::report::GroupLevel sheet;
    sheet.keyField = u"sheet"_s;
    sheet.startsPage = true;
    double x = numberWidth + nameWidth;
    for (int i = 0; i < cells.size(); ++i) {
        const double w = (run.series ? 10 : cells[i].width) * unit;
        ReportItem heading = ReportItem::makeText({x, top, w, headingHeight}, cells[i].heading,
                                                  font, Qt::AlignCenter, true);
        heading.wordWrap = true;
        def.reportHeader.items.append(heading);
        def.detail.items.append(ReportItem::makeText({x, 0, w, lineHeight}, u"{G%1}"_s.arg(i + 1),
                                                     font, Qt::AlignRight | Qt::AlignVCenter,
                                                     true));
        if (numbered)
            sheet.header.items.append(ReportItem::makeText({x, 0, w, lineHeight}, cells[i].number,
                                                           bold, Qt::AlignCenter, true));
        x += w;
    }
    if (numbered) {
        sheet.header.height = lineHeight;
        sheet.header.items.append(
            ReportItem::makeText({0, 0, numberWidth, lineHeight}, {}, bold, Qt::AlignCenter, true));
        sheet.header.items.append(ReportItem::makeText({numberWidth, 0, nameWidth, lineHeight}, {},
                                                       bold, Qt::AlignCenter, true));
        def.groups.append(sheet);
    }
    def.reportFooter.height = 1;
    def.reportFooter.items.append(ReportItem::makeLine({0, 0}, {printedWidth, 0}, 0.3));
    def.pageFooter.height = 5;
    def.pageFooter.items.append(ReportItem::makeText({0, 0, bodyWidth, 5}, u"{page}"_s, font,
                                                     Qt::AlignRight | Qt::AlignVCenter));
    def.pageWithoutRecords = true;

    const QString date = QLocale::c().toString(now.date(), u"dd.MM.yy"_s) + u"  "_s +
                         QLocale::c().toString(now.time(), u"HH:mm:ss"_s);
    const QString printTitle =
        trimmedEnd(run.definition.name) + u". "_s + trimmedEnd(input.chosen.name);
    const int nameChars = std::max(1, int(nameWidth / unit));
    const auto linesOf = [](const QString &text, int chars) {
        return std::max<int>(1, int((trimmedEnd(text).size() + chars - 1) / chars));
    };

    // A page is closed after 65 counted lines, or earlier when the sheet holds fewer rows, so
    // that every page of a numbered table starts with its column numbers.
    const double body = def.page.bodyRect().height() - def.pageFooter.height - lineHeight;
    const int firstCapacity = int((body - def.reportHeader.height) / lineHeight) - 1;
    const int capacity = int(body / lineHeight) - 1;
    runtime::report::ReportWriter writer(def);
    int count = linesOf(run.title, 250) + 4;
    int onPage = 0;
    int sheetNumber = 1;
    for (const IndicatorDisplayRow &row : rows) {
        const int lines = linesOf(row.name, nameChars);
        count += lines;
        ++onPage;
        if (numbered &&
            (count > linesPerPage || onPage > (sheetNumber == 1 ? firstCapacity : capacity))) {
            ++sheetNumber;
            count = lines + 1;
            onPage = 1;
        }
        ReportRecord record;
        record.insert(u"date"_s, date);
        record.insert(u"callerTitle"_s, trimmedEnd(run.title));
        record.insert(u"title"_s, printTitle);
        record.insert(u"sheet"_s, number(sheetNumber));
        record.insert(u"GR1"_s, trimmedEnd(row.codeText));
        record.insert(u"GR2"_s, trimmedEnd(row.name));
        for (int i = 0; i < cells.size(); ++i) {
            const QString text = row.cells[size_t(cells[i].cell - 1)];
            record.insert(u"G%1"_s.arg(i + 1), text.trimmed().isEmpty() ? u"    -"_s : text);
        }
        writer.add(record);
    }
    return writer.finish();
}

} // namespace zemor::analysis
