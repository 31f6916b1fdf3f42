#pragma once

// Exchange rows for the exchange-file tests: each row differs from its neighbours in every
// field, and the values reach the extremes of their fields, so that a lost, repeated or shifted
// byte shows.

#include "data/records/ExchangeRecord.h"

#include <QString>

namespace zemor::data::testing {

inline runtime::Decimal decimal(const char *text)
{
    return runtime::Decimal::fromString(QString::fromLatin1(text)).value();
}

inline void must(const runtime::Status &status)
{
    if (!status)
        qFatal("exchange row: %s", qPrintable(status.error().message));
}

// Row i of a file of the given format.
inline QByteArray exchangeRow(int i, ExchangeFormat format = ExchangeFormat::Current)
{
    QByteArray bytes;
    ExchangeRecord row(bytes, format);
    row.clear();
    if (format == ExchangeFormat::Current)
        must(row.setCodForm(111 + i % 3));
    row.setCodReg(std::uint8_t(5 + i % 200));
    row.setCodUch(284 + i * 1000);
    must(row.setCodTab(1010 + i));
    row.setMes(i % 13);
    row.setTip(std::uint8_t(i % 4));
    row.setUnicodStr(qint16(i + 1));
    must(row.setData(1, decimal("99999999999999.999")));
    must(row.setData(2, decimal("-99999999999999.999")));
    must(row.setData(3, runtime::Decimal::fromUnits(i * 1500, 3)));
    must(row.setData(35, decimal("-0.001")));
    return bytes;
}

} // namespace zemor::data::testing
