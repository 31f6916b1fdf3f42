// Fuzz target of the CSV reader of form 62: the input is a file's bytes, split into lines as
// the text reader splits them (at LF, a CR before it dropped); the lines a quoted field spans
// are joined, and each table line is split into fields and its values read. A refusal is an
// answer; a sound answer must be made of the file's own lines, no line lost or made up. Any
// crash, sanitizer report or hang is a finding. The whole load over the same seeds is
// replay_csv_load.

#include "exchange/Form62CsvImport.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using zemor::exchange::Form62CsvImport;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QList<QByteArray> physical = bytes.split('\n');
    if (bytes.isEmpty() || bytes.endsWith('\n'))
        physical.removeLast();
    for (QByteArray &line : physical) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    const zemor::exchange::CsvLines read = Form62CsvImport::tableLines(physical);
    if (!read.refusal.isEmpty())
        return 0;
    qsizetype breaks = 0;
    for (const QByteArray &line : read.lines) {
        breaks += line.count('\n');
        for (const QByteArray &field : Form62CsvImport::splitFields(line))
            (void)Form62CsvImport::value(field);
    }
    if (read.lines.size() + breaks != physical.size())
        std::abort(); // a line lost or made up
    return 0;
}
