#include "analysis/IndicatorYear.h"

#include "runtime/core/Progress.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"

#include <QFileInfo>
#include <QHash>

namespace zemor::analysis {

using runtime::ErrorCode;
using runtime::Status;

YearInput::PeriodUse YearInput::periodUse(const IndicatorFormula &line, qint32 period) const
{
    const MonthRange months = terms.period;
    if (terms.monthOne && period == 1 && months.first > 1)
        return PeriodUse::MonthOneOnly;
    if (line.form < 990 && line.formKind != 0 && (period < months.first || period > months.last))
        return PeriodUse::None;
    return PeriodUse::All;
}

Status LineRecords::read(int year, const QList<IndicatorFormula> &lines,
                         const std::function<bool(const IndicatorFormula &)> &skip,
                         const RowsOf &rowsOf, const Take &take, const FormDone &formDone)
{
    entry::ReportReader reader(m_data);
    int first = 0;
    while (first < lines.size()) {
        if (m_progress && m_progress->cancelled())
            return runtime::fail(ErrorCode::Cancelled);
        const int form = lines[first].form;
        int last = first;
        while (last + 1 < lines.size() && lines[last + 1].form == form)
            ++last;
        // Which lines read which row of this form.
        QHash<int, QList<int>> linesOfRow;
        QList<int> rowIds;
        for (int i = first; i <= last; ++i) {
            if (skip && skip(lines[i]))
                continue;
            for (const int row : rowsOf(lines[i])) {
                QList<int> &of = linesOfRow[row];
                if (of.isEmpty() || of.constLast() != i)
                    of.append(i);
                rowIds.append(row);
            }
        }
        if (!rowIds.isEmpty()) {
            const Status s =
                reader.rowRecords(year, form, rowIds, [&](const entry::RowRecord &r) -> Status {
                    for (const int i : linesOfRow.value(r.row.rowId)) {
                        if (Status t = take(i, r); !t)
                            return t;
                    }
                    return {};
                });
            if (!s)
                return s;
        }
        if (formDone) {
            if (Status d = formDone(first, last); !d)
                return d;
        }
        if (m_progress)
            m_progress->step(last + 1);
        first = last + 1;
    }
    return {};
}

runtime::Result<std::unique_ptr<runtime::store::KeyedFile>> openForReading(data::FileId id,
                                                                           const QString &name)
{
    const data::FileDecl &decl = data::declaration(id);
    const auto path = runtime::fs::resolve(name, data::defaultExtension(decl.driver));
    if (!path)
        return std::unexpected(path.error());
    if (!QFileInfo::exists(*path))
        return std::unique_ptr<runtime::store::KeyedFile>();
    auto file = std::make_unique<runtime::store::KeyedFile>(decl.layout);
    if (Status s =
            file->open(*path, runtime::store::Access::ReadOnly, runtime::store::Share::DenyNone);
        !s) {
        runtime::Error error = s.error();
        if (error.where.isEmpty())
            error.where = name;
        return std::unexpected(error);
    }
    return file;
}

double cellValue(const entry::ReportRow &row, int column)
{
    return isReportColumn(column) ? row.value(column).toDouble() : 0.0;
}

} // namespace zemor::analysis
