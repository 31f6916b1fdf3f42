// The rank table of 500 lines with district codes: filling, ranking, the first equal ranges and
// their assignment, as the window does when it opens. The baseline is the floor for this work:
// std::sort of the same values (as exact integer units) and one pass that gives every value its
// rank and its range.
//
//   bench_rank --report [--repeat=N]   one line, ending in ratio=<ours/baseline>
//   bench_rank [Google Benchmark options]

#include "analysis/common/RankTable.h"
#include "bench/support/BenchMain.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

using zemor::analysis::RankLine;
using zemor::analysis::RankTable;
using zemor::analysis::RankTableSource;
using zemor::runtime::Decimal;

constexpr int lineCount = 500;

// Values with 3 places, ties among them, every tenth line a city.
RankTableSource makeSource()
{
    RankTableSource source;
    source.districtCodes = true;
    source.year = 2025;
    source.title = QStringLiteral("Показатель");
    std::uint32_t seed = 12345;
    for (int i = 0; i < lineCount; ++i) {
        seed = seed * 1664525u + 1013904223u;
        RankLine line;
        line.name = QStringLiteral("Строка %1").arg(i + 1);
        line.value = Decimal::fromUnits((seed >> 8) % 200'000, 3);
        line.codReg = i % 10 == 9 ? 200 + i : 1 + i % 28;
        source.lines.append(line);
    }
    return source;
}

std::vector<std::int64_t> plainValues(const RankTableSource &source)
{
    std::vector<std::int64_t> values;
    for (const RankLine &line : source.lines)
        values.push_back(static_cast<std::int64_t>(line.value.units()));
    return values;
}

// Sorted descending, then ranks and three equal ranges in one pass.
long long baseline(std::vector<std::int64_t> values)
{
    std::sort(values.begin(), values.end(), std::greater<>());
    const std::int64_t low = values.back();
    const std::int64_t high = values.front();
    const std::int64_t step = (high - low) / 3;
    long long check = 0;
    int rank = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i == 0 || values[i] < values[i - 1])
            ++rank;
        const int range = step > 0 ? std::min<int>(3, int((values[i] - low) / step) + 1) : 1;
        check += rank + range;
    }
    return check;
}

long long ours(const RankTableSource &source)
{
    const RankTable table(source);
    return table.rows().back().rank + table.rows().front().range;
}

void BM_RankTable(benchmark::State &state)
{
    const RankTableSource source = makeSource();
    for (auto _ : state)
        benchmark::DoNotOptimize(ours(source));
}
BENCHMARK(BM_RankTable)->Unit(benchmark::kMicrosecond);

void BM_BaselineSort(benchmark::State &state)
{
    const std::vector<std::int64_t> values = plainValues(makeSource());
    for (auto _ : state)
        benchmark::DoNotOptimize(baseline(values));
}
BENCHMARK(BM_BaselineSort)->Unit(benchmark::kMicrosecond);

int report(int repeat)
{
    const RankTableSource source = makeSource();
    const std::vector<std::int64_t> values = plainValues(source);
    using Clock = std::chrono::steady_clock;
    long long sink = 0;
    auto start = Clock::now();
    for (int i = 0; i < repeat; ++i)
        sink += ours(source);
    const double mine = std::chrono::duration<double>(Clock::now() - start).count();
    start = Clock::now();
    for (int i = 0; i < repeat; ++i) {
        benchmark::DoNotOptimize(values.data());
        benchmark::ClobberMemory();
        sink += baseline(values);
    }
    const double theirs = std::chrono::duration<double>(Clock::now() - start).count();
    benchmark::DoNotOptimize(sink);
    std::printf("rank table lines=%d per-table ours=%.1fus baseline=%.1fus ratio=%.2f\n", lineCount,
                1e6 * mine / repeat, 1e6 * theirs / repeat, theirs > 0 ? mine / theirs : 0.0);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return zemor::bench::benchMain(argc, argv, [](int c, char **v) {
        return report(int(std::max<std::int64_t>(1, zemor::bench::argValue(c, v, "repeat", 2000))));
    });
}
