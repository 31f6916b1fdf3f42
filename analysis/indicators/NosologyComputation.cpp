#include "analysis/indicators/NosologyComputation.h"

#include "analysis/indicators/IndicatorFormulaFiles.h"
#include "analysis/indicators/IndicatorNumbers.h"
#include "analysis/indicators/IndicatorSteps.h"
#include "data/Dictionary.h"
#include "data/ExistingFile.h"
#include "data/ReadInside.h"
#include "data/RecordFields.h"
#include "data/records/StrokaRecord.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Scan.h"

#include <algorithm>
#include <memory>

namespace zemor::analysis {

using namespace Qt::StringLiterals;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;

namespace {

enum class LineClass { RowGeneric, Population, NamedRow, Unused };

LineClass classOf(const IndicatorFormula &line, int currentTable)
{
    if (line.form == populationForm)
        return LineClass::Population;
    if (line.sourceRow != 0)
        return LineClass::NamedRow;
    if (line.table == currentTable)
        return LineClass::RowGeneric;
    return LineClass::Unused;
}

void sortByCode(QList<IndicatorResultRow> &rows)
{
    std::stable_sort(
        rows.begin(), rows.end(),
        [](const IndicatorResultRow &a, const IndicatorResultRow &b) { return a.code < b.code; });
}

} // namespace

Result<YearResult> NosologyComputation::compute(const YearInput &input,
                                                QList<IndicatorResultRow> rows,
                                                QList<FormulaNotice> &notices)
{
    YearResult result;
    result.year = input.year;
    const QList<IndicatorFormula> &lines = input.terms.lines;
    QList<LineClass> classes;
    for (const IndicatorFormula &line : lines)
        classes.append(classOf(line, input.currentTable));

    // The result rows by code, for the records of class (a).
    QHash<int, QList<int>> rowsOfCode;
    QList<int> codes;
    for (int i = 0; i < rows.size(); ++i) {
        rowsOfCode[rows[i].code].append(i);
        codes.append(rows[i].code);
    }
    const bool selected = !input.selection.isEmpty();
    // Period, then selection or district filter (classes a and c).
    auto placeHolds = [&](const entry::RowRecord &r) {
        return selected ? input.selects(r.institution)
                        : districtFilterHolds(input.districtFilter, r.district);
    };

    QList<SlotSums> lineSums(lines.size(), SlotSums(SlotSums::lineSumDigits));
    auto skip = [&](const IndicatorFormula &line) {
        const LineClass c = classOf(line, input.currentTable);
        if (c == LineClass::Unused)
            return true;
        return c == LineClass::Population && selected && input.districtFilter == 0;
    };
    auto rowsOf = [&](const IndicatorFormula &line) {
        return classOf(line, input.currentTable) == LineClass::RowGeneric
                   ? codes
                   : QList<int>{line.sourceRow};
    };
    auto take = [&](int i, const entry::RowRecord &r) -> Status {
        const IndicatorFormula &line = lines[i];
        switch (classes[i]) {
        case LineClass::RowGeneric: {
            const YearInput::PeriodUse use = input.periodUse(line, r.period);
            if (use == YearInput::PeriodUse::None || !placeHolds(r))
                return {};
            for (const int at : rowsOfCode.value(r.rowId)) {
                IndicatorResultRow &row = rows[at];
                for (const IndicatorTerm &term : line.terms) {
                    if (use == YearInput::PeriodUse::MonthOneOnly && term.month != 1)
                        continue;
                    if (use == YearInput::PeriodUse::All && term.month != 0 &&
                        term.month != r.period)
                        continue;
                    if (!scopeHolds(term.scope, r.district))
                        continue;
                    row.add(term.slot, cellValue(r, term.column));
                }
            }
            return {};
        }
        case LineClass::Population: {
            if (!populationFilterHolds(input.districtFilter, r.district))
                return {};
            const bool population = line.isPopulationLine();
            for (IndicatorResultRow &row : rows) {
                if (population) {
                    const int slot = line.terms.first().slot;
                    if (slot != 0 && row.populationColumn != 0)
                        row.add(slot, cellValue(r, row.populationColumn));
                } else {
                    for (const IndicatorTerm &term : line.terms)
                        row.add(term.slot, cellValue(r, term.column));
                }
            }
            return {};
        }
        case LineClass::NamedRow: {
            const bool annual = line.formKind == 0;
            const MonthRange months = input.terms.period;
            if (!annual && (r.period < months.first || r.period > months.last))
                return {};
            if (!placeHolds(r))
                return {};
            for (const IndicatorTerm &term : line.terms) {
                if (!scopeHolds(term.scope, r.district))
                    continue;
                if (Status s = lineSums[i].add(term.slot, r.value(term.column)); !s) {
                    runtime::Error e = s.error();
                    e.where = u"форма %1, строка %2, %3"_s.arg(line.form)
                                  .arg(line.sourceRow)
                                  .arg(e.where);
                    return std::unexpected(e);
                }
            }
            return {};
        }
        case LineClass::Unused:
            return {};
        }
        return {};
    };
    // Once a form's records are read, the line sums of its named-row lines go into every row.
    auto formDone = [&](int first, int last) -> Status {
        for (int i = first; i <= last; ++i) {
            if (classes[i] != LineClass::NamedRow)
                continue;
            for (IndicatorResultRow &row : rows) {
                for (const IndicatorTerm &term : lines[i].terms)
                    row.add(term.slot, lineSums[i].value(term.slot));
            }
        }
        return {};
    };
    if (Status s =
            LineRecords(m_data, m_progress).read(input.year, lines, skip, rowsOf, take, formDone);
        !s)
        return std::unexpected(s.error());

    if (input.definition.readsFormulaText()) {
        if (Status s = loadMdvRows(input, rows, notices); !s)
            return std::unexpected(s.error());
    }
    result.rows = rows;
    applySteps(result.rows, result.texts, input.terms.steps, input.terms.period);
    return result;
}

Status NosologyComputation::loadMdvRows(const YearInput &input, QList<IndicatorResultRow> &rows,
                                        QList<FormulaNotice> &notices)
{
    auto mdv =
        IndicatorFormulaFiles(input.year).readIndicatorFormula(input.definition.id, std::nullopt);
    if (!mdv)
        return std::unexpected(mdv.error());
    for (const FormulaNotice &n : std::as_const(mdv->notices))
        addNotice(notices, n);
    sortByCode(rows);
    const QList<IndicatorFormula> &lines = mdv->lines;
    auto take = [&](int i, const entry::RowRecord &r) -> Status {
        const IndicatorFormula &line = lines[i];
        if (input.districtFilter > 0) {
            if (!districtFilterHolds(input.districtFilter, r.district))
                return {};
        } else if (!input.selection.isEmpty() && !input.selects(r.institution)) {
            return {};
        }
        auto it = std::lower_bound(
            rows.begin(), rows.end(), line.resultRow,
            [](const IndicatorResultRow &row, int code) { return row.code < code; });
        if (it == rows.end() || it->code != line.resultRow) {
            IndicatorResultRow added;
            added.code = line.resultRow;
            it = rows.insert(it, added);
        }
        addFormulaTextLine(line, r, *it);
        return {};
    };
    return LineRecords(m_data, m_progress).readSourceRows(input.year, lines, take);
}

void orderNosologyRows(QList<NosologyRow> &rows, int kind, const QHash<int, FormRowName> &formRows,
                       const QList<FormulaRowLine> &listed)
{
    for (int i = 0; i < rows.size(); ++i)
        rows[i].position = i;
    auto byOrder = [](const NosologyRow &a, const NosologyRow &b) {
        return a.order != b.order ? a.order < b.order : a.position < b.position;
    };
    std::stable_sort(rows.begin(), rows.end(), byOrder);
    constexpr int listedCodeAbove = 2000;
    for (NosologyRow &row : rows) {
        if (row.code > listedCodeAbove || row.order != 0)
            continue;
        const auto it = formRows.constFind(row.code);
        if (it == formRows.constEnd()) {
            row.name = u"??"_s + QString::number(row.code);
            row.codeText = u"?"_s;
            row.order = 0;
            continue;
        }
        const QString pol = it->pol.trimmed();
        if (pol.isEmpty()) {
            row.name = it->name.left(150);
        } else {
            QString name = it->name.left(147);
            while (name.endsWith(u' '))
                name.chop(1);
            row.name = name + u'(' + it->pol + u')';
        }
        row.codeText = it->codeText;
        row.order = it->number;
    }
    bool listedOrders = false;
    if (kind == 7 || kind == 8) {
        const int count = int(rows.size());
        for (const FormulaRowLine &line : listed) {
            for (NosologyRow &row : rows) {
                if (row.code != line.code)
                    continue;
                row.name = line.name.left(150);
                row.codeText = line.codeText;
                row.order = line.order ? *line.order : count + 1000;
                if (line.order)
                    listedOrders = true;
                break;
            }
        }
    }
    if (listedOrders) {
        // A listed row takes the place of the form row its order names.
        for (NosologyRow &row : rows) {
            if (row.code <= listedCodeAbove)
                continue;
            const auto it = formRows.constFind(row.order);
            if (it != formRows.constEnd())
                row.order = it->number;
        }
    }
    rows.removeIf([](const NosologyRow &row) { return row.order <= 0; });
    std::stable_sort(rows.begin(), rows.end(), byOrder);
}

Result<QHash<int, FormRowName>> readFormRowNames(int year, int form)
{
    QHash<int, FormRowName> out;
    const QString name = IndicatorFormulaFiles(year).strokaFileName();
    auto opened = data::openExisting(name, data::FileId::stroka, data::Unopenable::Error);
    if (!opened)
        return std::unexpected(opened.error());
    if (!*opened)
        return out;
    runtime::store::KeyedFile &file = **opened;
    data::StrokaRecord record(file.record());
    record.clear();
    if (!record.setCodForm(form))
        return out;
    const Status s = data::readInside(file, [&] {
        return runtime::store::scan(file, data::StrokaRecord::KeyUnicod, 1, [&]() -> Status {
            if (Status c = data::checkDecimals(file.layout(), file.record()); !c)
                return c;
            out.insert(record.unicod(),
                       {record.name(), record.pol(), record.codStr(), int(record.number())});
            return {};
        });
    });
    if (!s)
        return std::unexpected(s.error());
    return out;
}

} // namespace zemor::analysis
