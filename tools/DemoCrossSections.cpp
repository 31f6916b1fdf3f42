#include "tools/DemoCrossSections.h"

#include "data/DataContext.h"
#include "data/records/OtchetRecord.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Transaction.h"

#include <QMap>
#include <QScopeGuard>

namespace zemor::tools {

using data::DataContext;
using data::FileId;
using runtime::Status;

namespace {

struct Total
{
    int institution;
    int district;
    bool (*takes)(const DemoReport &);
};

const Total totals[] = {
    {DemoCrossSections::districtTotal, 1, [](const DemoReport &r) { return r.district == 1; }},
    {DemoCrossSections::cityTotal, 101, [](const DemoReport &r) { return r.district == 101; }},
    {DemoCrossSections::regionTotal, DemoCrossSections::regionDistrict,
     [](const DemoReport &) { return true; }},
};

Status writeAll(DataContext &ctx, const QList<DemoReport> &reports)
{
    auto tx = runtime::store::Transaction::begin(ctx.file(FileId::otchet),
                                                 runtime::store::Transaction::Kind::Write);
    if (!tx)
        return std::unexpected(tx.error());
    data::OtchetRecord r(ctx.record(FileId::otchet));
    for (const DemoReport &report : reports) {
        for (const DemoRowValues &row : report.rows) {
            r.clear();
            r.setCodReg(std::uint8_t(report.district));
            r.setCodUch(report.institution);
            if (Status s = r.setCodTab(row.table); !s)
                return s;
            r.setMes(report.period);
            r.setTip(std::uint8_t(report.periodicity));
            r.setUnicodStr(qint16(row.rowId));
            for (int n = 1; n <= 35; ++n) {
                if (row.value(n) == 0)
                    continue;
                if (Status s = r.setData(n, runtime::Decimal::fromUnits(row.value(n), 3)); !s)
                    return s;
            }
            if (Status s = ctx.file(FileId::otchet).add(); !s)
                return s;
        }
    }
    return tx->commit();
}

} // namespace

QList<DemoReport> DemoCrossSections::reports(int forYear)
{
    if (forYear != year)
        return {};
    QList<DemoReport> sent;
    for (const DemoReport &r : demoReports(year)) {
        if (r.form == form)
            sent.append(r);
    }
    QList<DemoReport> out;
    for (const Total &total : totals) {
        for (int month = 1; month <= 12; ++month) {
            // Rows by (table, row id), in that order, as the institutions' reports hold them.
            QMap<std::pair<int, int>, DemoRowValues> rows;
            int periodicity = 1;
            for (const DemoReport &r : sent) {
                if (r.period != month || !total.takes(r))
                    continue;
                periodicity = r.periodicity;
                for (const DemoRowValues &row : r.rows) {
                    DemoRowValues &sum = rows[{row.table, row.rowId}];
                    sum.table = row.table;
                    sum.rowId = row.rowId;
                    for (int n = 1; n <= 35; ++n)
                        sum.value(n) += row.value(n);
                }
            }
            if (rows.isEmpty())
                continue;
            out.append(DemoReport{year, form, periodicity, month, total.institution, total.district,
                                  rows.values()});
        }
    }
    return out;
}

Status DemoCrossSections::write(const QString &root)
{
    Q_UNUSED(root);
    DataContext ctx;
    ctx.names().setYearFileNames(year);
    ctx.names().setOtchetFileName(year, form);
    if (Status opened = ctx.open(FileId::otchet); !opened)
        return opened;
    const auto closing = qScopeGuard([&] { ctx.close(FileId::otchet); });
    return writeAll(ctx, reports(year));
}

} // namespace zemor::tools
