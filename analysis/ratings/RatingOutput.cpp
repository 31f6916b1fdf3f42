#include "analysis/ratings/RatingOutput.h"

#include "analysis/indicators/IndicatorNumbers.h"
#include "shell/ExcelLauncher.h"

#include <algorithm>
#include <map>

namespace zemor::analysis {

using namespace Qt::StringLiterals;

namespace {

constexpr std::array<RatingField, 10> tableFields{RatingField::Structure,
                                                  RatingField::Process,
                                                  RatingField::ProcessHospital,
                                                  RatingField::ProcessPolyclinic,
                                                  RatingField::ProcessInstitution,
                                                  RatingField::Result,
                                                  RatingField::Result1,
                                                  RatingField::Result2,
                                                  RatingField::Result3,
                                                  RatingField::Result4};

QString trimmedEnd(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace())
        --end;
    return text.left(end);
}

QList<const RatingMember *> membersByNumber(const RatingRun &run)
{
    QList<const RatingMember *> out;
    for (const RatingMember &member : run.members)
        out.append(&member);
    std::stable_sort(out.begin(), out.end(),
                     [](auto *a, auto *b) { return a->number < b->number; });
    return out;
}

runtime::Decimal decimalOf(double value, int places)
{
    auto d = runtime::Decimal::fromDouble(roundedHalfAway(value, places), places);
    return d ? *d : runtime::Decimal();
}

// The series of a line: one entry per member, named by the member, coded by its column.
RankTableSource seriesSource(const RatingRun &run, const QList<double> &values, const QString &name,
                             const QString &text)
{
    RankTableSource source;
    source.year = run.year;
    source.districtCodes = run.indicator.perDistrict();
    source.title = trimmedEnd(run.indicator.name) + u";"_s + name;
    source.subtitle = text;
    const auto members = membersByNumber(run);
    for (qsizetype i = 0; i < members.size(); ++i) {
        RankLine line;
        line.name = members[i]->name.left(30);
        line.value = decimalOf(values.value(i), 2);
        line.codReg = source.districtCodes ? run.columnOf(*members[i]) : 0;
        source.lines.append(line);
    }
    return source;
}

bool isHeadingGoal(const GoalRow &goal)
{
    return goal.rowId == ValueRow::headingId;
}

} // namespace

QString RatingOutput::ratingRankText()
{
    return u"Рейтинг ЦРБ"_s;
}

QList<RatingColumn> RatingOutput::ratingColumns(const RatingRun &run)
{
    QList<RatingColumn> columns{{u"N"_s, 15, RatingField::Place},
                                {u"Учреждение"_s, 200, RatingField::Name},
                                {u"Рейтинг"_s, 39, RatingField::Rating}};
    int tables = 0;
    for (const ValueRow &row : run.values) {
        if (!row.isHeading() || row.table <= 0)
            continue;
        if (tables == maxTableColumns)
            break;
        columns.append({trimmedEnd(row.name.left(50)), 50, tableFields[size_t(tables)]});
        ++tables;
    }
    return columns;
}

QList<MemberColumn> RatingOutput::memberColumns(const RatingRun &run,
                                                const QHash<int, QString> &districtNames)
{
    QList<MemberColumn> columns;
    if (run.indicator.perDistrict()) {
        const std::map<int, QString> sorted(districtNames.keyValueBegin(),
                                            districtNames.keyValueEnd());
        for (const auto &[code, name] : sorted)
            if (code >= 1 && code <= RatingRun::lastDistrictCode)
                columns.append({trimmedEnd(name.left(20)), 20, code});
        return columns;
    }
    const auto members = membersByNumber(run);
    const bool narrow = members.size() >= wideMembers;
    for (const RatingMember *member : members)
        columns.append({trimmedEnd(member->name.left(narrow ? 20 : 30)), narrow ? 20 : 35,
                        run.columnOf(*member)});
    return columns;
}

