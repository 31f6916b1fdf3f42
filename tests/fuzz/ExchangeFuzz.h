#pragma once

// The exchange-file reader under fuzzing, for either record layout. The input is read as a file
// as it came; when it is at least a header long it is read a second time with the header's
// checksum made right for the bytes that follow, so that damaged records, counts and decimals
// reach the checks behind the checksum. Every record the reader accepts has each of its fields
// decoded, as the loads do.

#include "data/ExchangeFile.h"
#include "data/records/ExchangeRecord.h"
#include "runtime/store/FlatFile.h"
#include "tests/fuzz/FuzzInput.h"

#include <zlib.h>

#include <cstring>

namespace zemor::fuzz {

inline void readExchange(const QByteArray &bytes, data::ExchangeFormat format)
{
    const QString path = inputFile(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                   std::size_t(bytes.size()), QStringLiteral("input.dat"));
    const auto file = data::ExchangeFile::read(path, format);
    if (!file) {
        if (file.error().message.isEmpty())
            std::abort(); // a refusal always says why
        return;
    }
    for (qint64 i = 0; i < file->count(); ++i) {
        QByteArray record = file->record(i);
        if (record.size() != file->recordSize())
            std::abort();
        const data::ExchangeRecord r(record, format);
        qint64 sum =
            r.codForm() + r.codReg() + r.codUch() + r.codTab() + r.mes() + r.tip() + r.unicodStr();
        for (int n = 1; n <= data::ExchangeRecord::valueCount; ++n)
            sum += r.data(n).isZero() ? 0 : 1;
        if (format == data::ExchangeFormat::Current && r.reportRecord().size() != 330)
            std::abort();
        (void)sum;
    }
}

inline int fuzzExchange(const std::uint8_t *data, std::size_t size, data::ExchangeFormat format)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    readExchange(bytes, format);
    constexpr int header = runtime::store::FlatFile::headerSize;
    if (bytes.size() >= header) {
        QByteArray fixed = bytes;
        const auto *records = reinterpret_cast<const Bytef *>(fixed.constData() + header);
        const auto crc = quint32(crc32(crc32(0, nullptr, 0), records, uInt(fixed.size() - header)));
        for (int i = 0; i < 4; ++i)
            fixed[24 + i] = char((crc >> (8 * i)) & 0xFF);
        if (fixed != bytes)
            readExchange(fixed, format);
    }
    return 0;
}

} // namespace zemor::fuzz
