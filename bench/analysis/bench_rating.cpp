// The rating of 250 members over 300 rows (ten tables of 30 rows with their headings and ends),
// for each calculation type: the norms of rows without one, the indices, the goal rows, the
// criteria and the members' totals, from a fresh copy of the run as each run starts. The
// baseline is a plain loop over flat arrays with the same arithmetic and the same rounding,
// also from a fresh copy of its arrays.
//
//   bench_rating --report [--repeat=N]   one line per type, ending in ratio=<ours/baseline>
//   bench_rating [Google Benchmark options]

#include "analysis/ratings/Rating.h"
#include "bench/support/BenchMain.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using namespace zemor::analysis;

constexpr int memberCount = 250;
constexpr int tableCount = 10;
constexpr int rowsPerTable = 30;
constexpr int tables[tableCount] = {1, 11, 21, 22, 23, 31, 32, 33, 34, 5};

RatingRun makeRun(int type)
{
    RatingRun run;
    run.type = type;
    for (int i = 1; i <= memberCount; ++i)
        run.members.append({.code = 100 + i, .name = QStringLiteral("ЛПУ %1").arg(i), .number = i});
    std::uint32_t seed = 12345;
    const auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int table : tables) {
        run.values.append(ValueRow{.name = QStringLiteral("Таблица"), .table = table});
        for (int r = 1; r <= rowsPerTable; ++r) {
            ValueRow row;
            row.table = table;
            row.rowId = table * 100 + r;
            row.number = r;
            row.name = QStringLiteral("Строка %1").arg(r);
            row.norm = r % 3 == 0 ? 0.0 : double(next() % 10000) / 100;
            row.direction = int(next() % 3);
            row.weight = r % 4 == 0 ? 2.0 : 0.0;
            row.zeroRule = r % 5 == 0 ? 1 : 0;
            row.data.resize(size_t(run.columnCount()));
            for (double &x : row.data)
                x = next() % 7 == 0 ? 0.0 : double(next() % 20000) / 100;
            run.values.append(row);
        }
        run.values.append(ValueRow{
            .table = table, .rowId = ValueRow::tableEndId, .number = ValueRow::tableEndNumber});
    }
    return run;
}

// The same rows as flat arrays.
struct Flat
{
    int rows = 0;
    int width = 0;
    std::vector<double> data; // rows × width
    std::vector<double> norm, weight, sum;
    std::vector<int> direction, zeroRule, kind, count, criterion; // kind: 0 heading 1 data 2 end
};

Flat flatten(const RatingRun &run)
{
    Flat f;
    f.rows = int(run.values.size());
    f.width = run.columnCount();
    for (const ValueRow &row : run.values) {
        f.data.insert(f.data.end(), row.data.begin(), row.data.end());
        f.data.resize(size_t(f.width) * (f.norm.size() + 1), 0.0);
        f.norm.push_back(row.norm);
        f.weight.push_back(row.weight);
        f.sum.push_back(0);
        f.direction.push_back(row.direction);
        f.zeroRule.push_back(row.zeroRule);
        f.kind.push_back(row.isHeading() ? 0 : row.isTableEnd() ? 2 : 1);
        f.count.push_back(0);
        const int t = row.table;
        // 1 structure, 3..5 process parts, 7..10 result parts, 0 none
        f.criterion.push_back(t < 10 || t / 10 == 1 ? 1
                              : t / 10 == 2         ? 2 + t % 10
                              : t / 10 == 3         ? 6 + t % 10
                                                    : 0);
    }
    return f;
}

double q(double a, double b)
{
    return b == 0 ? 0.0 : a / b;
}

