#include "analysis/Summary.h"

#include "data/DataContext.h"
#include "data/ExistingFile.h"
#include "data/records/SapkiRecord.h"
#include "entry/RelationCode.h"
#include "entry/ReportReader.h"
#include "runtime/core/Progress.h"
#include "runtime/store/Scan.h"
#include "runtime/text/Cp1251.h"
#include "runtime/text/FixedString.h"

#include <QMap>

#include <algorithm>
#include <map>

namespace zemor::analysis {

using runtime::Decimal;
using runtime::ErrorCode;
using runtime::Int128;
using runtime::Result;
using runtime::Status;
using runtime::text::clipped;

namespace {

inline Int128 thousandths(const Decimal &value)
{
    if (value.scale() == 3)
        return value.units();
    int scale = value.scale();
    Int128 units = value.units();
    if (scale > 3) {
        const Decimal r = value.rounded(3);
        units = r.units();
        scale = r.scale();
    }
    for (; scale < 3; ++scale)
        units *= 10;
    return units;
}

} // namespace

// --- column kinds

ColumnKinds ColumnKinds::load(const entry::FormCatalogue &catalogue, bool ignore)
{
    ColumnKinds kinds;
    if (ignore)
        return kinds;
    for (const entry::FormTable &table : catalogue.tables()) {
        std::array<int, summaryValueCount> of{};
        bool any = false;
        for (const entry::FormColumn &column : catalogue.columns(table.code)) {
            if (column.kind == YearStart)
                kinds.m_yearStart = true;
            const int index = column.storedColumn - table.offset;
            if (index < 1 || index > summaryValueCount)
                continue;
            of[size_t(index - 1)] = column.kind;
            any = true;
        }
        if (any)
            kinds.m_kinds.insert(table.code, of);
    }
    return kinds;
}

const std::array<int, summaryValueCount> *ColumnKinds::of(qint64 table) const
{
    const auto it = m_kinds.constFind(table);
    return it == m_kinds.cend() ? nullptr : &*it;
}

int ColumnKinds::kind(qint64 table, int index) const
{
    if (index < 1 || index > summaryValueCount)
        return PlainSum;
    const auto it = m_kinds.constFind(table);
    if (it == m_kinds.cend())
        return PlainSum;
    const int k = (*it)[size_t(index - 1)];
    return k >= YearStart && k <= PeriodEnd ? k : PlainSum;
}

// --- the summary

const SummaryRow *Summary::row(int rowId) const
{
    const auto it = std::lower_bound(rows.begin(), rows.end(), rowId,
                                     [](const SummaryRow &r, int id) { return r.rowId < id; });
    return it != rows.end() && it->rowId == rowId ? &*it : nullptr;
}

entry::ReportRows Summary::asReport() const
{
    entry::ReportRows report;
    for (const SummaryRow &r : rows) {
        entry::ReportRow row;
        row.rowId = r.rowId;
        row.table = r.table;
        for (int n = 0; n < summaryValueCount; ++n)
            row.values[size_t(n)] = r.values[size_t(n)];
        report.append(row);
    }
    return report;
}

std::pair<qint32, qint32> SummaryCalculation::period(const SummaryRequest &request)
{
    if (request.selection.isEmpty() || request.ignoreColumnKinds)
        return {request.from, request.to};
    qint32 from = request.to;
    qint32 to = 0;
    for (const SelectedReport &s : request.selection) {
        from = std::min(from, s.period);
        to = std::max(to, s.period);
    }
    return {from, to};
}

Result<Summary> SummaryCalculation::sumReports(data::DataContext &context,
                                               const SummaryRequest &request,
                                               const ColumnKinds &kinds,
                                               runtime::Progress *progress)
{
    Summary summary;
    const auto [from, to] = period(request);
    summary.from = from;
    summary.to = to;

    struct Sums
    {
        qint64 table = 0;
        std::array<Int128, summaryValueCount> units{};
    };
    std::map<int, Sums> sums;

    auto takes = [&](int kind, qint32 period) {
        switch (kind) {
        case YearStart:
            return period == 1;
        case PeriodStart:
            return period == from;
        case PeriodEnd:
            return period == to;
        default:
            return period >= from && period <= to;
        }
    };
    auto add = [&](const entry::StoredReport &report) {
        for (const entry::ReportRow &row : report.rows) {
            auto [it, fresh] = sums.try_emplace(row.rowId);
            if (fresh)
                it->second.table = row.table;
            std::array<Int128, summaryValueCount> &units = it->second.units;
            const std::array<int, summaryValueCount> *of = kinds.of(row.table);
            if (!of) {
                // Every value a plain sum: taken whole or not at all.
                if (report.period < from || report.period > to)
                    continue;
                for (int c = 0; c < summaryValueCount; ++c)
                    units[size_t(c)] += thousandths(row.values[size_t(c)]);
                continue;
            }
            for (int c = 0; c < summaryValueCount; ++c) {
                const int k = (*of)[size_t(c)];
                if (takes(k >= YearStart && k <= PeriodEnd ? k : PlainSum, report.period))
                    units[size_t(c)] += thousandths(row.values[size_t(c)]);
            }
        }
    };

    entry::ReportReader reader(context);
    entry::ReportRange range;
    range.year = request.year;
    range.form = request.form.code;
    if (request.selection.isEmpty()) {
        // By key: every report of the district (of the whole file for 0) in F..T, and the
        // month-1 reports for the columns that start with the year.
        auto byKey = [&](const entry::StoredReport &report) -> Status {
            if (request.district != 0 && report.district != request.district)
                return {};
            if (report.institution == 0 || report.district == 0)
                summary.zeroCode = true;
            add(report);
            return {};
        };
        range.periodFrom = from;
        range.periodTo = to;
        if (Status s = reader.reports(range, byKey, progress); !s)
            return std::unexpected(s.error());
        if (kinds.hasYearStart() && from > 1) {
            if (progress && progress->cancelled())
                return runtime::fail(ErrorCode::Cancelled);
            range.periodFrom = range.periodTo = 1;
            if (Status s = reader.reports(range, byKey); !s)
                return std::unexpected(s.error());
        }
    } else {
        // By selection: each selected report, read period by period.
        QMap<qint32, QList<qint32>> byPeriod;
        for (const SelectedReport &s : request.selection)
            byPeriod[s.period].append(s.institution);
        if (progress)
            progress->setTotal(byPeriod.size());
        qint64 done = 0;
        for (auto it = byPeriod.cbegin(); it != byPeriod.cend(); ++it) {
            if (progress && progress->cancelled())
                return runtime::fail(ErrorCode::Cancelled);
            range.periodFrom = range.periodTo = it.key();
            range.institutions = it.value();
            Status s = reader.reports(range, [&](const entry::StoredReport &report) -> Status {
                add(report);
                return {};
            });
            if (!s)
                return std::unexpected(s.error());
            if (progress)
                progress->step(++done);
        }
    }
    if (progress && progress->cancelled())
        return runtime::fail(ErrorCode::Cancelled);

    summary.rows.reserve(qsizetype(sums.size()));
    for (const auto &[rowId, s] : sums) {
        SummaryRow row;
        row.rowId = rowId;
        row.table = s.table;
        for (int c = 0; c < summaryValueCount; ++c) {
            auto fitted = Decimal::fromUnits(s.units[size_t(c)], 3).fitted(19, 3);
            if (!fitted)
                return runtime::fail(
                    ErrorCode::Overflow, QString::number(rowId),
                    QStringLiteral("Сумма не помещается в 19 знаков: таблица %1, строка %2, "
                                   "графа %3; свод не сформирован")
                        .arg(s.table)
                        .arg(rowId)
                        .arg(c + 1));
            row.values[size_t(c)] = *fitted;
        }
        summary.rows.append(row);
    }
    return summary;
}

// --- the tables of the summary

bool SummaryTableRow::allZero() const
{
    return std::all_of(values.begin(), values.end(), [](const Decimal &v) { return v.isZero(); });
}

void SummaryTable::keepFilledRows()
{
    rows.removeIf([](const SummaryTableRow &r) { return r.allZero(); });
}

QList<QVariantList> SummaryTable::lines() const
{
    QList<QVariantList> out;
    out.reserve(rows.size());
    for (const SummaryTableRow &r : rows) {
        QVariantList line{r.code, r.error, r.name, r.sex};
        for (const Decimal &v : r.values)
            line.append(QVariant::fromValue(v));
        line.append(r.rowId);
        line.append(r.number);
        out.append(line);
    }
    return out;
}

QString SummaryTable::heading() const
{
    return QString::number(table.code) + u' ' + clipped(table.name);
}

QString SummaryTables::windowTitle(const ReportListForm &form)
{
    const QString text = clipped(form.designation).trimmed();
    bool isNumber = false;
    const qint64 number = text.toLongLong(&isNumber);
    if (text.isEmpty() || (isNumber && number == form.code))
        return QString::number(form.code) + u' ' + clipped(form.name);
    return QString::number(form.code) + u'(' + text + QStringLiteral(") ") + clipped(form.name);
}

SummaryTable SummaryTables::load(const entry::FormCatalogue &catalogue,
                                 const entry::FormTable &table, const Summary &summary,
                                 bool filledOnly, bool ignoreKinds, const QString &storedFormat,
                                 const entry::ResolvedRules *rules)
{
    SummaryTable t;
    t.table = table;
    bool anyCodes = false;
    const QList<entry::FormRow> rows = catalogue.rows(table.code);
    for (const entry::FormRow &row : rows) {
        if (!clipped(row.codes).isEmpty())
            anyCodes = true;
        const SummaryRow *sum = summary.row(row.id);
        if (filledOnly && !sum)
            continue;
        SummaryTableRow line;
        line.code = row.code.left(8);
        line.name = row.name.left(150);
        line.sex = clipped(row.sex) + row.codes;
        line.rowId = row.id;
        line.number = row.number;
        if (sum) {
            line.values = sum->values;
            line.error = sum->error;
        }
        t.rows.append(line);
    }
    if (rows.isEmpty())
        t.messages.append(SummaryTable::noRowsText());
    std::stable_sort(t.rows.begin(), t.rows.end(),
                     [](const auto &a, const auto &b) { return a.number < b.number; });

    t.builtFormat = buildFormat(table, catalogue.columns(table.code), ignoreKinds, anyCodes);
    t.storedFormat = !clipped(storedFormat).isEmpty();
    t.format = t.storedFormat ? clipped(storedFormat) : t.builtFormat;

    if (rules) {
        for (SummaryTableRow &line : t.rows) {
            if (!checkControls(line, *rules, table.code))
                ++t.failedRows;
        }
        if (t.failedRows > 0)
            t.messages.append(SummaryTable::controlsFailedText());
    }
    return t;
}

QString SummaryTables::kindBackground(int kind)
{
    switch (kind) {
    case YearStart:
        return QStringLiteral("0FFFFD7H");
    case PeriodStart:
        return QStringLiteral("0DBFFDBH");
    case PeriodEnd:
        return QStringLiteral("0EED6F3H");
    default:
        return {};
    }
}

QString SummaryTables::buildFormat(const entry::FormTable &table,
                                   const QList<entry::FormColumn> &columns, bool ignoreKinds,
                                   bool anyCodes)
{
    QString format = QStringLiteral("16L|FM~Nстроки~@s9@7L(1)|F~Ош.~L(0)@s1@E(0FFH,,,)");
    const entry::FormColumn *nameColumn = nullptr;
    QHash<int, const entry::FormColumn *> valueColumns;
    const int count = table.entry().valueColumns();
    for (const entry::FormColumn &c : columns) {
        if (c.type == 1 && !nameColumn)
            nameColumn = &c;
        const int n = c.storedColumn - table.offset;
        if (c.type == 0 && n >= 1 && n <= count && !valueColumns.contains(n))
            valueColumns.insert(n, &c);
    }
    if (nameColumn) {
        format += (table.columns < 4 ? QStringLiteral("220L|F_M~") : QStringLiteral("80L|F_M~")) +
                  clipped(nameColumn->shortName) + QStringLiteral("~@S150@E(,0E6FFFFH,,)");
        if (!anyCodes)
            format += QStringLiteral("7C|F_M~ ~@S1@");
        else
            format += table.columns < 5 ? QStringLiteral("35L|F_M~ ~@S30@")
                                        : QStringLiteral("20L|F_M~ ~@S30@");
    } else {
        format += QStringLiteral("7L|F_M~ ~@S15@7C|F_M~ ~@S1@");
    }
    for (int n = 1; n <= count; ++n) {
        const entry::FormColumn *c = valueColumns.value(n);
        QString heading;
        QString picture = QStringLiteral("@n_12");
        int kind = PlainSum;
        if (c) {
            heading = QString::number(c->storedColumn) + c->shortName.left(15);
            if (!clipped(c->picture).isEmpty())
                picture = clipped(c->picture);
            kind = ignoreKinds ? PlainSum : c->kind;
        }
        const QString background = kindBackground(kind);
        const QString colour = background.isEmpty()
                                   ? QStringLiteral("@")
                                   : QStringLiteral("@E(,") + background + QStringLiteral(",,)");
        format += (n == count ? QStringLiteral("43R|_M~") : QStringLiteral("43C|_M~")) + heading +
                  QStringLiteral("~L") + picture + colour;
    }
    return format;
}

bool SummaryTables::checkControls(SummaryTableRow &row, const entry::ResolvedRules &rules,
                                  qint64 table)
{
    row.error.clear();
    const std::vector<entry::ResolvedRules::Column> *columnRules = rules.columnRules(table);
    if (!columnRules)
        return true;
    auto value = [&row](int n) -> Int128 {
        return n >= 1 && n <= summaryValueCount ? thousandths(row.values[size_t(n - 1)]) : 0;
    };
    bool passed = true;
    for (const entry::ResolvedRules::Column &rule : *columnRules) {
        if (rule.rowId != 0 && rule.rowId != row.rowId)
            continue;
        Int128 right = 0;
        for (size_t i = 0; i < rule.values.size(); ++i)
            right += rule.subtract[i] ? -value(rule.values[i]) : value(rule.values[i]);
        if (!entry::relationHolds(rule.relation, value(rule.leftValue), right)) {
            row.error = QStringLiteral("?");
            passed = false;
        }
    }
    return passed;
}

Result<QString> SummaryTables::storedFormat(int year, qint32 tableId)
{
    auto file = data::openExisting(QStringLiteral("%1\\Sapki.tps").arg(year), data::FileId::Sapki);
    if (!file)
        return std::unexpected(file.error());
    if (!*file)
        return QString();
    runtime::store::KeyedFile &sapki = **file;
    data::SapkiRecord record(sapki.record());
    record.clear();
    record.setUnicodT(tableId);
    const Result<bool> found = runtime::store::find(sapki, data::SapkiRecord::KeyIdTab);
    if (!found)
        return std::unexpected(found.error());
    if (!*found)
        return QString();
    QString text = runtime::text::fromCp1251(sapki.textObject().left(1000));
    while (!text.isEmpty() && (text.endsWith(u' ') || text.endsWith(QChar(0))))
        text.chop(1);
    return text;
}

} // namespace zemor::analysis
