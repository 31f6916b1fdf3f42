// Reading a spreadsheet template with many merged ranges against reading the same sheet
// without them: the merged ranges must cost about as much as the cells, not their square.
//
//   bench_template --report [--merges=N]   one line, ending in ratio=<with merges/without>
//   bench_template [Google Benchmark options]   the same on a small template
//
// The templates are written with this program's own workbook writer into a temporary folder.

#include "bench/support/BenchMain.h"
#include "runtime/office/XlsxReader.h"
#include "runtime/office/XlsxWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace zemor::runtime;
using namespace zemor::runtime::office;

namespace {

// `count` pairs of cells, one pair a row, each pair merged when `merged` is set.
Workbook pairs(int count, bool merged)
{
    Workbook book;
    for (int i = 0; i < count; ++i) {
        const int row = 1 + i / 8;
        const int column = 1 + (i % 8) * 2;
        book.cellAt(row, column).setNumber(i);
        if (merged)
            book.addMergedRange(CellRange{row, column, row, column + 1});
    }
    return book;
}

QString writeTemplate(const QTemporaryDir &dir, const QString &name, const Workbook &book)
{
    const QString path = dir.filePath(name);
    if (auto written = XlsxWriter::write(book, path); !written) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                     qPrintable(written.error().message));
        std::exit(1);
    }
    return path;
}

double secondsToRead(const QString &path, int expectedMerges)
{
    QElapsedTimer timer;
    timer.start();
    auto book = XlsxReader::read(path);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (!book || book->mergedRanges().size() != expectedMerges) {
        std::fprintf(stderr, "cannot read %s back\n", qPrintable(path));
        std::exit(1);
    }
    return seconds;
}

int report(int argc, char **argv)
{
    int merges = 50'000;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--merges=", 9) == 0)
            merges = std::atoi(argv[i] + 9);
    }
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/zemor-bench-XXXXXX"));
    if (!dir.isValid())
        return 1;
    const QString with = writeTemplate(dir, QStringLiteral("with.xlsx"), pairs(merges, true));
    const QString without =
        writeTemplate(dir, QStringLiteral("without.xlsx"), pairs(merges, false));
    double ours = 1e9;
    double baseline = 1e9;
    for (int run = 0; run < 3; ++run) {
        ours = std::min(ours, secondsToRead(with, merges));
        baseline = std::min(baseline, secondsToRead(without, 0));
    }
    std::printf("template read %d merges ours=%.3fs baseline=%.3fs ratio=%.2f\n", merges, ours,
                baseline, ours / baseline);
    std::fflush(stdout);
    return 0;
}

void BM_ReadMergedTemplate(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path =
        writeTemplate(dir, QStringLiteral("t.xlsx"), pairs(int(state.range(0)), true));
    for (auto _ : state)
        benchmark::DoNotOptimize(XlsxReader::read(path));
}
BENCHMARK(BM_ReadMergedTemplate)->Arg(1000);

} // namespace

int main(int argc, char **argv)
{
    return zemor::bench::benchMain(argc, argv, report);
}
