// Fuzz target: the line scan of form 62 XML files, with what the load does to what it finds
// before anything is written: the text check, the cell codes with the remap of table 8000, the
// values read as numbers and the institution text made a file name. Any input must be scanned
// without a crash, and the file name must never name anything outside its folder.

#include "exchange/Form62XmlImport.h"
#include "runtime/decimal/Decimal.h"

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using zemor::exchange::Form62XmlImport;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    (void)Form62XmlImport::notTextReason(bytes);
    const zemor::exchange::XmlScan scan = Form62XmlImport::scan(bytes);
    for (const zemor::exchange::XmlCell &cell : scan.cells) {
        if (cell.value.trimmed().isEmpty())
            std::abort(); // blank values are never cells
        const auto code = Form62XmlImport::splitCode(cell.code);
        const auto [table, column] = Form62XmlImport::remap(code.table, code.column);
        if (code.table == 8000 && code.column >= 99 &&
            (table != 8006 || column != code.column - 96))
            std::abort();
        (void)zemor::runtime::Decimal::fromString(cell.value);
    }
    if (scan.institutionText.size() > 150)
        std::abort();
    const QString name = Form62XmlImport::plainFileName(scan.institutionText);
    if (name.size() > 100 || name.startsWith(QLatin1Char('.')))
        std::abort();
    for (const QChar ch : name) {
        if (ch.unicode() < 0x20 || QStringLiteral("\\/:*?<>|").contains(ch))
            std::abort();
    }
    return 0;
}
