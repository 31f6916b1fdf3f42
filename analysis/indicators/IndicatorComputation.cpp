#include "analysis/indicators/IndicatorComputation.h"

#include "analysis/indicators/IndicatorFormulaFiles.h"
#include "analysis/indicators/IndicatorNumbers.h"
#include "analysis/indicators/IndicatorSteps.h"
#include "analysis/indicators/NosologyComputation.h"
#include "analysis/indicators/PopulationGroups.h"
#include "data/Codes.h"
#include "data/DataContext.h"
#include "data/ReferenceNames.h"
#include "runtime/core/Progress.h"

#include <algorithm>

namespace zemor::analysis {

using namespace Qt::StringLiterals;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;

namespace {

constexpr int noInstitutionRowAbove = 20000; // institution codes above are never rows

// The row of `code` in rows sorted by code, added (with `district`) when missing.
IndicatorResultRow &rowOfCode(QList<IndicatorResultRow> &rows, int code, int district)
{
    auto it = std::lower_bound(rows.begin(), rows.end(), code,
                               [](const IndicatorResultRow &r, int c) { return r.code < c; });
    if (it == rows.end() || it->code != code) {
        IndicatorResultRow row;
        row.code = code;
        row.district = district;
        it = rows.insert(it, row);
    }
    return *it;
}

IndicatorResultRow *findRow(QList<IndicatorResultRow> &rows, int code)
{
    for (IndicatorResultRow &r : rows) {
        if (r.code == code)
            return &r;
    }
    return nullptr;
}

// The row a record goes to: by district the row of its district (none, and the user told, when
// the district has no row); by institution the row `code`, added when missing.
IndicatorResultRow *placeRow(QList<IndicatorResultRow> &rows, bool byDistrict,
                             const entry::RowRecord &r, int code, QList<FormulaNotice> &notices)
{
    if (!byDistrict)
        return &rowOfCode(rows, code, r.district);
    IndicatorResultRow *row = findRow(rows, r.district);
    if (!row)
        addNotice(notices,
                  {u"REG"_s + QString::number(r.district),
                   u"нет района %1 для записи ЛПУ %2"_s.arg(r.district).arg(r.institution)});
    return row;
}

// Adds the terms of `line` that take the record into `row`.
void addTerms(const YearInput &input, const IndicatorFormula &line, YearInput::PeriodUse use,
              const entry::RowRecord &r, IndicatorResultRow &row)
{
    const bool population = line.isPopulationLine();
    for (const IndicatorTerm &term : line.terms) {
        if (use == YearInput::PeriodUse::MonthOneOnly && term.month != 1)
            continue;
        if (use == YearInput::PeriodUse::All && term.month != 0 && term.month != r.period)
            continue;
        if (population)
            row.add(line.terms.first().slot, cellValue(r, input.chosen.populationColumn));
        else
            row.add(term.slot, cellValue(r, term.column));
    }
}

void finishTexts(YearResult &result)
{
    sortCellTexts(result.texts);
}

} // namespace

IndicatorChoices IndicatorChoices::of(const IndicatorDefinition &definition)
{
    IndicatorChoices c;
    switch (definition.type) {
    case 1:
        c.byDistrict = c.byInstitution = true;
        c.preset = IndicatorLayout::ByDistrict;
        c.districtOptions = true;
        break;
    case 2:
        c.byRows = true;
        break;
    case 20:
        break;
    default:
        c.byDistrict = c.byRows = c.byInstitution = true;
        break;
    }
    c.twoYears = definition.successor <= 0 && definition.kind <= 7;
    return c;
}

bool IndicatorChoices::districtOptionsFor(IndicatorLayout layout,
                                          const IndicatorDefinition &definition) const
{
    return definition.type != 20 && layout == IndicatorLayout::ByDistrict;
}

QString IndicatorComputation::notEnteredMessage()
{
    return u"показатель не введен"_s;
}

QString IndicatorComputation::notEnteredInSeriesMessage()
{
    return u"показатель не введен..."_s;
}

bool IndicatorComputation::needsChosenRow(const IndicatorTerms &terms)
{
    return !terms.lines.isEmpty() && terms.lines.first().sourceRow == 0;
}

Result<QList<int>> IndicatorComputation::districtCodes()
{
    const auto names = data::ReferenceNames::readExisting(
        m_data.names(), data::ReferenceNames::Districts, data::Unopenable::Error);
    if (!names)
        return std::unexpected(names.error());
    QList<int> codes;
    for (const data::ReferenceName &d : names->districts())
        codes.append(int(d.code));
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    return codes;
}

Status IndicatorComputation::loadData(const YearInput &input, QList<IndicatorResultRow> &rows,
                                      bool &regionTotalsMet, QList<FormulaNotice> &notices)
{
    const bool byDistrict = input.layout == IndicatorLayout::ByDistrict;
    const int chosenRow = input.chosen.id;
    regionTotalsMet = false;
    auto skip = [&](const IndicatorFormula &line) {
        if (line.form == regionTotalsForm) {
            regionTotalsMet = true;
            return true;
        }
        if (line.form == populationForm && !byDistrict && !input.attachedPopulation)
            return true;
        // A chosen row above 2000 is a listed row, not one of the form's.
        return line.sourceRow == 0 && chosenRow > 2000;
    };
    auto rowsOf = [&](const IndicatorFormula &line) {
        return QList<int>{line.sourceRow != 0 ? line.sourceRow : chosenRow};
    };
    const QList<IndicatorFormula> &lines = input.terms.lines;
    auto take = [&](int i, const entry::RowRecord &r) -> Status {
        const IndicatorFormula &line = lines[i];
        if (!districtFilterHolds(input.districtFilter, r.district))
            return {};
        if (!byDistrict && r.institution > noInstitutionRowAbove)
            return {};
        const YearInput::PeriodUse use = input.periodUse(line, r.period);
        if (use == YearInput::PeriodUse::None)
            return {};
        if (!input.selection.isEmpty()) {
            const bool bySelection =
                (line.form < 990 && !input.attachedPopulation) ||
                (!byDistrict && line.form == populationForm && input.attachedPopulation);
            if (bySelection && !input.selects(r.institution))
                return {};
        }
        // A unit goes to its institution's row; the region's own record (20000) to the row of
        // the region's total.
        const int code =
            r.institution > data::AttachedUnitBase && r.institution < institutionTotalCode
                ? r.institution - data::AttachedUnitBase
                : r.institution;
        IndicatorResultRow *row = placeRow(rows, byDistrict, r, code, notices);
        if (!row)
            return {};
        addTerms(input, line, use, r, *row);
        if (byDistrict && input.regionalInstitutions && r.district == 201) {
            IndicatorResultRow &attached =
                rowOfCode(rows, attachedRowBase + r.institution, r.district);
            addTerms(input, line, use, r, attached);
        }
        return {};
    };
    return LineRecords(m_data, m_progress).read(input.year, lines, skip, rowsOf, take);
}

Status IndicatorComputation::loadMdvByPlace(const YearInput &input, QList<IndicatorResultRow> &rows,
                                            QList<FormulaNotice> &notices)
{
    auto mdv = IndicatorFormulaFiles(input.year)
                   .readIndicatorFormula(input.definition.id, input.chosen.id);
    if (!mdv)
        return std::unexpected(mdv.error());
    for (const FormulaNotice &n : std::as_const(mdv->notices))
        addNotice(notices, n);
    const bool byDistrict = input.layout == IndicatorLayout::ByDistrict;
    const QList<IndicatorFormula> &lines = mdv->lines;
    auto take = [&](int i, const entry::RowRecord &r) -> Status {
        const IndicatorFormula &line = lines[i];
        if (!input.selection.isEmpty() && line.form < 999 && !input.selects(r.institution))
            return {};
        if (IndicatorResultRow *row = placeRow(rows, byDistrict, r, r.institution, notices))
            addFormulaTextLine(line, r, *row);
        return {};
    };
    return LineRecords(m_data, m_progress).readSourceRows(input.year, lines, take);
}

Status IndicatorComputation::applyRegionTotals(const YearInput &input,
                                               QList<IndicatorResultRow> &rows,
                                               QList<FormulaNotice> &notices)
{
    const QList<IndicatorFormula> &lines = input.terms.lines;
    // The region's own figures: the record of the line's row, period 0, institution 20000.
    QHash<int, entry::ReportRow> found; // the first record of each row
    QList<int> rowIds;
    for (const IndicatorFormula &line : lines) {
        if (line.form == regionTotalsForm)
            rowIds.append(line.sourceRow);
    }
    if (rowIds.isEmpty())
        return {};
    entry::ReportReader reader(m_data);
    const Status s = reader.rowRecords(
        input.year, regionTotalsForm, rowIds, [&](const entry::RowRecord &r) -> Status {
            if (r.period == 0 && r.institution == institutionTotalCode && !found.contains(r.rowId))
                found.insert(r.rowId, r.row());
            return {};
        });
    if (!s)
        return s;
    for (const IndicatorFormula &line : lines) {
        if (line.form != regionTotalsForm)
            continue;
        const auto r = found.constFind(line.sourceRow);
        if (r == found.constEnd()) {
            addNotice(notices,
                      {u"Исправте UniCodStr"_s + QString::number(line.sourceRow),
                       u"F0998: нет строки %1 за период 0 для кода 20000"_s.arg(line.sourceRow)});
            continue;
        }
        for (IndicatorResultRow &row : rows) {
            for (const IndicatorTerm &term : line.terms)
                row.add(term.slot, cellValue(*r, term.column));
        }
    }
    return {};
}

Result<YearResult> IndicatorComputation::computeYear(const YearInput &input, bool populationGroups,
                                                     QList<FormulaNotice> &notices)
{
    if (input.layout == IndicatorLayout::ByRows) {
        auto formRows =
            IndicatorFormulaFiles(input.year).readFormulaRows(input.definition, input.currentTable);
        if (!formRows)
            return std::unexpected(formRows.error());
        for (const FormulaNotice &n : std::as_const(formRows->notices))
            addNotice(notices, n);
        QList<IndicatorResultRow> rows;
        for (const FormulaRow &f : std::as_const(formRows->rows)) {
            IndicatorResultRow row;
            row.code = f.code;
            row.populationColumn = f.populationColumn;
            rows.append(row);
        }
        return NosologyComputation(m_data, m_progress).compute(input, rows, notices);
    }
    return computeByPlace(input, populationGroups, notices);
}

Result<YearResult> IndicatorComputation::computeByPlace(const YearInput &input,
                                                        bool populationGroups,
                                                        QList<FormulaNotice> &notices)
{
    YearResult result;
    result.year = input.year;
    QList<IndicatorResultRow> &rows = result.rows;
    const bool byDistrict = input.layout == IndicatorLayout::ByDistrict;
    if (byDistrict) {
        auto codes = districtCodes();
        if (!codes)
            return std::unexpected(codes.error());
        for (const int code : std::as_const(*codes)) {
            IndicatorResultRow row;
            row.code = code;
            row.district = code;
            rows.append(row);
        }
    }
    YearInput in = input;
    if (!byDistrict)
        in.regionalInstitutions = false;
    bool regionTotals = false;
    if (Status s = loadData(in, rows, regionTotals, notices); !s)
        return std::unexpected(s.error());
    if (in.definition.readsFormulaText()) {
        if (Status s = loadMdvByPlace(in, rows, notices); !s)
            return std::unexpected(s.error());
    }

    SlotSums all(SlotSums::rowSumDigits);
    if (byDistrict) {
        SlotSums districts(SlotSums::rowSumDigits);
        for (const IndicatorResultRow &row : std::as_const(rows)) {
            if (row.code > attachedRowBase)
                continue;
            for (int k = 1; k <= resultSlotCount; ++k) {
                if (Status s = all.add(k, row.slot(k)); !s)
                    return std::unexpected(s.error());
                if (row.code < 100) {
                    if (Status s = districts.add(k, row.slot(k)); !s)
                        return std::unexpected(s.error());
                }
            }
        }
        if (IndicatorResultRow *regional = findRow(rows, 201)) {
            for (int k = 1; k <= resultSlotCount; ++k) {
                if (in.terms.isPopulationSlot(k))
                    regional->set(k, all.value(k));
            }
        }
        IndicatorResultRow total;
        total.code = totalRowCode;
        total.district = totalRowCode;
        IndicatorResultRow rural;
        rural.code = districtsRowCode;
        rural.district = districtsRowCode;
        for (int k = 1; k <= resultSlotCount; ++k) {
            total.set(k, all.value(k));
            rural.set(k, districts.value(k));
        }
        rows.append(total);
        rows.append(rural);
        if (populationGroups) {
            auto populations = readPopulations(m_data, in.year);
            if (!populations)
                return std::unexpected(populations.error());
            if (populations->missing)
                addNotice(notices, PopulationGroups::missingFileNotice(in.year));
            if (Status s = PopulationGroups::assign(rows, populations->byDistrict); !s)
                return std::unexpected(s.error());
        }
    } else {
        for (const IndicatorResultRow &row : std::as_const(rows)) {
            for (int k = 1; k <= resultSlotCount; ++k) {
                if (Status s = all.add(k, row.slot(k)); !s)
                    return std::unexpected(s.error());
            }
        }
        // One row of the region's total: the region's own record, when it has one, is in it.
        IndicatorResultRow &total = rowOfCode(rows, institutionTotalCode, totalRowCode);
        total.district = totalRowCode;
        for (int k = 1; k <= resultSlotCount; ++k)
            total.set(k, all.value(k));
    }

    if (regionTotals) {
        if (Status s = applyRegionTotals(in, rows, notices); !s)
            return std::unexpected(s.error());
    }
    applySteps(rows, result.texts, in.terms.steps, in.terms.period);
    finishTexts(result);
    return result;
}

Result<IndicatorRun> IndicatorComputation::run(const IndicatorDefinition &definition,
                                               const IndicatorRequest &request)
{
    IndicatorRun run;
    run.definition = definition; // the run's own copy
    run.title = request.title;
    run.districtFilter = request.districtFilter;
    run.selection = request.selection;
    run.twoYears = request.twoYears;
    run.series = request.series;
    run.seriesSlot = isResultSlot(request.seriesSlot) ? request.seriesSlot : 1;

    auto terms = IndicatorFormulaFiles(request.year).loadIndicatorTerms(definition, request.period);
    if (!terms)
        return std::unexpected(terms.error());
    for (const FormulaNotice &n : std::as_const(terms->notices))
        addNotice(run.notices, n);
    run.period = terms->period;
    if (terms->isEmpty()) {
        addNotice(run.notices,
                  {notEnteredMessage(), u"POKAS: нет строк показателя %1"_s.arg(definition.id)});
        return run;
    }

    const bool byPlace =
        (definition.type == 0 || definition.type == 1) && request.layout != IndicatorLayout::ByRows;
    run.layout = byPlace ? request.layout : IndicatorLayout::ByRows;
    run.populationGroups =
        byPlace && run.layout == IndicatorLayout::ByDistrict && request.populationGroups;
    if (!byPlace && definition.type == 20) {
        // Over the whole region, on values of the run's own.
        run.title.clear();
        run.districtFilter = 0;
        run.selection.clear();
    }

    YearInput input;
    input.definition = definition;
    input.terms = *terms;
    input.year = request.year;
    input.layout = run.layout;
    input.districtFilter = run.districtFilter;
    input.selection = QSet<qint32>(run.selection.cbegin(), run.selection.cend());
    input.attachedPopulation = request.attachedPopulation;
    input.regionalInstitutions = byPlace && request.regionalInstitutions;
    if (request.chosenRow)
        input.chosen = *request.chosenRow;
    input.currentForm = terms->lines.first().form;
    input.currentTable = terms->lines.first().table;
    run.formRowsForm = input.currentForm;
    run.formRowsTable = input.currentTable;
    run.columns = definition.columns;

    if (!request.series) {
        auto year = computeYear(input, run.populationGroups, run.notices);
        if (!year)
            return std::unexpected(year.error());
        run.years.append(*year);
        if (request.twoYears) {
            YearInput previous = input;
            previous.year = request.year - 1;
            auto before = computeYear(previous, run.populationGroups, run.notices);
            if (!before)
                return std::unexpected(before.error());
            run.years.append(*before);
        }
        return run;
    }

    // The time series: one column per year, on the run's copy of the definition.
    run.twoYears = false;
    IndicatorDefinition &current = run.definition;
    int from = request.seriesFrom;
    int to = request.seriesTo;
    if (current.successor == 0) {
        to = std::min(to, current.lastYear);
        if (byPlace)
            from = std::max(from, current.firstYear);
    }
    current.columns = 1;
    bool firstYear = true;
    for (int y = from; y <= to && run.years.size() < maxSeriesYears; ++y) {
        YearInput yearInput = input;
        yearInput.year = y;
        if (y > current.lastYear) {
            auto next = IndicatorFormulaFiles(y).loadSuccessorDefinition(current);
            if (!next)
                return std::unexpected(next.error());
            if (next->notice) {
                addNotice(run.notices, *next->notice);
                break;
            }
            current = next->definition;
            current.columns = 1;
            firstYear = false;
        }
        yearInput.definition = current;
        if (!firstYear || y != from) {
            auto reloaded = IndicatorFormulaFiles(y).loadIndicatorTerms(current, request.period);
            if (!reloaded)
                return std::unexpected(reloaded.error());
            for (const FormulaNotice &n : std::as_const(reloaded->notices))
                addNotice(run.notices, n);
            yearInput.terms = *reloaded;
        }
        firstYear = false;
        if (yearInput.terms.isEmpty()) {
            addNotice(run.notices,
                      {notEnteredInSeriesMessage(),
                       u"POKAS: нет строк показателя %1 за %2 год"_s.arg(current.id).arg(y)});
            YearResult empty;
            empty.year = y;
            empty.entered = false;
            run.years.append(empty);
            continue;
        }
        yearInput.currentForm = yearInput.terms.lines.first().form;
        yearInput.currentTable = yearInput.terms.lines.first().table;
        auto year = computeYear(yearInput, run.populationGroups, run.notices);
        if (!year)
            return std::unexpected(year.error());
        run.years.append(*year);
    }
    run.columns = int(run.years.size());
    return run;
}

Result<QList<RatingResultRow>>
IndicatorComputation::computeForRating(qint32 id, QString &title, int layoutSelector,
                                       int districtFilter, MonthRange period,
                                       const QList<qint32> &selection, int year)
{
    QList<RatingResultRow> out;
    IndicatorFormulaFiles files(year);
    auto definition = files.readDefinition(id);
    if (!definition)
        return std::unexpected(definition.error());
    if (!*definition)
        return out;
    auto terms = files.loadIndicatorTerms(**definition, period);
    if (!terms)
        return std::unexpected(terms.error());
    title = QString::number((*definition)->columns);
    if (terms->isEmpty())
        return out;
    YearInput input;
    input.definition = **definition;
    input.terms = *terms;
    input.year = year;
    input.layout =
        layoutSelector == 1 ? IndicatorLayout::ByDistrict : IndicatorLayout::ByInstitution;
    input.districtFilter = districtFilter;
    input.selection = QSet<qint32>(selection.cbegin(), selection.cend());
    input.currentForm = terms->lines.first().form;
    input.currentTable = terms->lines.first().table;
    QList<FormulaNotice> notices;
    auto result = computeByPlace(input, false, notices);
    if (!result)
        return std::unexpected(result.error());
    for (const IndicatorResultRow &row : std::as_const(result->rows)) {
        RatingResultRow r;
        r.code = row.code;
        for (int k = 1; k <= (*definition)->columns; ++k)
            r.slots.append(row.slot(k));
        out.append(r);
    }
    return out;
}

} // namespace zemor::analysis
