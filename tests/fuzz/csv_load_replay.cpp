// The whole CSV load of form 62 over the seeds of the csv fuzz target, replayed in every build
// (a load into a demo working directory is far too slow to fuzz; the target fuzzes the reader).
// The first byte of the input chooses the table of the file ('0' 1000, '1' 8000, '2' 9000, by
// its value modulo 3); the rest is the file, loaded as a table file and as a summary file into
// a demo working directory made once per process. Any crash, sanitizer report or hang is a
// finding; messages and refusals are the expected answers.

#include "data/DataContext.h"
#include "exchange/Form62CsvImport.h"
#include "runtime/fs/Paths.h"
#include "tools/DemoBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace zemor;

namespace {

struct Workspace
{
    QTemporaryDir dir;
    QString folder;

    Workspace()
    {
        const QString root = dir.filePath(QStringLiteral("work"));
        if (!tools::DemoBuilder().build(root))
            std::abort();
        runtime::fs::setWorkDir(root);
        folder = dir.filePath(QStringLiteral("csv"));
        QDir().mkpath(folder);
    }
};

Workspace &workspace()
{
    static Workspace w;
    return w;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const int tables[] = {1000, 8000, 9000};
    const int table = tables[data[0] % 3];
    const QByteArray input(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    Workspace &w = workspace();
    exchange::CsvFile file{QStringLiteral("501_%1.csv").arg(table), 501, table, 0};
    writeFile(QDir(w.folder).filePath(file.name), input);

    data::DataContext context;
    exchange::Form62CsvImport importer(context, 2026);
    QList<exchange::CsvFile> files{file};
    (void)importer.loadFiles(w.folder, files);
    (void)importer.loadSummary(w.folder, file);
    QFile::remove(QDir(w.folder).filePath(file.name));
    return 0;
}