double RatingOutput::fieldValue(const RatingRow &row, RatingField field)
{
    switch (field) {
    case RatingField::Place:
        return row.place;
    case RatingField::Name:
        return 0;
    case RatingField::Rating:
        return row.rating;
    case RatingField::Structure:
        return row.structure;
    case RatingField::Process:
        return row.process;
    case RatingField::ProcessHospital:
        return row.processHospital;
    case RatingField::ProcessPolyclinic:
        return row.processPolyclinic;
    case RatingField::ProcessInstitution:
        return row.processInstitution;
    case RatingField::Result:
        return row.result;
    case RatingField::Result1:
        return row.result1;
    case RatingField::Result2:
        return row.result2;
    case RatingField::Result3:
        return row.result3;
    case RatingField::Result4:
        return row.result4;
    }
    return 0;
}

bool RatingOutput::sortByColumn(QList<RatingRow> &rows, int column)
{
    if (column < 1 || column > 9)
        return false;
    const auto field = RatingField(column - 1);
    if (field == RatingField::Name) {
        std::stable_sort(rows.begin(), rows.end(),
                         [](const auto &a, const auto &b) { return a.name < b.name; });
        return true;
    }
    std::stable_sort(rows.begin(), rows.end(), [&](const auto &a, const auto &b) {
        return fieldValue(a, field) < fieldValue(b, field);
    });
    return true;
}

QList<double> RatingOutput::goalValues(const RatingRun &run, qsizetype goal)
{
    QList<double> out;
    if (goal < 0 || goal >= run.goals.size())
        return out;
    for (const RatingMember *member : membersByNumber(run))
        out.append(run.goals[goal].value(run.columnOf(*member)));
    return out;
}

QList<double> RatingOutput::valueValues(const RatingRun &run, qsizetype value)
{
    QList<double> out;
    if (value < 0 || value >= run.values.size())
        return out;
    for (const RatingMember *member : membersByNumber(run))
        out.append(run.values[value].value(run.columnOf(*member)));
    return out;
}

QStringList RatingOutput::memberNames(const RatingRun &run)
{
    QStringList out;
    for (const RatingMember *member : membersByNumber(run))
        out.append(member->name);
    return out;
}

LineChart LineChart::of(const QList<double> &values, const QStringList &names, double mark,
                        const QRectF &area, int places)
{
    LineChart chart;
    if (values.isEmpty())
        return chart;
    chart.low = *std::min_element(values.cbegin(), values.cend());
    chart.high = *std::max_element(values.cbegin(), values.cend());
    if (chart.low == 0 && chart.high == 0)
        return chart;
    chart.drawn = true;
    chart.baseline = area.bottom();
    const double span = chart.high - chart.low;
    const auto yOf = [&](double v) {
        if (span == 0) {
            if (v == chart.low)
                return area.center().y();
            return v > chart.low ? area.top() : area.bottom();
        }
        const double y = area.bottom() - (v - chart.low) / span * area.height();
        return std::clamp(y, area.top(), area.bottom());
    };
    const double step = area.width() / double(values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        const double x = area.left() + step * (double(i) + 0.5);
        chart.guides.append(x);
        chart.points.append(QPointF(x, yOf(values[i])));
        chart.valueTexts.append(plainNumber(roundedHalfAway(values[i], places)));
        chart.names.append(names.value(i).left(4));
    }
    chart.markY = yOf(mark);
    chart.markText = plainNumber(roundedHalfAway(mark, places));
    return chart;
}

LineChart goalChart(const RatingRun &run, qsizetype goal, const QRectF &area)
{
    if (goal < 0 || goal >= run.goals.size())
        return {};
    return LineChart::of(RatingOutput::goalValues(run, goal), RatingOutput::memberNames(run),
                         run.goals[goal].mean, area, 3);
}

LineChart valueChart(const RatingRun &run, qsizetype value, const QRectF &area)
{
    if (value < 0 || value >= run.values.size())
        return {};
    return LineChart::of(RatingOutput::valueValues(run, value), RatingOutput::memberNames(run),
                         run.values[value].norm, area, 2);
}

