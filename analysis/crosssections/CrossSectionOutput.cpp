#include "analysis/crosssections/CrossSectionOutput.h"

#include "data/Period.h"
#include "runtime/picture/Picture.h"
#include "runtime/text/FixedString.h"
#include "shell/ExcelLauncher.h"

#include <algorithm>
#include <cmath>

namespace zemor::analysis {

using runtime::Decimal;
using runtime::text::clipped;

namespace {

constexpr int chartLeft = 10;
constexpr int chartWidth = 500;
constexpr int chartBase = 125;      // the base line of a chart without negative values
constexpr int chartHeight = 100;    // the units the range is scaled to
constexpr int negativeBottom = 175; // the lowest point of a chart with negative values
constexpr int captionWidth = 100;
constexpr int captionColumnWidth = 50;
constexpr int listedMarks = 35; // the result list has columns for the first 35 marks

QString dateText(qint32 dayNumber)
{
    static const auto picture = runtime::Picture::parse(u"@d5.");
    return picture ? picture->formatDate(dayNumber).trimmed() : QString::number(dayNumber);
}

QString number(qint64 value)
{
    return QString::number(value);
}

// The text of y units above the base of a value, cut towards zero as the window units are.
int scaled(const Decimal &value, const Decimal &minimum, double unit)
{
    return int(std::trunc((value.toDouble() - minimum.toDouble()) / unit));
}

void widen(ValueRange &range, const Decimal &value)
{
    if (value < range.minimum)
        range.minimum = value;
    if (value > range.maximum)
        range.maximum = value;
}

ChartItem line(QList<QPoint> points, const QColor &color, int width)
{
    return {ChartItem::Kind::Line, std::move(points), {}, color, width};
}

ChartItem text(QPoint at, const QString &value, const QColor &color, int width)
{
    return {ChartItem::Kind::Text, {at}, value, color, width};
}

} // namespace

void CrossSectionOutput::sortRows(QList<CrossSectionRow> &rows, RowOrder order)
{
    const auto key = [order](const CrossSectionRow &r) -> std::array<int, 3> {
        switch (order) {
        case RowOrder::Kinds:
            return {r.kind, r.district, 0};
        case RowOrder::Settlements:
            return {r.settlement, r.district, r.kind};
        case RowOrder::Districts:
        case RowOrder::Places:
            break;
        }
        return {r.district, r.kind, 0};
    };
    std::stable_sort(
        rows.begin(), rows.end(),
        [&](const CrossSectionRow &a, const CrossSectionRow &b) { return key(a) < key(b); });
}

QList<CrossSectionOutput::Column>
CrossSectionOutput::resultColumns(const CrossSectionResult &result, qint64 form, qint64 table)
{
    QList<Column> columns;
    for (int k = 1; k <= result.markCount() && k <= listedMarks; ++k) {
        const CrossSectionMark &mark = result.marks[k - 1];
        if (!result.byRows) {
            columns.append({k, number(k)});
            continue;
        }
        if (mark.form != form || mark.table != table)
            continue;
        columns.append({k, mark.periodFrom == mark.periodTo
                               ? number(mark.periodFrom)
                               : number(mark.periodFrom) + u'-' + number(mark.periodTo)});
    }
    return columns;
}

QString CrossSectionOutput::resultFormat(const CrossSectionResult &result, qint64 form,
                                         qint64 table)
{
    QString format;
    if (result.byRows)
        format =
            QStringLiteral("10L|_FM~Регион~L@S20@E(,0FFFFE1H,,)60L|_M~ЛПУ~L@S150@E(,0F0FFF0H,,)"
                           "40C");
    else if (result.grouping == CrossSectionGrouping::Districts)
        format =
            QStringLiteral("70L|_FM~Регион~L@S20@E(,0FFFFE1H,,)1L|_M~ ~L@S40@E(,0F0FFF0H,,)40C");
    else
        format = QStringLiteral("30L|_FM~Регион~L@S20@E(,0FFFFE1H,,)60L|_M~ЛПУ~L@S50@E(,0F0FFF0H,,)"
                                "40C");
    const QList<Column> columns = resultColumns(result, form, table);
    for (qsizetype i = 0; i < columns.size(); ++i) {
        format += QStringLiteral("|_M~") + columns[i].heading + u'~' + QStringLiteral("@S12") +
                  (i + 1 == columns.size() ? QStringLiteral("@") : QStringLiteral("@40C"));
    }
    return format;
}

void CrossSectionOutput::removeEmptyRows(QList<CrossSectionRow> &rows)
{
    rows.removeIf([](const CrossSectionRow &row) { return row.isEmpty(); });
}

QString CrossSectionOutput::rowCountText(const QList<CrossSectionRow> &rows)
{
    const auto count = std::count_if(rows.begin(), rows.end(),
                                     [](const CrossSectionRow &r) { return !r.isTotal(); });
    return QStringLiteral("ВСЕГО : ") + number(count);
}

QString CrossSectionOutput::rowText(const CrossSectionRow &row)
{
    return clipped(row.region) + u' ' + row.name;
}

QString CrossSectionOutput::periodText(const CrossSectionMark &mark, int periodKind, qint32 year,
                                       qint32 lastYearRead)
{
    const QString y = number(mark.year);
    const QString f = number(mark.periodFrom);
    const QString t = number(mark.periodTo);
    const bool single = mark.periodFrom == mark.periodTo;
    switch (periodKind) {
    case 0:
        return single ? y + QStringLiteral("г.") : clipped(mark.rowName);
    case 1: {
        QString text = data::monthLabel(mark.periodFrom);
        if (!single)
            text += QStringLiteral("- ") + data::monthLabel(mark.periodTo);
        if (mark.year != year || (lastYearRead != 0 && lastYearRead != year))
            text.prepend(y);
        return text;
    }
    case 2:
        return single ? y + QStringLiteral("г.") + f + QStringLiteral("квартал")
                      : y + QStringLiteral("г.") + f + u'-' + t + QStringLiteral("квартал");
    case 3:
        return single ? y + QStringLiteral("г.") + f + QStringLiteral("полугодие ")
                      : y + QStringLiteral("г.") + f + u'-' + t + QStringLiteral("полугодия ");
    case 4:
        return single ? y + QStringLiteral("г.") + f + QStringLiteral("неделя ")
                      : y + QStringLiteral("г.") + f + u'-' + t + QStringLiteral("недели ");
    case 5:
        return single ? dateText(mark.periodFrom)
                      : QStringLiteral("c ") + dateText(mark.periodFrom) + QStringLiteral("по ") +
                            dateText(mark.periodTo);
    default:
        return {};
    }
}

QString CrossSectionOutput::caption(const CrossSectionMark &mark, int periodKind)
{
    const QString y = number(mark.year) + QStringLiteral("г.");
    const QString f = number(mark.periodFrom);
    const QString t = number(mark.periodTo);
    const bool single = mark.periodFrom == mark.periodTo;
    const QString cell = clipped(mark.rowName) + QStringLiteral(" / ") + clipped(mark.columnName);
    switch (periodKind) {
    case 0:
        return y + cell;
    case 1:
        return single ? y + f + QStringLiteral("месяц") + cell
                      : y + f + u'-' + t + QStringLiteral("месяцы ") + cell;
    case 2:
        return single ? y + f + QStringLiteral("квартал") + cell
                      : y + f + u'-' + t + QStringLiteral("квартал") + cell;
    case 3:
        return single ? y + f + QStringLiteral("полугодие ") + cell
                      : y + f + u'-' + t + QStringLiteral("полугодия ") + cell;
    case 4:
        return single ? y + f + QStringLiteral("неделя ") + cell
                      : y + f + u'-' + t + QStringLiteral("недели ") + cell;
    case 5: {
        const QString period = single ? dateText(mark.periodFrom)
                                      : QStringLiteral("c ") + dateText(mark.periodFrom) +
                                            QStringLiteral("по ") + dateText(mark.periodTo);
        return period + u' ' + clipped(mark.columnName.left(captionColumnWidth)) +
               QStringLiteral(". ") + clipped(mark.rowName);
    }
    default:
        return cell;
    }
}

QString CrossSectionOutput::valueText(const Decimal &value)
{
    return value.toString();
}

QString CrossSectionOutput::excelValueText(const Decimal &value)
{
    const QString plain = value.toString();
    const qsizetype point = plain.indexOf(u'.');
    if (point < 0)
        return plain;
    QString text = plain.left(point + 4);
    text[point] = u',';
    return text;
}

ValueRange CrossSectionOutput::valueRange(const QList<CrossSectionRow> &rows, int count)
{
    ValueRange range;
    for (const CrossSectionRow &row : rows) {
        const ValueRange own = valueRange(row, count);
        widen(range, own.minimum);
        widen(range, own.maximum);
    }
    return range;
}

ValueRange CrossSectionOutput::valueRange(const CrossSectionRow &row, int count)
{
    ValueRange range;
    for (int k = 0; k < count && k < row.values.size(); ++k)
        widen(range, row.values[k]);
    return range;
}

QList<ChartItem> CrossSectionOutput::chart(const QList<CrossSectionRow> &rows, int clicked,
                                           int count, const ValueRange &tableRange, bool general,
                                           bool oneRow)
{
    QList<ChartItem> items;
    if (clicked < 0 || clicked >= rows.size() || count < 1)
        return items;
    const CrossSectionRow &row = rows[clicked];
    count = std::min(count, int(row.values.size()));
    if (count < 1)
        return items;
    const ValueRange range = oneRow && !general ? valueRange(row, count) : tableRange;
    if (range.minimum.isZero() && range.maximum.isZero())
        return items;
    const double unit = (range.maximum.toDouble() - range.minimum.toDouble()) / chartHeight;
    const int step = chartWidth / count;
    const auto xOf = [step](int k) { return chartLeft + k * step; };

    if (!range.minimum.isNegative()) {
        const auto pointOf = [&](const CrossSectionRow &r, int k) {
            return QPoint(xOf(k), chartBase - scaled(r.values[k], range.minimum, unit));
        };
        items.append(line({QPoint(chartLeft, chartBase), QPoint(chartLeft + chartWidth, chartBase)},
                          Qt::black, 1));
        if (general) {
            for (int r = 0; r < rows.size(); ++r) {
                if (r == clicked || rows[r].values.size() < count)
                    continue;
                QList<QPoint> points;
                for (int k = 0; k < count; ++k)
                    points.append(pointOf(rows[r], k));
                if (points.size() > 1)
                    items.append(line(points, otherColor(), 1));
            }
        }
        const QColor red = clickedColor();
        items.append(text(QPoint(chartLeft, chartBase), QStringLiteral("гр1"), red, 3));
        items.append(text(pointOf(row, 0), valueText(row.values[0]), red, 3));
        for (int k = 1; k < count; ++k) {
            items.append(line({pointOf(row, k - 1), pointOf(row, k)}, red, 3));
            items.append(text(pointOf(row, k), valueText(row.values[k]), red, 3));
            items.append(text(QPoint(xOf(k), chartBase), number(k + 1), red, 3));
        }
        return items;
    }

    // Negative values: a zero line across the area and the clicked row alone, each point
    // labelled with its value.
    const auto yOf = [&](const Decimal &value) {
        return negativeBottom - scaled(value, range.minimum, unit);
    };
    const int zero = yOf(Decimal());
    items.append(
        line({QPoint(chartLeft, zero), QPoint(chartLeft + chartWidth, zero)}, Qt::black, 1));
    const QColor red = clickedColor();
    QList<QPoint> points;
    for (int k = 0; k < count; ++k)
        points.append(QPoint(xOf(k), yOf(row.values[k])));
    if (points.size() > 1)
        items.append(line(points, red, 2));
    for (int k = 0; k < count; ++k)
        items.append(text(points[k], valueText(row.values[k]), red, 2));
    return items;
}

QList<CrossSectionPage> CrossSectionOutput::pages(const CrossSectionResult &result,
                                                  const QList<CrossSectionRow> &rows,
                                                  const CrossSectionHeading &heading)
{
    QList<CrossSectionPage> pages;
    const int n = std::min(result.markCount(), printedMarks);
    const int pageCount = std::max(1, (n + marksPerPage - 1) / marksPerPage);
    const bool institutions = result.grouping == CrossSectionGrouping::Institutions;
    for (int p = 0; p < pageCount; ++p) {
        CrossSectionPage page;
        page.heading = clipped(heading.formName) + u' ' + heading.title;
        const int first = p * marksPerPage;
        for (int i = 0; i < marksPerPage; ++i) {
            const int k = first + i;
            page.columnHeadings.append(
                k < n ? caption(result.marks[k], heading.periodKind).left(captionWidth)
                      : QString());
        }
        for (const CrossSectionRow &row : rows) {
            CrossSectionPage::Line line;
            line.region = row.region;
            if (institutions)
                line.name = row.name;
            for (int i = 0; i < marksPerPage; ++i) {
                const int k = first + i;
                line.values.append(k < n && k < row.values.size() ? valueText(row.values[k])
                                                                  : QString());
            }
            page.lines.append(line);
        }
        pages.append(page);
    }
    return pages;
}

bool CrossSectionOutput::exportToExcel(const CrossSectionResult &result,
                                       const QList<CrossSectionRow> &rows,
                                       const CrossSectionHeading &heading,
                                       shell::ExcelLauncher &excel)
{
    const bool institutions = result.grouping == CrossSectionGrouping::Institutions;
    if (excel.launch(institutions ? byInstitutionsTemplate() : byDistrictsTemplate()) == 0)
        return false;
    excel.pokeText(1, 1, clipped(heading.formName));
    excel.pokeText(2, 1, clipped(heading.title));
    excel.pokeText(3, 1, number(heading.year) + QStringLiteral(" год"));
    excel.pokeText(9, 1, QStringLiteral("Регион"));
    if (institutions)
        excel.pokeText(9, 2, QStringLiteral("ЛПУ"));
    for (int i = 0; i < rows.size(); ++i) {
        excel.pokeText(i + 10, 1, clipped(rows[i].region));
        excel.pokeText(i + 10, 2, clipped(rows[i].name));
    }
    const int n = result.markCount();
    for (int k = 0; k < n; ++k) {
        const CrossSectionMark &mark = result.marks[k];
        excel.pokeText(
            7, k + 3,
            clipped(periodText(mark, heading.periodKind, heading.year, result.lastYearRead)));
        excel.pokeText(8, k + 3, clipped(mark.columnName));
        excel.pokeText(9, k + 3, clipped(mark.rowName));
        for (int i = 0; i < rows.size(); ++i) {
            const CrossSectionRow &row = rows[i];
            excel.poke(i + 10, k + 3,
                       excelValueText(k < row.values.size() ? row.values[k] : Decimal()));
        }
    }
    excel.frame(7, 1, int(rows.size()) + 9, n + 2);
    return excel.finish();
}

} // namespace zemor::analysis
