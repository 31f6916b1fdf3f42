// dBase files as other programs write them for import. The first byte of the input chooses what
// the caller knows of the writer (Windows or DOS) and whether it expects the import layout
// (FORMA, NUMBSTR and columns of text) or takes any layout; the rest is the file. Every record
// the reader hands out has each of its fields read in every way the imports read them.

#include "runtime/store/DbaseReader.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace zemor::runtime::store;
    if (size == 0)
        return 0;
    const DbaseSource source = (data[0] & 1) != 0 ? DbaseSource::Dos : DbaseSource::Windows;
    QList<DbaseField> expected;
    if ((data[0] & 2) != 0) {
        expected = {{QStringLiteral("FORMA"), 'C', 10, 0}, {QStringLiteral("NUMBSTR"), 'C', 10, 0}};
        for (int i = 1; i <= 3; ++i)
            expected.append({QStringLiteral("COL%1").arg(i), 'C', 12, 0});
    }
    const QString path = zemor::fuzz::inputFile(data + 1, size - 1, QStringLiteral("input.dbf"));

    DbaseReader reader;
    if (!reader.open(path, expected, source))
        return 0;
    qint64 seen = 0;
    DbaseRecord record;
    while (reader.next(record)) {
        if (++seen > reader.count())
            std::abort(); // more records handed out than the header counts
        for (int i = 0; i < record.fieldCount(); ++i) {
            (void)record.text(i);
            (void)record.string(i);
            (void)record.numericText(i);
            (void)record.raw(i);
        }
        for (const DbaseField &f : reader.fields())
            (void)record.string(f.name);
    }
    if (seen != reader.activeCount())
        std::abort();
    return 0;
}