// The plain loop: first pass, indices, totals and means.
double baseline(Flat f, int type)
{
    const int n = memberCount;
    const int w = f.width;
    for (int i = 0; i < f.rows; ++i) {
        const double *x = &f.data[size_t(i) * size_t(w)];
        double s = 0;
        int c = 0;
        for (int j = 0; j < n; ++j) {
            if (f.norm[size_t(i)] == 0)
                s += x[j];
            if (x[j] != 0 || f.zeroRule[size_t(i)] == 0)
                ++c;
        }
        if (f.norm[size_t(i)] == 0)
            f.norm[size_t(i)] = roundedHalfAway(q(s, c), 2);
        f.sum[size_t(i)] = roundedHalfAway(s, 3);
        f.count[size_t(i)] = c;
    }
    std::vector<double> goals(size_t(f.rows) * size_t(w), 0.0);
    std::vector<double> acc(size_t(w), 0.0), is(size_t(w), 0.0), part(size_t(w) * 12, 0.0);
    std::vector<int> g(size_t(w), 0);
    for (int i = 0; i < f.rows; ++i) {
        if (f.kind[size_t(i)] == 0) {
            std::fill(g.begin(), g.end(), 0);
            continue;
        }
        const double *x = &f.data[size_t(i) * size_t(w)];
        ValueRow row;
        row.rowId = f.kind[size_t(i)] == 2 ? ValueRow::tableEndId : 1;
        row.norm = f.norm[size_t(i)];
        row.direction = f.direction[size_t(i)];
        row.zeroRule = f.zeroRule[size_t(i)];
        row.sum = f.sum[size_t(i)];
        row.count = f.count[size_t(i)];
        if (type == 1) {
            for (int j = 0; j < n; ++j) {
                if (row.zeroRule != 1 || x[j] != 0)
                    ++g[size_t(j)];
                double v = 0;
                if (f.kind[size_t(i)] == 2) {
                    v = roundedHalfAway(q(acc[size_t(j)], g[size_t(j)] - 1), 2);
                    acc[size_t(j)] = 0;
                } else {
                    v = typeOneIndex(row, x[j]);
                    acc[size_t(j)] += v;
                }
                if (f.criterion[size_t(i)] == 1)
                    is[size_t(j)] = roundedHalfAway(is[size_t(j)] + v, 2);
                else if (f.criterion[size_t(i)] > 1)
                    part[size_t(j) * 12 + size_t(f.criterion[size_t(i)])] = v;
            }
        } else {
            if ((type == 3 || type == 6) && row.sum == 0)
                row.sum = row.norm;
            for (int j = 0; j < n; ++j) {
                double v = goalIndex(type, row, x[j]);
                if (f.weight[size_t(i)] != 0)
                    v = roundedHalfAway(v * f.weight[size_t(i)], 3);
                goals[size_t(i) * size_t(w) + size_t(j)] = v;
            }
        }
    }
    double check = 0;
    for (int j = 0; j < n; ++j) {
        double total = 0;
        for (int i = 0; i < f.rows; ++i)
            total = roundedHalfAway(total + goals[size_t(i) * size_t(w) + size_t(j)], 2);
        const double *p = &part[size_t(j) * 12];
        const double process = roundedHalfAway((p[3] + p[4] + p[5]) / 3 * 1.5, 2);
        const double result = roundedHalfAway((p[7] + p[8] + p[9] + p[10]) / 4, 2);
        check += total + roundedHalfAway(is[size_t(j)] + process + result, 2);
    }
    for (int i = 0; i < f.rows; ++i) {
        double s = 0;
        for (int j = 0; j < n; ++j)
            s += goals[size_t(i) * size_t(w) + size_t(j)];
        check += roundedHalfAway(q(s, n), 3);
    }
    return check;
}

double ours(const RatingRun &source)
{
    RatingRun run = source;
    computeRating(run);
    rankRatingRows(run.ratings);
    return run.ratings.front().rating;
}

void BM_Rating(benchmark::State &state)
{
    const RatingRun run = makeRun(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ours(run));
}
BENCHMARK(BM_Rating)->DenseRange(1, 6)->Unit(benchmark::kMillisecond);

void BM_Baseline(benchmark::State &state)
{
    const Flat flat = flatten(makeRun(int(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(baseline(flat, int(state.range(0))));
}
BENCHMARK(BM_Baseline)->DenseRange(1, 6)->Unit(benchmark::kMillisecond);

int report(int repeat)
{
    using Clock = std::chrono::steady_clock;
    for (int type = 1; type <= 6; ++type) {
        const RatingRun run = makeRun(type);
        const Flat flat = flatten(run);
        double sink = 0;
        auto start = Clock::now();
        for (int i = 0; i < repeat; ++i)
            sink += ours(run);
        const double mine = std::chrono::duration<double>(Clock::now() - start).count();
        start = Clock::now();
        for (int i = 0; i < repeat; ++i) {
            benchmark::ClobberMemory();
            sink += baseline(flat, type);
        }
        const double theirs = std::chrono::duration<double>(Clock::now() - start).count();
        benchmark::DoNotOptimize(sink);
        std::printf("rating type=%d members=%d rows=%d per-run ours=%.2fms baseline=%.2fms "
                    "ratio=%.2f\n",
                    type, memberCount, tableCount * rowsPerTable, 1e3 * mine / repeat,
                    1e3 * theirs / repeat, theirs > 0 ? mine / theirs : 0.0);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return zemor::bench::benchMain(argc, argv, [](int c, char **v) {
        return report(int(std::max<std::int64_t>(1, zemor::bench::argValue(c, v, "repeat", 20))));
    });
}