RankTableSource ratingRankSource(const RatingRun &run, const QList<RatingRow> &rows,
                                 const QString &text)
{
    RankTableSource source;
    source.year = run.year;
    source.districtCodes = run.indicator.perDistrict();
    source.title = text;
    source.subtitle = text;
    for (const RatingRow &row : rows) {
        RankLine line;
        line.name = row.name.left(30);
        line.value = decimalOf(row.rating, 2);
        line.codReg = source.districtCodes ? row.column : 0;
        source.lines.append(line);
    }
    return source;
}

RankTableSource goalRankSource(const RatingRun &run, qsizetype goal, const QString &text)
{
    if (goal < 0 || goal >= run.goals.size())
        return {};
    RankTableSource source =
        seriesSource(run, RatingOutput::goalValues(run, goal), run.goals[goal].name, text);
    source.mean = decimalOf(run.goals[goal].mean, 3);
    return source;
}

RankTableSource valueRankSource(const RatingRun &run, qsizetype value, const QString &text)
{
    if (value < 0 || value >= run.values.size())
        return {};
    return seriesSource(run, RatingOutput::valueValues(run, value), run.values[value].name, text);
}

QString RatingWorkbooks::templateName(int tab)
{
    return u"i%1.XLS"_s.arg(std::clamp(tab, 1, 3));
}

QString RatingWorkbooks::numberText(double value)
{
    QString text = plainNumber(value);
    const qsizetype point = text.indexOf(u'.');
    if (point < 0)
        return text;
    text = text.left(point + 4);
    text[point] = u',';
    return text;
}

bool RatingWorkbooks::exportTab(const RatingRun &run, const QList<RatingRow> &rows, int tab,
                                shell::ExcelLauncher &excel)
{
    if (excel.launch(templateName(tab)) == 0)
        return false;
    excel.pokeText(
        2, 1, trimmedEnd(run.indicator.name) + u" за "_s + QString::number(run.year) + u" год"_s);
    const auto members = membersByNumber(run);
    const int n = int(members.size());
    const auto fontCommands = [&](int r) {
        excel.execute(shell::ExcelLauncher::selectCommand(r, 2, r, 2));
        excel.execute(u"[FONT.PROPERTIES(1)]"_s);
    };
    if (tab == 1) {
        int r = 9;
        for (const RatingRow &row : rows) {
            ++r;
            excel.poke(r, 1, QString::number(row.code));
            excel.pokeText(r, 2, row.name);
            for (int f = int(RatingField::Rating); f <= int(RatingField::Result4); ++f)
                excel.poke(r, f + 1, numberText(RatingOutput::fieldValue(row, RatingField(f))));
        }
        excel.frame(10, 1, r, 12);
        return excel.finish();
    }
    excel.pokeText(9, 1, u"Код"_s);
    excel.pokeText(9, 2, u"Наименование"_s);
    const int firstMember = tab == 2 ? 3 : 5;
    if (tab == 3) {
        excel.pokeText(9, 3, u"Ед.изм."_s);
        excel.pokeText(9, 4, u"Норма"_s);
    }
    for (int m = 0; m < n; ++m)
        excel.pokeText(9, firstMember + m, trimmedEnd(members[m]->name));
    int r = 9;
    if (tab == 2) {
        for (const GoalRow &goal : run.goals) {
            ++r;
            excel.pokeText(r, 2, goal.name);
            excel.pokeText(r, 1, goal.codStr);
            fontCommands(r);
            if (isHeadingGoal(goal))
                continue;
            for (int m = 0; m < n; ++m)
                excel.poke(r, firstMember + m, numberText(goal.value(run.columnOf(*members[m]))));
        }
    } else {
        for (const ValueRow &row : run.values) {
            ++r;
            excel.pokeText(r, 2, row.name);
            excel.pokeText(r, 1, row.codStr);
            excel.pokeText(r, 3, row.codMkb);
            if (row.isHeading())
                continue;
            fontCommands(r);
            excel.poke(r, 4, numberText(row.norm));
            for (int m = 0; m < n; ++m)
                excel.poke(r, firstMember + m, numberText(row.value(run.columnOf(*members[m]))));
        }
    }
    excel.frame(9, 1, r, std::max(30, firstMember + n - 1));
    return excel.finish();
}

} // namespace zemor::analysis
