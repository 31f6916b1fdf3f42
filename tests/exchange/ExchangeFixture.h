#pragma once

// What the exchange tests look at in the demo's data files: the stored records of a form,
// byte for byte, and a record spoilt on purpose.

#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/records/OtchetRecord.h"
#include "tests/support/DemoWorkDir.h"

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

inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace zemor::test
