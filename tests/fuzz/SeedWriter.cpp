// Writes the seed corpora of the exchange-file fuzz targets into <folder>/exchange_file and
// <folder>/old_exchange_file: sound files made by the program's own writer (one report, two
// institutions with several forms and periods, no records) and spoilt copies of them (cut short,
// one byte altered, a count that disagrees, a digit nibble above 9 under a right checksum, the
// other layout's records, an empty file). Run it again when the exchange layout changes:
//   zemor_fuzz_seeds tests/fuzz/corpus

#include "data/ExchangeFile.h"
#include "data/records/OtchetRecord.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/store/FlatFile.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <zlib.h>

#include <cstdio>
#include <cstdlib>

using namespace zemor;
using data::ExchangeFormat;

namespace {

constexpr int header = runtime::store::FlatFile::headerSize;

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

// A 330-byte report record.
QByteArray report(qint32 institution, int district, qint32 period, qint64 table, int row,
                  qint64 first)
{
    QByteArray bytes(330, '\0');
    data::OtchetRecord r(bytes);
    r.clear();
    r.setCodReg(std::uint8_t(district));
    r.setCodUch(institution);
    if (!r.setCodTab(table))
        fail("table");
    r.setMes(period);
    r.setUnicodStr(qint16(row));
    for (int n = 1; n <= 35; ++n) {
        if (!r.setData(n, runtime::Decimal::fromUnits(n == 1 ? first : n * 1250 - 7, 3)))
            fail("value");
    }
    return bytes;
}

struct Row
{
    qint64 form;
    QByteArray report;
};

QByteArray written(const QString &dir, const QList<Row> &rows, ExchangeFormat format)
{
    const QString path = dir + QStringLiteral("/w.dat");
    auto w = data::ExchangeFileWriter::create(path, format);
    if (!w)
        fail("writer");
    for (const Row &r : rows) {
        if (format == ExchangeFormat::Current ? !w->appendReport(r.form, r.report)
                                              : !w->append(r.report))
            fail("append");
    }
    if (!w->commit())
        fail("commit");
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        fail("read back");
    return f.readAll();
}

void fixChecksum(QByteArray &file)
{
    const auto *records = reinterpret_cast<const Bytef *>(file.constData() + header);
    const auto crc = quint32(crc32(crc32(0, nullptr, 0), records, uInt(file.size() - header)));
    for (int i = 0; i < 4; ++i)
        file[24 + i] = char((crc >> (8 * i)) & 0xFF);
}

void put(const QString &dir, const char *name, const QByteArray &bytes)
{
    QFile f(dir + QLatin1Char('/') + QLatin1StringView(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        fail(name);
}

void writeCorpus(const QString &scratch, const QString &dir, ExchangeFormat format)
{
    if (!QDir().mkpath(dir))
        fail("corpus folder");
    const ExchangeFormat other =
        format == ExchangeFormat::Current ? ExchangeFormat::Old : ExchangeFormat::Current;
    const QList<Row> one = {{12, report(1001, 3, 0, 1000, 1, 125000)},
                            {12, report(1001, 3, 0, 1000, 2, 0)},
                            {12, report(1001, 3, 0, 2000, 3, -4500)}};
    const QList<Row> two = {{111, report(284, 1, 10, 1000, 1, 1)},
                            {111, report(284, 1, 10, 1000, 1, 2)},
                            {112, report(284, 1, 1103, 1000, 7, 999999)},
                            {111, report(21005, 5, 5001, 3000, 2, -1)}};
    const QByteArray sound = written(scratch, one, format);
    put(dir, "sound-one-report.dat", sound);
    put(dir, "sound-two-institutions.dat", written(scratch, two, format));
    put(dir, "sound-no-records.dat", written(scratch, {}, format));

    const int size = data::exchangeRecordSize(format);
    put(dir, "spoilt-cut-short.dat", sound.left(header + size + size / 2));
    QByteArray altered = sound;
    altered[header + size + 40] = char(altered[header + size + 40] ^ 0x01);
    put(dir, "spoilt-byte-altered.dat", altered);
    QByteArray count = sound;
    count[16] = char(count[16] + 1);
    put(dir, "spoilt-count.dat", count);

    // A digit nibble above 9: the first byte where the first value of two records differs.
    const QByteArray a = written(scratch, {{12, report(1, 1, 0, 1000, 1, 0)}}, format);
    const QByteArray b = written(scratch, {{12, report(1, 1, 0, 1000, 1, 123456)}}, format);
    qsizetype at = header;
    while (at < a.size() && a[at] == b[at])
        ++at;
    QByteArray nibble = b;
    nibble[at] = char((nibble[at] & 0x0F) | 0xA0);
    fixChecksum(nibble);
    put(dir, "spoilt-digit-above-9.dat", nibble);
    const auto refused =
        data::ExchangeFile::read(dir + QStringLiteral("/spoilt-digit-above-9.dat"), format);
    if (refused || !refused.error().message.contains(QStringLiteral("больше 9")))
        fail("the nibble above 9 was not refused for it");

    put(dir, "spoilt-other-layout.dat", written(scratch, one, other));
    put(dir, "spoilt-empty.dat", {});
    if (format == ExchangeFormat::Old)
        put(dir, "name-W0111x05.dat", QByteArrayLiteral("W0111x05.dat"));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2)
        fail("usage: zemor_fuzz_seeds <corpus folder>");
    QTemporaryDir scratch;
    if (!scratch.isValid())
        fail("scratch folder");
    const QString root = QString::fromLocal8Bit(argv[1]);
    writeCorpus(scratch.path(), root + QStringLiteral("/exchange_file"), ExchangeFormat::Current);
    writeCorpus(scratch.path(), root + QStringLiteral("/old_exchange_file"), ExchangeFormat::Old);
    return 0;
}
