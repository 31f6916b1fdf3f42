#include "entry/InterFormControls.h"

#include "data/Codes.h"
#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/ReadInside.h"
#include "data/ReferenceNames.h"
#include "data/records/OtchetRecord.h"
#include "entry/ControlRuleLoader.h"
#include "entry/ListReport.h"
#include "entry/RelationCode.h"
#include "runtime/core/Progress.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/Scan.h"
#include "runtime/store/TextLineFile.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cstdlib>
#include <map>

namespace zemor::entry {

using data::FileId;
using data::OpenedFile;
using runtime::Decimal;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;

Result<QList<InterFormEntry>> InterFormControls::readList(const QString &path)
{
    const auto lines = runtime::store::TextLineFile::readTextLines(path);
    if (!lines) {
        if (lines.error().code == ErrorCode::FileNotFound)
            return QList<InterFormEntry>();
        return std::unexpected(lines.error());
    }
    QList<InterFormEntry> list;
    for (qsizetype i = 0; i < lines->size(); i += 2) {
        const QString &first = lines->at(i);
        InterFormEntry entry;
        entry.code = first.left(3).trimmed().toLongLong();
        entry.name = first.mid(3, 100).trimmed();
        if (i + 1 < lines->size())
            entry.formula = lines->at(i + 1).left(250).trimmed();
        list.append(entry);
    }
    return list;
}

Result<std::optional<InterFormFormula>> InterFormControls::formula(qint64 code)
{
    const auto rule = ControlRuleLoader(m_context, m_year).interFormRule(code);
    if (!rule)
        return std::unexpected(rule.error());
    if (!*rule)
        return std::optional<InterFormFormula>();
    return std::optional<InterFormFormula>(group(**rule));
}

InterFormFormula InterFormControls::group(const InterFormRule &rule)
{
    // Each cell as (form, row, signed value number): the sign of the row moves to the column.
    struct Cell
    {
        qint64 form;
        int row;
        int column;
    };
    QList<Cell> cells;
    for (const auto &[form, row, column] : rule.triples) {
        const bool minus = row < 0 || column < 0;
        const int value = std::abs(column);
        cells.append(Cell{form, std::abs(row), minus ? -value : value});
    }
    std::stable_sort(cells.begin(), cells.end(), [](const Cell &a, const Cell &b) {
        return std::tie(a.form, a.row, a.column) < std::tie(b.form, b.row, b.column);
    });

    InterFormFormula f;
    f.code = rule.id;
    f.relation = rule.relation;
    for (const Cell &c : cells) {
        if (f.groups.isEmpty() || f.groups.last().form != c.form || f.groups.last().row != c.row)
            f.groups.append(InterFormGroup{c.form, c.row, {}});
        if (f.groups.last().columns.size() >= columnsPerGroup) {
            f.diagnostics.append(overflowText());
            continue;
        }
        f.groups.last().columns.append(c.column);
    }
    return f;
}

bool InterFormControls::fails(int relation, const Decimal &sum)
{
    if (relation < 1 || relation > 5)
        return false;
    return !relationHolds(relation, sum, Decimal());
}

QList<InterFormLine> InterFormControls::failedLines(const QList<InterFormLine> &lines)
{
    QList<InterFormLine> failed;
    for (const InterFormLine &line : lines) {
        if (line.failed)
            failed.append(line);
    }
    std::stable_sort(
        failed.begin(), failed.end(),
        [](const InterFormLine &a, const InterFormLine &b) { return a.name < b.name; });
    return failed;
}

runtime::report::PageList InterFormControls::printResults(const QList<InterFormLine> &failed,
                                                          const InterFormEntry &formula, int year)
{
    const QStringList title{resultsTitle() + QStringLiteral("  ") + QString::number(year),
                            QString::number(formula.code) + u' ' + formula.name, formula.formula};
    const QList<ListReportColumn> columns{{QStringLiteral("ЛПУ"), 90, Qt::AlignLeft, true},
                                          {QStringLiteral("Отклонение"), 30, Qt::AlignRight}};
    QList<QStringList> rows;
    for (const InterFormLine &l : failed)
        rows.append({l.name, l.sum.toString()});
    return printList(title, columns, rows);
}

namespace {

// Institution code to (district, name) from `boln`, district code to name from `region1`.
struct Names
{
    QHash<qint32, std::pair<qint64, QString>> institutions;
    std::map<qint64, QString> districts; // by code
};

Status readNames(data::DataContext &ctx, bool institutions, Names &names)
{
    using data::ReferenceNames;
    const auto read = ReferenceNames::read(
        ctx, institutions
                 ? ReferenceNames::Files(ReferenceNames::Districts | ReferenceNames::Institutions)
                 : ReferenceNames::Districts);
    if (!read)
        return std::unexpected(read.error());
    for (const data::ReferenceName &d : read->districts())
        names.districts[d.code] = d.name.trimmed();
    for (const data::ReferenceInstitution &b : read->institutions())
        names.institutions.insert(b.code, {b.district, b.name.trimmed()});
    return {};
}

} // namespace

Result<QList<InterFormLine>> InterFormControls::evaluate(const InterFormFormula &formula,
                                                         InterFormScope scope, qint32 institution,
                                                         int district, runtime::Progress *progress)
{
    runtime::NoProgress none;
    runtime::Progress &p = progress ? *progress : none;
    const bool perInstitution =
        scope == InterFormScope::Institution || scope == InterFormScope::Institutions;

    Names names;
    if (Status s = readNames(m_context, perInstitution, names); !s)
        return std::unexpected(s.error());

    QList<InterFormLine> lines;
    QHash<qint32, qsizetype> lineOf;
    const auto addLine = [&](qint32 code, const QString &name) {
        lineOf.insert(code, lines.size());
        lines.append(InterFormLine{code, name, false, Decimal(), QString()});
    };
    switch (scope) {
    case InterFormScope::District:
        addLine(district,
                names.districts.count(district) ? names.districts.at(district) : QString());
        break;
    case InterFormScope::Districts:
        for (const auto &[code, name] : names.districts)
            addLine(qint32(code), name);
        break;
    case InterFormScope::Region:
        addLine(0, data::regionName());
        break;
    default:
        break;
    }

    p.setTotal(formula.groups.size());
    qint64 done = 0;
    qsizetype g = 0;
    while (g < formula.groups.size()) {
        const qint64 form = formula.groups.at(g).form;
        qsizetype end = g;
        while (end < formula.groups.size() && formula.groups.at(end).form == form)
            ++end;
        const auto groupsOfForm = formula.groups.mid(g, end - g);
        g = end;

        const QString fileName = data::FileNames::otchetFileName(m_year, int(form));
        const auto path = runtime::fs::resolve(fileName, QStringLiteral(".DAT"));
        if (fileName.isEmpty() || !path || !QFileInfo::exists(*path)) {
            done += groupsOfForm.size();
            continue; // a form without a data file contributes nothing
        }
        m_context.names().setOtchetFileName(fileName);
        const Status read =
            data::readInside(m_context, FileId::otchet, [&](OpenedFile &opened) -> Status {
                runtime::store::KeyedFile &file = opened.file();
                data::OtchetRecord r(m_context.record(FileId::otchet));
                const QString formText = QString::number(form);

                for (const InterFormGroup &group : groupsOfForm) {
                    if (p.cancelled())
                        return runtime::fail(ErrorCode::Cancelled, fileName);
                    r.clear();
                    r.setUnicodStr(qint16(group.row));
                    Status walked = runtime::store::scan(
                        file, data::OtchetRecord::KeyCodStr, 1, [&]() -> Status {
                            InterFormLine *line = nullptr;
                            if (perInstitution) {
                                if (scope == InterFormScope::Institution && institution != 0 &&
                                    r.codUch() != institution)
                                    return {};
                                if (!lineOf.contains(r.codUch()))
                                    addLine(r.codUch(), QString());
                                line = &lines[lineOf.value(r.codUch())];
                            } else if (scope == InterFormScope::District) {
                                if (r.codReg() != district)
                                    return {};
                                line = &lines.first();
                            } else if (scope == InterFormScope::Districts) {
                                if (!lineOf.contains(r.codReg()))
                                    return {};
                                line = &lines[lineOf.value(r.codReg())];
                            } else {
                                line = &lines.first();
                            }
                            for (int column : group.columns) {
                                const int n = std::abs(column);
                                if (n < 1 || n > data::OtchetRecord::valueCount)
                                    continue;
                                const Decimal value = r.data(n);
                                auto sum =
                                    column < 0 ? line->sum.subtract(value) : line->sum.add(value);
                                if (!sum)
                                    return std::unexpected(sum.error());
                                line->sum = *sum;
                                if (scope != InterFormScope::Region &&
                                    line->terms.size() < termsLength)
                                    line->terms = (line->terms +
                                                   (column < 0 ? QStringLiteral("-(Ф")
                                                               : QStringLiteral("+(Ф")) +
                                                   formText + u')' + value.toString())
                                                      .left(termsLength);
                            }
                            return {};
                        });
                    if (!walked)
                        return std::unexpected(walked.error());
                    p.step(++done);
                }
                return {};
            });
        if (!read)
            return std::unexpected(read.error());
    }

    for (InterFormLine &line : lines) {
        line.failed = fails(formula.relation, line.sum);
        if (perInstitution) {
            const auto it = names.institutions.constFind(line.code);
            if (it != names.institutions.constEnd()) {
                const QString districtName =
                    names.districts.count(it->first) ? names.districts.at(it->first) : QString();
                line.name = (districtName + u' ' + it->second).left(nameLength);
            }
        }
    }
    return lines;
}

} // namespace zemor::entry
