#pragma once

// What the summary and report-list tests share: stored report rows written straight into a
// form's data file of a year of the demo working directory (the demo must be the working
// directory), and a progress that asks to stop after a number of steps.

#include "data/DataContext.h"
#include "data/records/OtchetRecord.h"
#include "runtime/core/Progress.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Transaction.h"

#include <QList>
#include <QString>

#include <utility>

namespace zemor::test {

struct StoredRow
{
    qint32 institution = 0;
    int district = 0;
    qint32 period = 0;
    int rowId = 1;
    qint64 table = 1000;
    QList<std::pair<int, const char *>> values; // value number, decimal text
};

// Adds the rows to the data file of `form` in `year`; an empty string on success.
inline QString storeRows(int year, int form, const QList<StoredRow> &rows)
{
    data::DataContext ctx;
    ctx.names().setOtchetFileName(year, form);
    if (auto opened = ctx.open(data::FileId::otchet); !opened)
        return opened.error().message;
    runtime::store::KeyedFile &file = ctx.file(data::FileId::otchet);
    QString failure;
    {
        auto tx =
            runtime::store::Transaction::begin(file, runtime::store::Transaction::Kind::Write);
        if (!tx) {
            ctx.close(data::FileId::otchet);
            return tx.error().message;
        }
        data::OtchetRecord r(file.record());
        for (const StoredRow &row : rows) {
            r.clear();
            r.setCodUch(row.institution);
            r.setCodReg(std::uint8_t(row.district));
            r.setMes(row.period);
            r.setUnicodStr(qint16(row.rowId));
            (void)r.setCodTab(row.table);
            for (const auto &[n, text] : row.values) {
                const auto value = runtime::Decimal::fromString(QString::fromLatin1(text));
                if (!value || !r.setData(n, *value))
                    failure = QStringLiteral("value %1 not stored").arg(QString::fromLatin1(text));
            }
            if (auto added = file.add(); !added)
                failure = added.error().message;
        }
        if (failure.isEmpty()) {
            if (auto done = tx->commit(); !done)
                failure = done.error().message;
        }
    }
    ctx.close(data::FileId::otchet);
    return failure;
}

// Asks to stop once `stopAfter` steps are done.
class StoppingProgress final : public runtime::Progress
{
public:
    explicit StoppingProgress(qint64 stopAfter) : m_stopAfter(stopAfter) {}
    void setTotal(qint64) override {}
    void step(qint64 done, const QString & = {}) override { m_done = done; }
    bool cancelled() const override { return m_done >= m_stopAfter; }

private:
    qint64 m_stopAfter;
    qint64 m_done = 0;
};

} // namespace zemor::test
