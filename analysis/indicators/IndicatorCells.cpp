#include "analysis/indicators/IndicatorCells.h"

#include "runtime/decimal/Decimal.h"
#include "runtime/picture/Picture.h"

#include <cmath>

namespace zemor::analysis {

using namespace Qt::StringLiterals;
using runtime::Decimal;
using runtime::Picture;

namespace {

constexpr int populationShownBelow = 30;
constexpr int placesAfterComma = 6;

QString formatWith(double value, const Picture &picture)
{
    const int places = picture.kind() == Picture::Kind::Number ? picture.places() : 6;
    const auto d = Decimal::fromDouble(value, places);
    if (!d)
        return QString(picture.width(), u'#');
    return picture.format(*d);
}

Picture pictureOf(const QString &text)
{
    const QString t = text.trimmed();
    auto p = Picture::parse(t.isEmpty() ? u"@S15"_s : t);
    if (!p)
        p = Picture::parse(u"@S15");
    return *p;
}

bool readsAsZero(const QString &text)
{
    QString t = text;
    t.remove(u' ');
    const auto d = Decimal::fromString(t);
    return d && d->isZero();
}

bool truncatesToZero(double value, double factor)
{
    return std::trunc(value * factor) == 0;
}

} // namespace

QString IndicatorCells::formatValue(double value, const QString &pictureText, bool adaptive,
                                    bool series)
{
    if (value == 0 || !std::isfinite(value))
        return {};
    QString text = formatWith(value, pictureOf(pictureText));
    if (adaptive && readsAsZero(text)) {
        QString chosen = series ? u"n_7.2"_s : u"n7.2"_s;
        if (truncatesToZero(value, 100))
            chosen = series ? u"n_7.3"_s : u"n7.3"_s;
        if (truncatesToZero(value, 1000))
            chosen = series ? u"n_7.4"_s : u"n7.4"_s;
        if (!series) {
            if (truncatesToZero(value, 10000))
                chosen = u"n8.5"_s;
            if (truncatesToZero(value, 100000))
                chosen = u"n9.6"_s;
        }
        text = formatWith(value, pictureOf(chosen));
    }
    const qsizetype point = text.indexOf(u'.');
    if (point >= 0) {
        text[point] = u',';
        text = text.left(point + 1 + placesAfterComma);
    }
    return text;
}

QString IndicatorCells::formatCell(const IndicatorResultRow &row, int slot, const YearResult &year,
                                   const ColumnPictures &pictures, bool series)
{
    if (!isResultSlot(slot))
        return {};
    if (const IndicatorCellText *t = year.text(row, slot))
        return u"  "_s + t->text;
    return formatValue(row.slot(slot), pictures.pictures[size_t(slot - 1)],
                       pictures.adaptive[size_t(slot - 1)], series);
}

int IndicatorCells::displayColumn(int slot, bool twoYears, bool previousYear)
{
    const int column = twoYears ? (previousYear ? 2 * slot - 1 : 2 * slot) : slot;
    return column >= 1 && column <= displayColumnCount ? column : 0;
}

int IndicatorCells::shownColumns(const IndicatorRun &run)
{
    if (run.series)
        return run.columns;
    const int own = run.definition.columns;
    if (run.populationGroups && own < populationShownBelow)
        return own + 1;
    return own;
}

int IndicatorCells::populationColumn(const IndicatorRun &run)
{
    if (!run.populationGroups || run.series)
        return 0;
    return shownColumns(run);
}

int IndicatorCells::highestFilledColumn(const YearResult &year, int columns, int populationColumn)
{
    int highest = 0;
    for (const IndicatorResultRow &row : year.rows) {
        for (int k = 1; k <= columns && k <= resultSlotCount; ++k) {
            const int slot = k == populationColumn ? resultSlotCount : k;
            if (row.slot(slot) != 0 && k > highest)
                highest = k;
        }
    }
    return highest;
}

} // namespace zemor::analysis
