#include "analysis/crosssections/CrossSectionBuild.h"

#include "data/Codes.h"
#include "data/DataContext.h"
#include "data/ReadInside.h"
#include "data/ReferenceNames.h"
#include "data/records/BolnRecord.h"
#include "entry/ReportReader.h"
#include "runtime/core/Progress.h"
#include "runtime/store/Scan.h"
#include "runtime/store/Transaction.h"
#include "runtime/text/FixedString.h"

#include <QHash>

#include <algorithm>
#include <utility>

namespace zemor::analysis {

using runtime::Decimal;
using runtime::Error;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;
using runtime::store::Transaction;
using runtime::text::clipped;

namespace {

constexpr int regionWidth = 17;
constexpr qint64 formsOfEveryInstitution = 999;

// The marks of one year, form and period range, read in one pass over that file.
struct MarkGroup
{
    qint32 year = 0;
    qint64 form = 0;
    qint32 periodFrom = 0;
    qint32 periodTo = 0;
    QHash<int, QList<int>> slotsByRow; // row id -> indexes into the marks
};

QList<MarkGroup> groupMarks(const QList<CrossSectionMark> &marks, const QList<int> &indexes)
{
    QList<MarkGroup> groups;
    for (const int i : indexes) {
        const CrossSectionMark &mark = marks[i];
        if (mark.periodFrom > mark.periodTo || mark.dataColumn < 1 ||
            mark.dataColumn > crossSectionValueCount)
            continue;
        // Marks of one file and one period range share a pass; marks of far apart periods
        // never make one pass walk every period between them.
        auto group = std::find_if(groups.begin(), groups.end(), [&](const MarkGroup &g) {
            return g.year == mark.year && g.form == mark.form && g.periodFrom == mark.periodFrom &&
                   g.periodTo == mark.periodTo;
        });
        if (group == groups.end()) {
            groups.append({mark.year, mark.form, mark.periodFrom, mark.periodTo, {}});
            group = groups.end() - 1;
        }
        group->slotsByRow[mark.rowId].append(i);
    }
    return groups;
}

// `value` += `addend`, exactly.
Status addInto(Decimal &value, const Decimal &addend)
{
    auto sum = CrossSectionBuild::accumulate(value, addend);
    if (!sum)
        return std::unexpected(sum.error());
    value = *sum;
    return {};
}

// A data file: the year and form whose reports it holds.
using DataFile = std::pair<qint32, qint64>;

// The end of one file's read: a stop or a sum too large ends the build; any other failure is
// kept once for its file, whose marks then read zeros. The other forms of the year are read.
Status keepFailure(CrossSectionResult &result, const Status &read, const DataFile &file,
                   QList<DataFile> &failedFiles)
{
    if (read) {
        result.lastYearRead = file.first;
        return {};
    }
    if (read.error().code == ErrorCode::Cancelled || read.error().code == ErrorCode::Overflow)
        return read;
    result.failures.append(read.error());
    failedFiles.append(file);
    return {};
}

} // namespace

bool CrossSectionRow::isEmpty() const
{
    return std::all_of(values.begin(), values.end(), [](const Decimal &v) { return v.isZero(); });
}

Result<Decimal> CrossSectionBuild::accumulate(const Decimal &sum, const Decimal &value)
{
    auto added = sum.add(value);
    if (!added)
        return added;
    return added->fitted(19, 3);
}

bool CrossSectionBuild::takes(qint64 form, qint32 institution, int district) const
{
    if (!m_scope.institutions.isEmpty())
        return form >= formsOfEveryInstitution || m_scope.institutions.contains(institution);
    return m_scope.districtFilter == 0 || m_scope.districtFilter == district;
}

Result<CrossSectionResult> CrossSectionBuild::byPlace(QList<CrossSectionMark> &marks,
                                                      CrossSectionGrouping grouping,
                                                      runtime::Progress *progress)
{
    runtime::NoProgress silent;
    runtime::Progress &watch = progress ? *progress : silent;
    if (marks.size() > crossSectionMaxMarks)
        marks.resize(crossSectionMaxMarks);
    qint32 nn = 0;
    for (CrossSectionMark &mark : marks)
        mark.nn = ++nn;

    CrossSectionResult result;
    result.grouping = grouping;
    result.marks = marks;
    const int n = int(marks.size());
    QList<int> all;
    for (int i = 0; i < n; ++i)
        all.append(i);
    const QList<MarkGroup> groups = groupMarks(marks, all);
    watch.setTotal(groups.size());

    QHash<qint32, int> rowOfKey;
    QList<DataFile> failedFiles;
    entry::ReportReader reader(m_context);
    qint64 done = 0;
    for (const MarkGroup &group : groups) {
        if (watch.cancelled())
            return runtime::fail(ErrorCode::Cancelled);
        watch.step(done, QString::number(group.year) + QStringLiteral(" / ") +
                             QString::number(group.form));
        if (failedFiles.contains(DataFile{group.year, group.form})) {
            watch.step(++done);
            continue;
        }
        entry::ReportRange range;
        range.year = group.year;
        range.form = group.form;
        range.periodFrom = group.periodFrom;
        range.periodTo = group.periodTo;
        if (group.form < formsOfEveryInstitution)
            range.institutions = m_scope.institutions;
        const Status read = reader.reports(range, [&](const entry::StoredReport &report) -> Status {
            if (watch.cancelled())
                return runtime::fail(ErrorCode::Cancelled);
            if (!takes(group.form, report.institution, report.district))
                return {};
            for (const entry::ReportRow &row : report.rows) {
                const auto slots = group.slotsByRow.constFind(row.rowId);
                if (slots == group.slotsByRow.cend())
                    continue;
                for (const int i : *slots) {
                    const CrossSectionMark &mark = marks[i];
                    if (report.period < mark.periodFrom || report.period > mark.periodTo)
                        continue;
                    const qint32 key = grouping == CrossSectionGrouping::Districts
                                           ? report.district
                                           : report.institution;
                    int r = rowOfKey.value(key, -1);
                    if (r < 0) {
                        CrossSectionRow fresh;
                        fresh.key = key;
                        fresh.district = report.district;
                        fresh.values.resize(n);
                        r = int(result.rows.size());
                        result.rows.append(fresh);
                        rowOfKey.insert(key, r);
                    }
                    if (Status added =
                            addInto(result.rows[r].values[i], row.value(mark.dataColumn));
                        !added)
                        return added;
                }
            }
            return {};
        });
        if (Status kept = keepFailure(result, read, {group.year, group.form}, failedFiles); !kept)
            return std::unexpected(kept.error());
        watch.step(++done);
    }
    if (Status named = nameRows(result); !named)
        return std::unexpected(named.error());
    return result;
}

Status CrossSectionBuild::nameRows(CrossSectionResult &result)
{
    const int n = result.markCount();
    const auto names = data::ReferenceNames::read(m_context, data::ReferenceNames::Districts);
    if (!names)
        return std::unexpected(names.error());

    CrossSectionRow total;
    total.region = totalText();
    total.values.resize(n);
    total.key = crossSectionTotalCode;
    total.district = crossSectionTotalCode;
    total.kind = crossSectionTotalCode;
    total.settlement = crossSectionTotalCode;
    const auto addToTotal = [&](const CrossSectionRow &row) -> Status {
        for (int k = 0; k < n; ++k) {
            if (Status added = addInto(total.values[k], row.values[k]); !added)
                return added;
        }
        return {};
    };

    if (result.grouping == CrossSectionGrouping::Districts) {
        for (const CrossSectionRow &row : std::as_const(result.rows)) {
            if (Status s = addToTotal(row); !s)
                return s;
        }
        for (const data::ReferenceName &d : names->districts()) {
            const int code = int(d.code);
            auto row = std::find_if(result.rows.begin(), result.rows.end(),
                                    [&](const CrossSectionRow &r) { return r.key == code; });
            if (row == result.rows.end()) {
                CrossSectionRow empty;
                empty.key = code;
                empty.district = code;
                empty.values.resize(n);
                result.rows.append(empty);
                row = result.rows.end() - 1;
            }
            row->region = d.name.left(regionWidth);
        }
    } else {
        const Status named = data::readInside(
            m_context, data::FileId::boln, [&](data::OpenedFile &opened) -> Status {
                runtime::store::KeyedFile &file = opened.file();
                data::BolnRecord record(file.record());
                for (CrossSectionRow &row : result.rows) {
                    row.region = names->district(row.district).left(regionWidth);
                    if (Status s = addToTotal(row); !s)
                        return s;
                    if (const auto district = data::districtOfTotalCode(row.key)) {
                        row.name = *district < 100 ? clipped(row.region) + QStringLiteral(" район")
                                                   : QStringLiteral("г.") + clipped(row.region);
                        continue;
                    }
                    file.clearRecord();
                    record.setUnicod(row.key);
                    const Result<bool> found =
                        runtime::store::find(file, data::BolnRecord::KeyUnicod);
                    if (!found)
                        return std::unexpected(found.error());
                    if (!*found) {
                        result.missingInstitutions.append(row.key);
                        continue;
                    }
                    row.kind = int(record.vid());
                    row.settlement = record.sel();
                    row.name = record.nazv();
                    if (row.settlement == 3)
                        row.name = clipped(row.name) + QLatin1Char('*');
                }
                return {};
            });
        if (!named)
            return named;
    }
    result.rows.append(total);
    return {};
}

Result<CrossSectionResult> CrossSectionBuild::byRows(const QList<CrossSectionMark> &marks,
                                                     qint64 form, const CrossSectionTable &table,
                                                     CrossSectionGrouping grouping,
                                                     runtime::Progress *progress)
{
    runtime::NoProgress silent;
    runtime::Progress &watch = progress ? *progress : silent;
    CrossSectionResult result;
    result.grouping = grouping;
    result.byRows = true;
    result.marks = marks.mid(0, crossSectionMaxMarks);
    qint32 nn = 0;
    for (CrossSectionMark &mark : result.marks)
        mark.nn = ++nn;
    const int n = result.markCount();

    QHash<int, int> rowOfId;
    for (const CrossSectionTable::Row &source : table.rows) {
        CrossSectionRow row;
        row.region = source.code;
        row.name = source.shortName;
        row.key = source.id;
        row.values.resize(n);
        rowOfId.insert(source.id, int(result.rows.size()));
        result.rows.append(row);
    }

    // Only marks of this form and table count: row ids are unique within a form only.
    QList<int> counted;
    for (int i = 0; i < n; ++i) {
        const CrossSectionMark &mark = result.marks[i];
        if (mark.form == form && mark.table == table.code)
            counted.append(i);
    }
    watch.setTotal(counted.size());
    entry::ReportReader reader(m_context);
    QList<DataFile> failedFiles;
    qint64 done = 0;
    for (const int i : counted) {
        const CrossSectionMark &mark = result.marks[i];
        if (watch.cancelled())
            return runtime::fail(ErrorCode::Cancelled);
        if (failedFiles.contains(DataFile{mark.year, form}) || mark.periodFrom > mark.periodTo ||
            mark.dataColumn < 1 || mark.dataColumn > crossSectionValueCount) {
            watch.step(++done);
            continue;
        }
        entry::ReportRange range;
        range.year = mark.year;
        range.form = form;
        range.periodFrom = mark.periodFrom;
        range.periodTo = mark.periodTo;
        if (form < formsOfEveryInstitution)
            range.institutions = m_scope.institutions;
        const Status read = reader.reports(range, [&](const entry::StoredReport &report) -> Status {
            if (watch.cancelled())
                return runtime::fail(ErrorCode::Cancelled);
            if (!takes(form, report.institution, report.district))
                return {};
            for (const entry::ReportRow &row : report.rows) {
                if (row.table != table.code)
                    continue;
                const int r = rowOfId.value(row.rowId, -1);
                if (r < 0)
                    continue;
                if (Status added = addInto(result.rows[r].values[i], row.value(mark.dataColumn));
                    !added)
                    return added;
            }
            return {};
        });
        if (Status kept = keepFailure(result, read, {mark.year, form}, failedFiles); !kept)
            return std::unexpected(kept.error());
        watch.step(++done);
    }
    return result;
}

} // namespace zemor::analysis
