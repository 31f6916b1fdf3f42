#include "entry/ReportReader.h"

#include "data/DataContext.h"
#include "data/Dictionary.h"
#include "data/OpenedFile.h"
#include "data/ReadInside.h"
#include "data/records/OtchetRecord.h"
#include "runtime/core/Progress.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/Scan.h"

#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <optional>
#include <type_traits>

namespace zemor::entry {

using data::FileId;
using data::OpenedFile;
using data::OtchetRecord;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;

namespace {

// Where the 35 values lie in the record, taken once from the file's declaration.
const runtime::store::FieldDef &valuesField()
{
    static const runtime::store::FieldDef field = [] {
        const runtime::store::RecordLayout &layout = data::declaration(FileId::otchet).layout;
        return layout.fields.at(layout.fieldIndex(u"OTC:DATA"));
    }();
    return field;
}

void fillRow(ReportRow &row, const OtchetRecord &r)
{
    row.rowId = r.unicodStr();
    row.table = r.codTab();
    // The values straight from their bytes, as OtchetRecord::data() reads them: a value that
    // does not decode reads as 0.
    const runtime::store::FieldDef &field = valuesField();
    const char *bytes = r.bytes().constData() + field.offset;
    for (int n = 0; n < valueCount && n < field.dim; ++n) {
        if (auto v = runtime::Decimal::fromPacked(bytes + n * field.size, field.size, field.places))
            row.values[size_t(n)] = *v;
    }
}

void appendRow(ReportRows &rows, const OtchetRecord &r)
{
    fillRow(rows.emplace_back(), r);
}

// Reads the records of one period (of one institution when `institution` is given, otherwise of
// the institutions from `from` on) inside one read transaction, handing each to `take`, which
// returns Status, or bool to stop early.
template <class Take>
Status readPeriod(data::DataContext &ctx, qint32 period, std::optional<qint32> institution,
                  Take take, qint32 from = std::numeric_limits<qint32>::min())
{
    runtime::store::KeyedFile &file = ctx.file(FileId::otchet);
    return data::readInside(file, [&]() -> Status {
        OtchetRecord r(ctx.record(FileId::otchet));
        r.clear();
        r.setMes(period);
        // A report's records from row id 0 on, as the writes of ReportStore take them; a whole
        // period from the lowest institution code on.
        r.setCodUch(institution.value_or(from));
        r.setUnicodStr(institution ? 0 : std::numeric_limits<qint16>::min());
        // A whole period is scanned without a scope, so that it can start at `from`; it ends at the
        // first record of another period.
        const int components = institution ? 2 : -1;
        Status failed;
        if (Status s =
                runtime::store::scan(file, OtchetRecord::KeyCodUch, components,
                                     [&]() -> bool {
                                         if (!institution && r.mes() != period)
                                             return false;
                                         if constexpr (std::is_same_v<decltype(take(r)), bool>) {
                                             return take(r);
                                         } else {
                                             failed = take(r);
                                             return bool(failed);
                                         }
                                     });
            !s)
            return s;
        return failed;
    });
}

} // namespace

Result<ReportRows> ReportReader::report(int year, qint64 form, qint32 period, qint32 institution)
{
    m_context.names().setOtchetFileName(year, int(form));
    OpenedFile opened(m_context, FileId::otchet);
    if (!opened.status())
        return std::unexpected(opened.status().error());
    ReportRows rows;
    const Status s = readPeriod(m_context, period, institution, [&](const OtchetRecord &r) {
        appendRow(rows, r);
        return Status();
    });
    if (!s)
        return std::unexpected(s.error());
    return rows;
}

Status ReportReader::reports(const ReportRange &range,
                             const std::function<Status(const StoredReport &)> &take,
                             runtime::Progress *progress)
{
    m_context.names().setOtchetFileName(range.year, int(range.form));
    OpenedFile opened(m_context, FileId::otchet);
    if (!opened.status())
        return opened.status();

    QList<qint32> institutions = range.institutions;
    std::sort(institutions.begin(), institutions.end());
    institutions.erase(std::unique(institutions.begin(), institutions.end()), institutions.end());

    if (progress)
        progress->setTotal(
            range.periodTo >= range.periodFrom ? qint64(range.periodTo) - range.periodFrom + 1 : 0);
    // The reports of one read transaction, handed out once it has ended, so that `take` may
    // read or write the file itself.
    QList<StoredReport> batch;
    auto collect = [&](const OtchetRecord &r) -> Status {
        if (batch.isEmpty() || r.codUch() != batch.constLast().institution ||
            r.mes() != batch.constLast().period) {
            StoredReport report;
            report.period = r.mes();
            report.institution = r.codUch();
            report.district = r.codReg();
            report.periodKind = r.tip();
            batch.append(report);
        }
        appendRow(batch.last().rows, r);
        return {};
    };
    auto handOut = [&]() -> Status {
        for (const StoredReport &report : std::as_const(batch)) {
            if (Status s = take(report); !s)
                return s;
        }
        batch.clear();
        return {};
    };

    qint64 done = 0;
    for (qint64 period = range.periodFrom; period <= range.periodTo; ++period) {
        if (progress && progress->cancelled())
            return runtime::fail(ErrorCode::Cancelled, m_context.names().otchetFileName());
        if (institutions.isEmpty()) {
            // The period in read transactions of whole reports, each ending after the report at
            // which the batch has grown to `chunkRows` rows, so that a period of many reports
            // is never held in memory at once.
            constexpr qsizetype chunkRows = 4096;
            qsizetype rows = 0;
            std::optional<qint32> resume = std::numeric_limits<qint32>::min();
            while (resume) {
                const qint32 from = *resume;
                resume.reset();
                auto chunk = [&](const OtchetRecord &r) -> bool {
                    if (rows >= chunkRows && r.codUch() != batch.constLast().institution) {
                        resume = r.codUch();
                        return false;
                    }
                    ++rows;
                    return bool(collect(r));
                };
                if (Status s = readPeriod(m_context, qint32(period), std::nullopt, chunk, from); !s)
                    return s;
                if (Status s = handOut(); !s)
                    return s;
                rows = 0;
            }
        } else {
            for (const qint32 institution : institutions) {
                if (Status s = readPeriod(m_context, qint32(period), institution, collect); !s)
                    return s;
                if (Status s = handOut(); !s)
                    return s;
            }
        }
        if (progress)
            progress->step(++done);
    }
    return {};
}

RowRecord::RowRecord(const OtchetRecord &record)
    : period(record.mes()), institution(record.codUch()), district(record.codReg()),
      rowId(record.unicodStr()), m_record(record)
{
}

runtime::Decimal RowRecord::value(int n) const
{
    return n >= 1 && n <= valueCount ? m_record.data(n) : runtime::Decimal();
}

ReportRow RowRecord::row() const
{
    ReportRow row;
    fillRow(row, m_record);
    return row;
}

Status ReportReader::rowRecords(int year, qint64 form, QList<int> rowIds,
                                const std::function<Status(const RowRecord &)> &take)
{
    m_context.names().setOtchetFileName(year, int(form));
    const QString name = m_context.names().otchetFileName();
    if (name.isEmpty())
        return {};
    // Reading never makes a data file: a form without one simply has no records.
    const auto path = runtime::fs::resolve(
        name, data::defaultExtension(data::declaration(FileId::otchet).driver));
    if (!path || !QFileInfo::exists(*path))
        return {};
    OpenedFile opened(m_context, FileId::otchet);
    if (!opened.status())
        return opened.status();

    std::sort(rowIds.begin(), rowIds.end());
    rowIds.erase(std::unique(rowIds.begin(), rowIds.end()), rowIds.end());
    runtime::store::KeyedFile &file = m_context.file(FileId::otchet);
    return data::readInside(file, [&]() -> Status {
        OtchetRecord r(m_context.record(FileId::otchet));
        for (const int rowId : std::as_const(rowIds)) {
            if (rowId < std::numeric_limits<qint16>::min() ||
                rowId > std::numeric_limits<qint16>::max())
                continue; // no stored row has that id
            r.clear();
            r.setUnicodStr(qint16(rowId));
            r.setMes(std::numeric_limits<qint32>::min());
            if (Status s = runtime::store::scan(file, OtchetRecord::KeyCodStr, 1,
                                                [&]() -> Status { return take(RowRecord(r)); });
                !s)
                return s;
        }
        return {};
    });
}

} // namespace zemor::entry
