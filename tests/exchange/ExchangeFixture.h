#pragma once

// What the exchange tests look at in the demo's data files: the stored records of a form or of
// one report, byte for byte, and a record spoilt on purpose (a file's own bytes:
// support/FileBytes.h).

#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/records/OtchetRecord.h"
#include "tests/support/DemoWorkDir.h"
#include "tests/support/FileBytes.h"

#include <QByteArrayList>

#include <algorithm>
#include <functional>

namespace zemor::test {

// Every stored record of `form` in `year` that `keep` takes, sorted by its bytes.
inline QByteArrayList storedRecords(data::DataContext &ctx, int year, int form,
                                    const std::function<bool(const data::OtchetRecord &)> &keep)
{
    QByteArrayList out;
    ctx.names().setOtchetFileName(year, form);
    data::OpenedFile f(ctx, data::FileId::otchet);
    if (!f.status())
        return out;
    const data::OtchetRecord r(ctx.record(data::FileId::otchet));
    (void)f.scanPhysical([&] {
        if (keep(r))
            out.append(r.bytes());
        return true;
    });
    std::sort(out.begin(), out.end());
    return out;
}

// The stored report of `institution` for `period` in `form` of `year`, its records sorted by
// their bytes.
inline QByteArrayList storedReport(data::DataContext &ctx, int year, int form, qint32 institution,
                                   qint32 period)
{
    return storedRecords(ctx, year, form, [&](const data::OtchetRecord &r) {
        return r.codUch() == institution && r.mes() == period;
    });
}

// Makes the last digit of the first record `keep` takes a half-byte above 9 (a record no
// exchange file may carry); true when one was spoilt.
inline bool spoilStoredRecord(data::DataContext &ctx, int year, int form,
                              const std::function<bool(const data::OtchetRecord &)> &keep)
{
    ctx.names().setOtchetFileName(year, form);
    data::OpenedFile f(ctx, data::FileId::otchet);
    if (!f.status())
        return false;
    const data::OtchetRecord r(ctx.record(data::FileId::otchet));
    bool spoilt = false;
    (void)f.scanPhysical([&]() -> bool {
        if (!keep(r))
            return true;
        QByteArray &bytes = ctx.record(data::FileId::otchet);
        bytes[bytes.size() - 1] = char(0xA0);
        spoilt = bool(f.file().put());
        return false;
    });
    return spoilt;
}

} // namespace zemor::test
